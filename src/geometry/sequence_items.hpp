// The items of a caller's sequence, reached as the interpreter reaches them:
// by iteration, or by index with the plain list read directly.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::geometry {

// Calls f on each item of an iterable.
template <class F>
void for_each_item(PyObject* seq, F f) {
    Ref it = own(PyObject_GetIter(seq));
    while (Ref v = Ref::steal(PyIter_Next(it.get()))) f(v.get());
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

// seq[i]
inline Ref item(PyObject* seq, Py_ssize_t i) {
    if (PyList_CheckExact(seq)) {
        Py_ssize_t n = PyList_GET_SIZE(seq);
        if (i < 0) i += n;
        if (i < 0 || i >= n) fail(ErrorKind::IndexError, "list index out of range");
        return Ref::borrow(PyList_GET_ITEM(seq, i));
    }
    Ref index = own(PyLong_FromSsize_t(i));
    return own(PyObject_GetItem(seq, index.get()));
}

// len(o)
inline Py_ssize_t length(PyObject* o) {
    Py_ssize_t n = PyObject_Length(o);
    if (n < 0) throw PythonErrorSet{};
    return n;
}

}  // namespace tiven::geometry
