#include "geometry/geometry_validate.hpp"

#include <cmath>
#include <vector>

#include "core/boundary.hpp"
#include "core/method.hpp"
#include "core/recursion_guard.hpp"
#include "geometry/geometry_dict.hpp"
#include "geometry/sequence_items.hpp"

namespace tiven::geometry {

namespace {

constexpr const char* kDimension = "Invalid [coordinates] parameter. Dimension should be greater than 1.";
constexpr const char* kFewer1 = "Invalid [coordinates] parameter. The number of vertices should be greater than 1.";
constexpr const char* kFewer2 = "Invalid [coordinates] parameter. The number of vertices should be greater than 2.";
constexpr const char* kShouldBeList = "Invalid type in [coordinates] parameter. Should be [list]";
constexpr int kMaxCompareDepth = 32;

// A float, bool, None, str or an int within long long: compared below without
// making its text. A huge int is not: its text may be refused.
bool plain_scalar(PyObject* o) {
    PyTypeObject* t = Py_TYPE(o);
    if (t == &PyLong_Type) {
        int overflow = 0;
        PyLong_AsLongLongAndOverflow(o, &overflow);
        return overflow == 0;
    }
    return t == &PyFloat_Type || t == &PyBool_Type || o == Py_None || t == &PyUnicode_Type;
}

// Whether repr(a) == repr(b), decided without making the texts where the
// types are the plain ones; -1 when the texts must be compared.
int known_repr_equal(PyObject* a, PyObject* b, int depth) {
    PyTypeObject* ta = Py_TYPE(a);
    PyTypeObject* tb = Py_TYPE(b);
    auto plain = [](PyObject* o) { return Py_IS_TYPE(o, &PyList_Type) || plain_scalar(o); };
    // One object is only known equal to itself once its text cannot fail
    // (a list's members are looked at one by one).
    if (!plain(a) || !plain(b)) return -1;
    if (a == b && ta != &PyList_Type) return 1;
    if (ta != tb) return 0;
    if (ta == &PyFloat_Type) {
        double x = PyFloat_AS_DOUBLE(a), y = PyFloat_AS_DOUBLE(b);
        if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
        return x == y && std::signbit(x) == std::signbit(y);
    }
    if (ta == &PyLong_Type) return PyLong_AsLongLong(a) == PyLong_AsLongLong(b);
    if (ta == &PyUnicode_Type) return PyUnicode_Compare(a, b) == 0;
    if (ta == &PyList_Type) {
        if (depth >= kMaxCompareDepth || PyList_GET_SIZE(a) != PyList_GET_SIZE(b)) return -1;
        RecursionGuard::Floor().check(" while comparing vertices");
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(a); ++i) {
            int r = known_repr_equal(PyList_GET_ITEM(a, i), PyList_GET_ITEM(b, i), depth + 1);
            if (r != 1) return r;
        }
        return 1;
    }
    return 0;  // True/False/None: distinct singletons
}

bool texts_equal(PyObject* a, PyObject* b) {
    return check(PyObject_RichCompareBool(a, b, Py_EQ)) == 1;
}

bool repr_equal(PyObject* a, PyObject* b) {
    int r = known_repr_equal(a, b, 0);
    if (r >= 0) return r == 1;
    Ref ra = repr_within_stack(a);
    Ref rb = repr_within_stack(b);
    return texts_equal(ra.get(), rb.get());
}

// v[:2], as a compiled slice reports a type without subscription.
Ref first_two(PyObject* v) {
    PyMappingMethods* mp = Py_TYPE(v)->tp_as_mapping;
    if (!mp || !mp->mp_subscript) {
        PyErr_Format(PyExc_TypeError, "'%.200s' object is unsliceable", Py_TYPE(v)->tp_name);
        throw PythonErrorSet{};
    }
    Ref two = own(PyLong_FromLong(2));
    Ref slice = own(PySlice_New(nullptr, two.get(), nullptr));
    return own(PyObject_GetItem(v, slice.get()));
}

// The comparison key of one vertex: the text of its first two members.
struct VertexKey {
    Ref vertex;  // a plain list whose first two members compare without text
    Ref text;    // otherwise (or once needed) repr(vertex[:2])

    static bool plain_head(PyObject* v) {
        if (!PyList_CheckExact(v)) return false;
        Py_ssize_t n = PyList_GET_SIZE(v) < 2 ? PyList_GET_SIZE(v) : 2;
        for (Py_ssize_t i = 0; i < n; ++i)
            if (!plain_scalar(PyList_GET_ITEM(v, i))) return false;
        return true;
    }

    static VertexKey of(PyObject* v) {
        VertexKey k;
        if (plain_head(v)) {
            k.vertex = Ref::borrow(v);
        } else {
            Ref head = first_two(v);
            k.text = repr_within_stack(head.get());
        }
        return k;
    }

    PyObject* as_text() {
        if (!text) {
            Ref head = own(PyList_GetSlice(vertex.get(), 0, 2));
            text = repr_within_stack(head.get());
        }
        return text.get();
    }

    bool equals(VertexKey& other) {
        if (vertex && other.vertex) {
            PyObject* a = vertex.get();
            PyObject* b = other.vertex.get();
            Py_ssize_t na = PyList_GET_SIZE(a) < 2 ? PyList_GET_SIZE(a) : 2;
            Py_ssize_t nb = PyList_GET_SIZE(b) < 2 ? PyList_GET_SIZE(b) : 2;
            if (na != nb) return false;
            for (Py_ssize_t i = 0; i < na; ++i)
                if (known_repr_equal(PyList_GET_ITEM(a, i), PyList_GET_ITEM(b, i), 0) != 1) return false;
            return true;
        }
        return texts_equal(as_text(), other.as_text());
    }
};

// A vertex read as it stands: an exact list of two members or more, the first
// two exact floats. Nothing of it runs code when compared or checked.
bool is_float_vertex(PyObject* v) {
    return PyList_CheckExact(v) && PyList_GET_SIZE(v) >= 2 && PyFloat_CheckExact(PyList_GET_ITEM(v, 0)) &&
           PyFloat_CheckExact(PyList_GET_ITEM(v, 1));
}

// An exact list of float vertices, as the text readers make them.
bool is_float_line(PyObject* line) {
    if (!PyList_CheckExact(line)) return false;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(line); ++i)
        if (!is_float_vertex(PyList_GET_ITEM(line, i))) return false;
    return true;
}

// A float line where no vertex repeats the one before: nothing to drop.
bool without_repeats(PyObject* line) {
    if (!is_float_line(line)) return false;
    for (Py_ssize_t i = 1; i < PyList_GET_SIZE(line); ++i) {
        PyObject* a = PyList_GET_ITEM(line, i - 1);
        PyObject* b = PyList_GET_ITEM(line, i);
        if (known_repr_equal(PyList_GET_ITEM(a, 0), PyList_GET_ITEM(b, 0), 0) == 1 &&
            known_repr_equal(PyList_GET_ITEM(a, 1), PyList_GET_ITEM(b, 1), 0) == 1)
            return false;
    }
    return true;
}

// Drops every vertex whose key equals that of the vertex last kept. A plain
// list is compacted in one pass; other sequences lose items one by one.
void remove_repeats(PyObject* line) {
    if (without_repeats(line)) return;
    Py_ssize_t n = length(line);
    std::vector<Py_ssize_t> dropped;
    VertexKey previous;
    bool have_previous = false;
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref v = item(line, i);
        VertexKey key = VertexKey::of(v.get());
        if (have_previous && key.equals(previous)) {
            dropped.push_back(i);
        } else {
            previous = std::move(key);
            have_previous = true;
        }
    }
    if (dropped.empty()) return;
    if (PyList_CheckExact(line) && PyList_GET_SIZE(line) == n) {
        Ref kept = own(PyList_New(0));
        size_t d = 0;
        for (Py_ssize_t i = 0; i < n; ++i) {
            if (d < dropped.size() && dropped[d] == i) {
                ++d;
                continue;
            }
            check(PyList_Append(kept.get(), PyList_GET_ITEM(line, i)));
        }
        check(PyList_SetSlice(line, 0, n, kept.get()));
        return;
    }
    for (auto it = dropped.rbegin(); it != dropped.rend(); ++it) {
        Ref index = own(PyLong_FromSsize_t(*it));
        check(PyObject_DelItem(line, index.get()));
    }
}

// Appends the first vertex itself when the first and last differ as text.
void close_ring(PyObject* ring) {
    Ref first = item(ring, 0);
    Ref last = item(ring, -1);
    if (repr_equal(first.get(), last.get())) return;
    if (PyList_CheckExact(ring)) {
        check(PyList_Append(ring, first.get()));
    } else {
        Ref r = own(PyObject_CallMethod(ring, "append", "O", first.get()));
    }
}

// float() of members 0 and 1, written back in place.
void set_point(PyObject* vertex) {
    for (Py_ssize_t i = 0; i < 2 && i < PyList_GET_SIZE(vertex); ++i) {
        Ref m = Ref::borrow(PyList_GET_ITEM(vertex, i));
        if (PyFloat_CheckExact(m.get())) continue;
        Ref f = own(PyNumber_Float(m.get()));
        check(PyList_SetItem(vertex, i, f.release()));
    }
}

void check_vertex(PyObject* v) {
    if (!PyList_CheckExact(v)) fail(kDimension);
    set_point(v);
    if (PyList_GET_SIZE(v) <= 1) fail(kDimension);
}

void check_vertices(PyObject* seq) {
    if (is_float_line(seq)) return;  // every check would pass
    for_each_item(seq, [](PyObject* v) { check_vertex(v); });
}

// A line without its repeated vertices, of two vertices or more.
void check_line(PyObject* line) {
    remove_repeats(line);
    if (length(line) <= 1) fail(kFewer1);
    check_vertices(line);
}

// A ring without its repeated vertices, of three vertices or more, closed.
void check_ring(PyObject* ring) {
    remove_repeats(ring);
    if (length(ring) <= 2) fail(kFewer2);
    close_ring(ring);
    check_vertices(ring);
}

// The value of an int code; false for None or a value beyond long long.
bool code_value(PyObject* code, long long& v) {
    if (code == Py_None) return false;
    int overflow = 0;
    v = PyLong_AsLongLongAndOverflow(code, &overflow);
    if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    return overflow == 0;
}

// The end of the refusal of a code outside each family.
constexpr const char* kNotOfFamily[] = {
    "] should be one of [-1,0] in [code] parameter.",
    "] should be one of [-1,1] in [code] parameter.",
    "] should be one of [-1,2] in [code] parameter.",
};

void check_code(PyObject* code, long family) {
    if (code_admits(code, family)) return;
    fail_showing("[", code, kNotOfFamily[family]);
}

}  // namespace

bool code_equals(PyObject* code, long v) {
    long long c = 0;
    return code_value(code, c) && c == v;
}

bool code_admits(PyObject* code, long family) {
    if (code == Py_None) return true;
    long long c = 0;
    return code_value(code, c) && (c == -1 || c == family);
}

Ref validate(PyObject* type, PyObject* coords, PyObject* code) {
    GeomType t = type ? coordinates_type(type) : GeomType::None;
    switch (t) {
        case GeomType::Point:
            check_code(code, 0);
            if (!PyList_CheckExact(coords)) {
                PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "list", Py_TYPE(coords)->tp_name);
                throw PythonErrorSet{};
            }
            set_point(coords);
            if (PyList_GET_SIZE(coords) <= 1) fail(kDimension);
            break;
        case GeomType::MultiPoint:
            check_code(code, 0);
            check_vertices(coords);
            break;
        case GeomType::LineString:
            check_code(code, 1);
            check_line(coords);
            break;
        case GeomType::MultiLineString:
            check_code(code, 1);
            for_each_item(coords, [](PyObject* line) { check_line(line); });
            break;
        case GeomType::Polygon:
            check_code(code, 2);
            for_each_item(coords, [](PyObject* ring) { check_ring(ring); });
            break;
        case GeomType::MultiPolygon:
            check_code(code, 2);
            for_each_item(coords, [](PyObject* polygon) {
                if (!PyList_CheckExact(polygon)) fail(kShouldBeList);
                for_each_item(polygon, [](PyObject* ring) {
                    if (!PyList_CheckExact(ring)) fail(kShouldBeList);
                    check_ring(ring);
                });
            });
            break;
        default:
            fail("Invalid parameter.");
    }
    return geometry_dict(type, coords);
}

}  // namespace tiven::geometry
