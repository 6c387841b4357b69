// Python values made from C++ ones, and the texts of caller values; each is a
// new reference, or throws.
#pragma once
#include <Python.h>

#include <string>

#include "core/pyref.hpp"
#include "core/recursion_guard.hpp"

namespace tiven {

inline Ref py_str(const std::string& utf8) {
    return own(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}
inline Ref py_int(long long v) { return own(PyLong_FromLongLong(v)); }
inline Ref py_float(double v) { return own(PyFloat_FromDouble(v)); }
inline Ref py_none() { return Ref::borrow(Py_None); }
inline Ref py_bool(bool v) { return Ref::borrow(v ? Py_True : Py_False); }

// str(o) and repr(o) of a caller's value: the interpreter's walk over nested
// containers does not look at the C stack, so a value nested deeper than
// what is left of it holds is refused first, in the walk's own words.
inline constexpr const char* kInRepr = " while getting the repr of an object";
inline Ref str_of_value(PyObject* o) {
    RecursionGuard::reserve_text(kInRepr, o);
    return own(PyObject_Str(o));
}
inline Ref repr_of_value(PyObject* o) {
    RecursionGuard::reserve_text(kInRepr, o);
    return own(PyObject_Repr(o));
}

}  // namespace tiven
