// GeoJSON text as json.dumps(value, ensure_ascii=False, indent=4) writes it.
#include <cmath>
#include <string>
#include <vector>

#include "core/json_text.hpp"
#include "core/method.hpp"
#include "core/pynum.hpp"
#include "geometry/geometry_values.hpp"

namespace tiven::geometry {

void append_ascii(std::string& out, const char* s) { out += s; }

void append_str(std::string& out, PyObject* str) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(str);
    if (PyUnicode_IS_ASCII(str)) {
        out.append(static_cast<const char*>(PyUnicode_DATA(str)), static_cast<size_t>(n));
        return;
    }
    int kind = PyUnicode_KIND(str);
    const void* data = PyUnicode_DATA(str);
    for (Py_ssize_t i = 0; i < n; ++i) append_utf8_code_point(out, PyUnicode_READ(kind, data, i));
}

Ref str_of_utf8(const std::string& text) {
    return own(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogatepass"));
}

namespace {

class JsonWriter {
public:
    std::string out;

    void value(PyObject* o, int level) {
        if (PyUnicode_Check(o)) {
            string(o);
        } else if (o == Py_None) {
            append_ascii(out, "null");
        } else if (o == Py_True) {
            append_ascii(out, "true");
        } else if (o == Py_False) {
            append_ascii(out, "false");
        } else if (PyLong_Check(o)) {
            integer(o);
        } else if (PyFloat_Check(o)) {
            real(PyFloat_AS_DOUBLE(o));
        } else if (PyList_Check(o) || PyTuple_Check(o)) {
            list(o, level);
        } else if (PyDict_Check(o)) {
            dict(o, level);
        } else {
            // The json module names the class as o.__class__.__name__ (date, not datetime.date).
            Ref cls = own(PyObject_GetAttrString(o, "__class__"));
            Ref name = own(PyObject_GetAttrString(cls.get(), "__name__"));
            PyErr_Format(PyExc_TypeError, "Object of type %S is not JSON serializable", name.get());
            throw PythonErrorSet{};
        }
    }

private:
    std::vector<PyObject*> path_;  // containers being written, for the cycle test

    void string(PyObject* s) {
        static const char kHex[] = "0123456789abcdef";
        out += '"';
        Py_ssize_t n = PyUnicode_GET_LENGTH(s);
        int kind = PyUnicode_KIND(s);
        const void* data = PyUnicode_DATA(s);
        for (Py_ssize_t i = 0; i < n; ++i) {
            char32_t c = PyUnicode_READ(kind, data, i);
            switch (c) {
                case U'"': append_ascii(out, "\\\""); break;
                case U'\\': append_ascii(out, "\\\\"); break;
                case U'\n': append_ascii(out, "\\n"); break;
                case U'\r': append_ascii(out, "\\r"); break;
                case U'\t': append_ascii(out, "\\t"); break;
                case U'\b': append_ascii(out, "\\b"); break;
                case U'\f': append_ascii(out, "\\f"); break;
                default:
                    if (c < 0x20) {
                        append_ascii(out, "\\u00");
                        out += kHex[c >> 4];
                        out += kHex[c & 15];
                    } else {
                        append_utf8_code_point(out, c);
                    }
            }
        }
        out += '"';
    }

    void integer(PyObject* o) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(o, &overflow);
        if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (!overflow) {
            append_ascii(out, std::to_string(v).c_str());
            return;
        }
        Ref text = own(PyLong_Type.tp_repr(o));
        append_str(out, text.get());
    }

    void real(double x) {
        if (std::isnan(x)) {
            append_ascii(out, "NaN");
        } else if (std::isinf(x)) {
            append_ascii(out, x > 0 ? "Infinity" : "-Infinity");
        } else {
            append_float_repr(out, x);
        }
    }

    void newline(int level) {
        out += '\n';
        out.append(static_cast<size_t>(level) * 4, ' ');
    }

    void enter(PyObject* o) {
        for (PyObject* p : path_) {
            if (p == o) {
                PyErr_SetString(PyExc_ValueError, "Circular reference detected");
                throw PythonErrorSet{};
            }
        }
        path_.push_back(o);
    }

    // Items as the json module takes them: a subclass of list or tuple is
    // iterated once into a list (its __len__ is not asked).
    void list(PyObject* o, int level) {
        Ref items = own(PySequence_Fast(o, "_iterencode_list needs a sequence"));
        PyObject* seq = items.get();
        if (PySequence_Fast_GET_SIZE(seq) == 0) {
            append_ascii(out, "[]");
            return;
        }
        DepthGuard guard(" while encoding a JSON object");
        enter(o);
        out += '[';
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq); ++i) {
            Ref v = Ref::borrow(PySequence_Fast_GET_ITEM(seq, i));
            if (i > 0) out += ',';
            newline(level + 1);
            value(v.get(), level + 1);
        }
        newline(level);
        out += ']';
        path_.pop_back();
    }

    void key(PyObject* k) {
        if (PyUnicode_Check(k)) {
            string(k);
            return;
        }
        out += '"';
        if (PyFloat_Check(k)) {
            real(PyFloat_AS_DOUBLE(k));
        } else if (k == Py_True) {
            append_ascii(out, "true");
        } else if (k == Py_False) {
            append_ascii(out, "false");
        } else if (k == Py_None) {
            append_ascii(out, "null");
        } else if (PyLong_Check(k)) {
            integer(k);
        } else {
            PyErr_Format(PyExc_TypeError, "keys must be str, int, float, bool or None, not %s", Py_TYPE(k)->tp_name);
            throw PythonErrorSet{};
        }
        out += '"';
    }

    void dict(PyObject* o, int level) {
        if (PyDict_GET_SIZE(o) == 0) {
            append_ascii(out, "{}");
            return;
        }
        DepthGuard guard(" while encoding a JSON object");
        enter(o);
        out += '{';
        // A subclass's own items() may hand back anything: only pairs are written.
        Ref items = own(PyMapping_Items(o));
        Py_ssize_t n = PyList_GET_SIZE(items.get());
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* pair = PyList_GET_ITEM(items.get(), i);
            if (!PyTuple_Check(pair) || PyTuple_GET_SIZE(pair) != 2) {
                PyErr_SetString(PyExc_ValueError, "items must return 2-tuples");
                throw PythonErrorSet{};
            }
            if (i > 0) out += ',';
            newline(level + 1);
            key(PyTuple_GET_ITEM(pair, 0));
            append_ascii(out, ": ");
            value(PyTuple_GET_ITEM(pair, 1), level + 1);
        }
        newline(level);
        out += '}';
        path_.pop_back();
    }
};

}  // namespace

Ref geojson_text(PyObject* value) {
    JsonWriter w;
    w.value(value, 0);
    return str_of_utf8(w.out);
}

}  // namespace tiven::geometry
