// The one owning handle for PyObject references.
#pragma once
#include <Python.h>
#include <utility>

#include "core/error.hpp"

namespace tiven {

class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            PyObject* old = p_;
            p_ = other.p_;
            other.p_ = nullptr;
            Py_XDECREF(old);
        }
        return *this;
    }
    ~Ref() { Py_XDECREF(p_); }

    // Takes over a new reference (may be null).
    static Ref steal(PyObject* p) noexcept { Ref r; r.p_ = p; return r; }
    // Adds a reference to a borrowed pointer (may be null).
    static Ref borrow(PyObject* p) noexcept { Py_XINCREF(p); return steal(p); }

    PyObject* get() const noexcept { return p_; }
    PyObject* release() noexcept { PyObject* p = p_; p_ = nullptr; return p; }
    Ref copy() const noexcept { return borrow(p_); }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref& other) noexcept { std::swap(p_, other.p_); }

private:
    PyObject* p_ = nullptr;
};

// A new reference from the C API; a null result means an exception is set.
inline Ref own(PyObject* p) {
    if (!p) throw PythonErrorSet{};
    return Ref::steal(p);
}
// A borrowed reference from the C API; null means an exception is set.
inline Ref borrowed(PyObject* p) {
    if (!p) throw PythonErrorSet{};
    return Ref::borrow(p);
}
// A C API status code: negative means an exception is set.
inline int check(int status) {
    if (status < 0) throw PythonErrorSet{};
    return status;
}

// An interned text kept for the life of the process (names looked up on hot paths).
inline PyObject* interned(const char* s) {
    PyObject* o = PyUnicode_InternFromString(s);
    if (!o) throw PythonErrorSet{};
    return o;
}

}  // namespace tiven
