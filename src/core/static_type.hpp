// The module's own static types (its functions and generators), made at
// compile time. A type names the slots it fills; every other slot stays
// empty, as in a C definition of a static type.
#pragma once
#include <Python.h>

#include "core/error.hpp"

namespace tiven {

// The slots the module's types fill, named and ordered as in PyTypeObject.
// A type that needs another slot adds it here and in static_type().
struct TypeSlots {
    const char* tp_name = nullptr;
    Py_ssize_t tp_basicsize = 0;
    destructor tp_dealloc = nullptr;
    Py_ssize_t tp_vectorcall_offset = 0;
    reprfunc tp_repr = nullptr;
    ternaryfunc tp_call = nullptr;
    unsigned long tp_flags = 0;
    traverseproc tp_traverse = nullptr;
    inquiry tp_clear = nullptr;
    Py_ssize_t tp_weaklistoffset = 0;
    getiterfunc tp_iter = nullptr;
    iternextfunc tp_iternext = nullptr;
    PyMethodDef* tp_methods = nullptr;
    PyMemberDef* tp_members = nullptr;
    PyGetSetDef* tp_getset = nullptr;
    descrgetfunc tp_descr_get = nullptr;
    Py_ssize_t tp_dictoffset = 0;
};

// Every member is given: a designated list that leaves some out draws a
// missing-initialiser warning from some compilers.
constexpr PyTypeObject static_type(const TypeSlots& s) {
    return {
        .ob_base = PyVarObject_HEAD_INIT(nullptr, 0)
        .tp_name = s.tp_name,
        .tp_basicsize = s.tp_basicsize,
        .tp_itemsize = 0,
        .tp_dealloc = s.tp_dealloc,
        .tp_vectorcall_offset = s.tp_vectorcall_offset,
        .tp_getattr = nullptr,
        .tp_setattr = nullptr,
        .tp_as_async = nullptr,
        .tp_repr = s.tp_repr,
        .tp_as_number = nullptr,
        .tp_as_sequence = nullptr,
        .tp_as_mapping = nullptr,
        .tp_hash = nullptr,
        .tp_call = s.tp_call,
        .tp_str = nullptr,
        .tp_getattro = nullptr,
        .tp_setattro = nullptr,
        .tp_as_buffer = nullptr,
        .tp_flags = s.tp_flags,
        .tp_doc = nullptr,
        .tp_traverse = s.tp_traverse,
        .tp_clear = s.tp_clear,
        .tp_richcompare = nullptr,
        .tp_weaklistoffset = s.tp_weaklistoffset,
        .tp_iter = s.tp_iter,
        .tp_iternext = s.tp_iternext,
        .tp_methods = s.tp_methods,
        .tp_members = s.tp_members,
        .tp_getset = s.tp_getset,
        .tp_base = nullptr,
        .tp_dict = nullptr,
        .tp_descr_get = s.tp_descr_get,
        .tp_descr_set = nullptr,
        .tp_dictoffset = s.tp_dictoffset,
        .tp_init = nullptr,
        .tp_alloc = nullptr,
        .tp_new = nullptr,
        .tp_free = nullptr,
        .tp_is_gc = nullptr,
        .tp_bases = nullptr,
        .tp_mro = nullptr,
        .tp_cache = nullptr,
        .tp_subclasses = nullptr,
        .tp_weaklist = nullptr,
        .tp_del = nullptr,
        .tp_version_tag = 0,
        .tp_finalize = nullptr,
        .tp_vectorcall = nullptr,
        .tp_watched = 0,
        .tp_versions_used = 0,
    };
}

// The type, readied on first use.
inline PyTypeObject* ready(PyTypeObject& type) {
    if (!(type.tp_flags & Py_TPFLAGS_READY) && PyType_Ready(&type) < 0) throw PythonErrorSet{};
    return &type;
}

}  // namespace tiven
