#include "mapgis/json_encoder.hpp"

#include "core/json_text.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven::mapgis {

namespace {

// Thrown when the native walk meets what only json.dumps can judge.
struct NeedInterpreter {};

// Walk depth before handing over: json.dumps then reports the cycle or the
// recursion error in its own words.
constexpr int kMaxDepth = 200;

// A str as a JSON string. Lone surrogates cannot be written as UTF-8: the
// interpreter's encoder and the file decide what happens to them.
void append_str(std::string& out, PyObject* s) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    const void* data = PyUnicode_DATA(s);
    if (PyUnicode_IS_ASCII(s)) {
        append_json_string(out, std::string_view(static_cast<const char*>(data), static_cast<size_t>(n)));
        return;
    }
    int kind = PyUnicode_KIND(s);
    out += '"';
    for (Py_ssize_t i = 0; i < n; ++i) {
        Py_UCS4 cp = PyUnicode_READ(kind, data, i);
        if (cp >= 0xD800 && cp <= 0xDFFF) throw NeedInterpreter{};
        append_json_code_point(out, cp);
    }
    out += '"';
}

void append_long(std::string& out, PyObject* v) {
    int overflow = 0;
    long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (x == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    if (!overflow) {
        append_json_int(out, x);
        return;
    }
    Ref text = own(PyLong_Type.tp_repr(v));
    out += PyUnicode_AsUTF8(text.get());
}

void walk(std::string& out, PyObject* v, int depth);

void append_key(std::string& out, PyObject* key) {
    if (PyUnicode_Check(key)) {
        append_str(out, key);
    } else if (PyFloat_Check(key)) {
        out += '"';
        append_json_float(out, PyFloat_AS_DOUBLE(key));
        out += '"';
    } else if (key == Py_True) {
        out += "\"true\"";
    } else if (key == Py_False) {
        out += "\"false\"";
    } else if (key == Py_None) {
        out += "\"null\"";
    } else if (PyLong_Check(key)) {
        out += '"';
        append_long(out, key);
        out += '"';
    } else {
        throw NeedInterpreter{};
    }
}

void walk_dict(std::string& out, PyObject* d, int depth) {
    if (PyDict_GET_SIZE(d) == 0 && PyDict_CheckExact(d)) {
        out += "{}";
        return;
    }
    if (!PyDict_CheckExact(d)) throw NeedInterpreter{};  // items() may be its own
    out += '{';
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    bool first = true;
    while (PyDict_Next(d, &pos, &key, &value)) {
        if (!first) out += ", ";
        first = false;
        append_key(out, key);
        out += ": ";
        walk(out, value, depth + 1);
    }
    out += '}';
}

void walk(std::string& out, PyObject* v, int depth) {
    if (v == Py_None) { out += "null"; return; }
    if (v == Py_True) { out += "true"; return; }
    if (v == Py_False) { out += "false"; return; }
    if (PyUnicode_Check(v)) { append_str(out, v); return; }
    if (PyLong_Check(v)) { append_long(out, v); return; }
    if (PyFloat_Check(v)) { append_json_float(out, PyFloat_AS_DOUBLE(v)); return; }
    if (depth > kMaxDepth) throw NeedInterpreter{};
    if (PyList_Check(v) || PyTuple_Check(v)) {
        Py_ssize_t n = PySequence_Fast_GET_SIZE(v);
        if (n == 0) { out += "[]"; return; }
        out += '[';
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(v); ++i) {
            if (i) out += ", ";
            // A borrowed item of a list stays alive while we hold a reference.
            Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(v, i));
            walk(out, item.get(), depth + 1);
        }
        out += ']';
        return;
    }
    if (PyDict_Check(v)) { walk_dict(out, v, depth); return; }
    throw NeedInterpreter{};
}

}  // namespace

void append_utf8(std::string& out, PyObject* text) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
    if (!utf8) throw PythonErrorSet{};
    out.append(utf8, static_cast<size_t>(size));
}

void encode_json(std::string& out, PyObject* value) {
    size_t mark = out.size();
    try {
        walk(out, value, 0);
        return;
    } catch (const NeedInterpreter&) {
        out.resize(mark);
    } catch (...) {
        out.resize(mark);
        if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) throw;
        PyErr_Clear();
    }
    // The interpreter's own encoder decides: its text, or its error.
    static PyObject* kwnames = nullptr;
    if (!kwnames) {
        kwnames = Py_BuildValue("(s)", "ensure_ascii");
        if (!kwnames) throw PythonErrorSet{};
    }
    Ref dumps = own(PyObject_GetAttrString(state().json.get(), "dumps"));
    PyObject* args[2] = {value, Py_False};
    Ref text = own(PyObject_Vectorcall(dumps.get(), args, 1, kwnames));
    if (!PyUnicode_Check(text.get())) {
        PyErr_Format(PyExc_TypeError, "write() argument must be str, not %.100s", Py_TYPE(text.get())->tp_name);
        throw PythonErrorSet{};
    }
    append_utf8(out, text.get());
}

}  // namespace tiven::mapgis
