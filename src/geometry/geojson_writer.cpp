// GeoJSON text as json.dumps(value, ensure_ascii=False, indent=4) writes it.
#include <cmath>
#include <string>
#include <vector>

#include "core/method.hpp"
#include "geometry/float_text.hpp"
#include "geometry/geometry_values.hpp"

namespace tiven::geometry {

void append_ascii(std::u32string& out, const char* s) {
    for (; *s; ++s) out += static_cast<char32_t>(static_cast<unsigned char>(*s));
}

void append_str(std::u32string& out, PyObject* str) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(str);
    int kind = PyUnicode_KIND(str);
    const void* data = PyUnicode_DATA(str);
    for (Py_ssize_t i = 0; i < n; ++i) out += static_cast<char32_t>(PyUnicode_READ(kind, data, i));
}

namespace {

class JsonWriter {
public:
    std::u32string out;

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
            PyErr_Format(PyExc_TypeError, "Object of type %s is not JSON serializable", Py_TYPE(o)->tp_name);
            throw PythonErrorSet{};
        }
    }

private:
    std::vector<PyObject*> path_;  // containers being written, for the cycle test

    void string(PyObject* s) {
        static const char kHex[] = "0123456789abcdef";
        out += U'"';
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
                        out += static_cast<char32_t>(kHex[c >> 4]);
                        out += static_cast<char32_t>(kHex[c & 15]);
                    } else {
                        out += c;
                    }
            }
        }
        out += U'"';
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
            append_float_text(out, x);
        }
    }

    void newline(int level) {
        out += U'\n';
        out.append(static_cast<size_t>(level) * 4, U' ');
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

    void list(PyObject* o, int level) {
        if (!check(PyObject_IsTrue(o))) {
            append_ascii(out, "[]");
            return;
        }
        DepthGuard guard(" while encoding a JSON object");
        enter(o);
        out += U'[';
        Ref it = own(PyObject_GetIter(o));
        bool first = true;
        while (Ref v = Ref::steal(PyIter_Next(it.get()))) {
            if (!first) out += U',';
            first = false;
            newline(level + 1);
            value(v.get(), level + 1);
        }
        if (PyErr_Occurred()) throw PythonErrorSet{};
        newline(level);
        out += U']';
        path_.pop_back();
    }

    void key(PyObject* k) {
        if (PyUnicode_Check(k)) {
            string(k);
            return;
        }
        out += U'"';
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
        out += U'"';
    }

    void dict(PyObject* o, int level) {
        if (!check(PyObject_IsTrue(o))) {
            append_ascii(out, "{}");
            return;
        }
        DepthGuard guard(" while encoding a JSON object");
        enter(o);
        out += U'{';
        Ref items = own(PyMapping_Items(o));
        Py_ssize_t n = PyList_GET_SIZE(items.get());
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* pair = PyList_GET_ITEM(items.get(), i);
            if (i > 0) out += U',';
            newline(level + 1);
            key(PyTuple_GET_ITEM(pair, 0));
            append_ascii(out, ": ");
            value(PyTuple_GET_ITEM(pair, 1), level + 1);
        }
        newline(level);
        out += U'}';
        path_.pop_back();
    }
};

}  // namespace

Ref geojson_text(PyObject* value) {
    JsonWriter w;
    w.value(value, 0);
    return str_of(w.out);
}

}  // namespace tiven::geometry
