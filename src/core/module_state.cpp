#include "core/module_state.hpp"

#include <utility>

namespace tiven {

constinit StateHolder g_state;

namespace {

// Calls f(Ref&) for every owned object but the module itself and the interned names.
template <class F>
void for_each_ref(ModuleState& s, F&& f) {
    Ref* refs[] = {&s.os, &s.re, &s.sys, &s.json, &s.math, &s.time, &s.struct_, &s.dataclass,
                   &s.Callable, &s.Any, &s.Iterator, &s.Union, &s.struct_error, &s.builtin_staticmethod,
                   &s.builtin_classmethod, &s.builtin_print, &s.builtin_open, &s.builtin_super, &s.Messenger,
                   &s.TivenBase, &s.MapGisProject, &s.MapGisColorLib, &s.MapGisFile, &s.Projection, &s.MapGrid,
                   &s.Geometry, &s.own_zone, &s.own_central_meridian, &s.own_get_feature,
                   &s.own_get_capabilities, &s.own_publish, &s.own_bytes_to_str, &s.own_bytes_integer,
                   &s.zone_kwnames, &s.int_6};
    for (Ref* r : refs) f(*r);
    for (Ref& r : s.angle_patterns) f(r);
    for (Ref& r : s.code_patterns) f(r);
    for (Ref* r : {&s.own_map, &s.own_parse, &s.own_corner1000000}) f(*r);
    for (Ref& r : s.own_letter_tables) f(r);
    for (Ref& r : s.dumps_kwnames) f(r);
    for (Ref& r : s.crs_years) f(r);
}

// The callable that a class-dictionary entry hands out.
PyObject* function_of(PyObject* entry) {
    if (Py_IS_TYPE(entry, &PyStaticMethod_Type) || Py_IS_TYPE(entry, &PyClassMethod_Type)) {
        Ref f = own(PyObject_GetAttrString(entry, "__func__"));
        return f.get();  // the wrapper keeps it alive
    }
    return entry;
}

}  // namespace

void ModuleState::intern_names() {
#define TIVEN_MAKE_NAME(member, text) names.member = interned(text);
    TIVEN_INTERNED_NAMES(TIVEN_MAKE_NAME)
#undef TIVEN_MAKE_NAME
}

// `held` is not visited: it is a root for the life of the process, never part
// of a cycle the collector may break.
int ModuleState::traverse(visitproc visit, void* arg) {
    int status = 0;
    for_each_ref(*this, [&](Ref& r) {
        if (!status && r) status = visit(r.get(), arg);
    });
    return status;
}

void ModuleState::clear() {
    // The dict watcher is one of the interpreter's few slots: given back, so
    // that a start-up tried again after a failure does not take a second. Only
    // the one interpreter the module accepts gets here (a failed start-up: the
    // state is never destroyed and the module has no free); with no thread
    // state there is no interpreter left to give it back to.
    if (datum_watcher >= 0 && PyThreadState_GetUnchecked()) {
        if (pristine_datum.table && PyDict_Unwatch(datum_watcher, pristine_datum.table) < 0) PyErr_Clear();
        if (PyDict_ClearWatcher(datum_watcher) < 0) PyErr_Clear();
    }
    datum_watcher = -1;
    pristine_datum = {};
    projection_facts = {};
    module = nullptr;
    held.reset();
    for_each_ref(*this, [](Ref& r) { r.reset(); });
#define TIVEN_CLEAR_NAME(member, text) Py_CLEAR(names.member);
    TIVEN_INTERNED_NAMES(TIVEN_CLEAR_NAME)
#undef TIVEN_CLEAR_NAME
}

Ref class_entry(PyObject* cls, PyObject* name) {
    PyObject* entry = PyDict_GetItemWithError(reinterpret_cast<PyTypeObject*>(cls)->tp_dict, name);
    if (!entry && PyErr_Occurred()) throw PythonErrorSet{};
    return Ref::borrow(entry);
}

namespace {
// A class with the plain metaclass: the data descriptors of `type` all have
// dunder names, so `cls.<name>` is the first entry along the MRO, bound if it
// is a descriptor.
bool plain_class(PyObject* owner) { return PyType_Check(owner) && Py_IS_TYPE(owner, &PyType_Type); }
}  // namespace

Ref class_attribute(PyObject* cls, PyObject* name) {
    if (plain_class(cls)) {
        PyObject* entry = _PyType_Lookup(reinterpret_cast<PyTypeObject*>(cls), name);
        if (entry && !Py_TYPE(entry)->tp_descr_get) return Ref::borrow(entry);
    }
    return own(PyObject_GetAttr(cls, name));
}

namespace {
bool cached_entry_is(PyObject* owner, PyObject* name, PyObject* original) {
    return original && plain_class(owner) && _PyType_Lookup(reinterpret_cast<PyTypeObject*>(owner), name) == original;
}
}  // namespace

bool is_own_method(PyObject* owner, PyObject* name, PyObject* original) {
    if (PyType_Check(owner)) return cached_entry_is(owner, name, original);
    Ref found;
    return is_own_method(owner, name, original, found);
}

bool is_own_method(PyObject* owner, PyObject* name, PyObject* original, Ref& found) {
    found.reset();
    if (cached_entry_is(owner, name, original)) return true;
    found = own(PyObject_GetAttr(owner, name));
    if (!original || PyType_Check(owner)) return false;
    PyObject* function = function_of(original);
    if (PyMethod_Check(found.get())) {
        PyObject* bound_to = Py_IS_TYPE(original, &PyClassMethod_Type) ? reinterpret_cast<PyObject*>(Py_TYPE(owner))
                                                                        : owner;
        return PyMethod_GET_FUNCTION(found.get()) == function && PyMethod_GET_SELF(found.get()) == bound_to;
    }
    return found.get() == function;
}

}  // namespace tiven
