#include "geometry/wkt_writer.hpp"

#include <string>

#include "core/json_text.hpp"
#include "core/pynum.hpp"
#include "core/recursion_guard.hpp"
#include "core/text_sink.hpp"
#include "geometry/text_values.hpp"

namespace tiven::geometry {

namespace {

// Appends the UTF-8 of a str, lone surrogates encoded as they stand.
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

static_assert(kFloatReprMax <= TextSink::kPiece && kJsonIntMax <= TextSink::kPiece);

// One vertex member as str() writes it.
void append_member(TextSink& out, PyObject* m) {
    if (PyFloat_CheckExact(m)) {
        out.advance(float_repr_chars(PyFloat_AS_DOUBLE(m), out.room()));
        return;
    }
    if (PyLong_CheckExact(m)) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(m, &overflow);
        if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (!overflow) {
            out.advance(json_int_chars(v, out.room()));
            return;
        }
    }
    Ref text = str_within_stack(m);
    append_str(out.text(), text.get());
}

// Calls f on each item of an iterable, a plain list or tuple without an iterator.
template <class F>
void each(PyObject* seq, F f) {
    if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {
        // A plain list may change under f only through members' own str(); index anew each time.
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq); ++i) {
            Ref v = Ref::borrow(PySequence_Fast_GET_ITEM(seq, i));
            f(v.get(), i);
        }
        return;
    }
    Ref it = own(PyObject_GetIter(seq));
    Py_ssize_t i = 0;
    while (Ref v = Ref::steal(PyIter_Next(it.get()))) f(v.get(), i++);
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

void vertex(TextSink& out, PyObject* v) {
    each(v, [&](PyObject* m, Py_ssize_t i) {
        if (i > 0) out.put(' ');
        append_member(out, m);
    });
}

// "(" items ")", joined by ",", each written by `inner`.
template <class Inner>
void group(TextSink& out, PyObject* items, Inner inner) {
    out.put('(');
    each(items, [&](PyObject* item, Py_ssize_t i) {
        if (i > 0) out.put(',');
        inner(out, item);
    });
    out.put(')');
}

void vertex_group(TextSink& out, PyObject* line) { group(out, line, vertex); }
void ring_group(TextSink& out, PyObject* polygon) { group(out, polygon, vertex_group); }

// A body: groups "(...)" of items joined by ",", vertex members by " ".
void append_wkt_body(TextSink& out, GeomType type, PyObject* coords) {
    switch (type) {
        case GeomType::Point:
            out.put('(');
            vertex(out, coords);
            out.put(')');
            break;
        case GeomType::MultiPoint:
        case GeomType::LineString:
            vertex_group(out, coords);
            break;
        case GeomType::MultiLineString:
        case GeomType::Polygon:
            ring_group(out, coords);
            break;
        default:
            out.put('(');
            each(coords, [&](PyObject* polygon, Py_ssize_t i) {
                if (i > 0) out.put(',');
                ring_group(out, polygon);
            });
            out.put(')');
    }
}

}  // namespace

Ref wkt_text(GeomType type, PyObject* coords) {
    ScratchText scratch;
    std::string& text = scratch.text();
    text = type_name(type);
    for (char& ch : text) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
    text += ' ';
    TextSink out(text);
    append_wkt_body(out, type, coords);
    out.flush();
    return str_of_utf8(text);
}

Ref wkt_collection_text(const std::vector<Ref>& member_texts) {
    std::string out = "GEOMETRYCOLLECTION (";
    for (size_t i = 0; i < member_texts.size(); ++i) {
        PyObject* text = member_texts[i].get();
        if (!PyUnicode_Check(text)) {
            PyErr_Format(PyExc_TypeError, "sequence item %zd: expected str instance, %.80s found",
                         static_cast<Py_ssize_t>(i), Py_TYPE(text)->tp_name);
            throw PythonErrorSet{};
        }
        if (i > 0) out += ',';
        append_str(out, text);
    }
    out += ')';
    return str_of_utf8(out);
}

}  // namespace tiven::geometry
