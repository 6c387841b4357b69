// Python values made from C++ ones; each is a new reference, or throws.
#pragma once
#include <Python.h>

#include <string>

#include "core/pyref.hpp"

namespace tiven {

inline Ref py_str(const std::string& utf8) {
    return own(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}
inline Ref py_int(long long v) { return own(PyLong_FromLongLong(v)); }
inline Ref py_float(double v) { return own(PyFloat_FromDouble(v)); }
inline Ref py_none() { return Ref::borrow(Py_None); }
inline Ref py_bool(bool v) { return Ref::borrow(v ? Py_True : Py_False); }

}  // namespace tiven
