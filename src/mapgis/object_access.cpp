#include "mapgis/object_access.hpp"

#include "core/class_builder.hpp"
#include "core/pyvalues.hpp"
#include "core/module_state.hpp"

namespace tiven::mapgis {

Ref get_attr(PyObject* obj, const char* name) { return own(PyObject_GetAttrString(obj, name)); }

void set_attr(PyObject* obj, const char* name, Ref value) {
    check(PyObject_SetAttrString(obj, name, value.get()));
}

void set_item(PyObject* dict, const char* key, Ref value) { check(PyDict_SetItemString(dict, key, value.get())); }

Ref get_item(PyObject* obj, const char* key) {
    Ref k = own(PyUnicode_FromString(key));
    return own(PyObject_GetItem(obj, k.get()));
}

Ref py_bytes(std::string_view data) {
    return own(PyBytes_FromStringAndSize(data.data(), static_cast<Py_ssize_t>(data.size())));
}

int64_t as_int64(PyObject* value) {
    if (PyLong_CheckExact(value)) {
        long long v = PyLong_AsLongLong(value);
        if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        return v;
    }
    Ref index = own(PyNumber_Index(value));
    long long v = PyLong_AsLongLong(index.get());
    if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    return v;
}

Ref decode_text(PyObject* self, std::string_view data, PyObject* encoding) {
    PyObject* name = state().names.bytesToStr;
    Ref b = py_bytes(data);
    PyObject* args[3] = {self, b.get(), encoding};
    return own(PyObject_VectorcallMethod(name, args, 3, nullptr));
}

Ref decode_integer(PyObject* self, std::string_view data) {
    PyObject* name = state().names.bytesInteger;
    Ref b = py_bytes(data);
    PyObject* args[2] = {self, b.get()};
    return own(PyObject_VectorcallMethod(name, args, 2, nullptr));
}

Ref make_reader_class(const char* name, PyObject* base, const char* doc,
                      std::initializer_list<RecordLayoutAttr> layouts, std::initializer_list<const Method*> methods) {
    ClassBuilder b(name, base, doc);
    for (const RecordLayoutAttr& l : layouts) b.attr(l.name, py_str(l.format));
    for (const Method* m : methods) b.method(*m);
    return b.finish();
}

Ref os_path(const char* fn, PyObject* arg) {
    Ref path = get_attr(state().os.get(), "path");
    Ref f = get_attr(path.get(), fn);
    return own(PyObject_CallOneArg(f.get(), arg));
}

}  // namespace tiven::mapgis
