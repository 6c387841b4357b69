#include "geometry/vertex_walks.hpp"

#include <unordered_set>
#include <vector>

#include "core/method.hpp"
#include "core/module_state.hpp"
#include "geometry/geometry_dict.hpp"

namespace tiven::geometry {

namespace {

template <class F>
void each(PyObject* seq, F f) {
    Ref it = own(PyObject_GetIter(seq));
    while (Ref v = Ref::steal(PyIter_Next(it.get()))) f(v.get());
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

Ref at(PyObject* seq, Py_ssize_t i) {
    Ref index = own(PyLong_FromSsize_t(i));
    return own(PyObject_GetItem(seq, index.get()));
}

// Swaps members 0 and 1 of every vertex, each vertex object once per call, so
// a ring whose closing vertex is its first vertex stays closed.
class Swapper {
public:
    void vertex(PyObject* v) {
        if (!seen_.insert(v).second) return;
        keep_.push_back(Ref::borrow(v));
        if (PyList_CheckExact(v)) {
            if (PyList_GET_SIZE(v) < 2) {
                fail(ErrorKind::IndexError, "list index out of range");
            }
            PyObject** items = reinterpret_cast<PyListObject*>(v)->ob_item;
            std::swap(items[0], items[1]);
            return;
        }
        Ref y = at(v, 1);
        Ref x = at(v, 0);
        Ref zero = own(PyLong_FromLong(0));
        Ref one = own(PyLong_FromLong(1));
        check(PyObject_SetItem(v, zero.get(), y.get()));
        check(PyObject_SetItem(v, one.get(), x.get()));
    }

private:
    std::unordered_set<PyObject*> seen_;
    std::vector<Ref> keep_;  // keeps the swapped lists alive while their addresses are remembered
};

}  // namespace

void swap_axes(PyObject* cls, PyObject* d) {
    const InternedNames& names = state().names;
    Ref type = member(d, names.type);
    if (check(PyObject_IsTrue(type.get()))) {
        if (has_member(d, names.coordinates)) {
            Ref coords = member(d, names.coordinates);
            Swapper s;
            switch (coordinates_type(type.get())) {
                case GeomType::Point: s.vertex(coords.get()); break;
                case GeomType::MultiPoint:
                case GeomType::LineString: each(coords.get(), [&](PyObject* p) { s.vertex(p); }); break;
                case GeomType::MultiLineString:
                case GeomType::Polygon:
                    each(coords.get(), [&](PyObject* line) { each(line, [&](PyObject* p) { s.vertex(p); }); });
                    break;
                case GeomType::MultiPolygon:
                    each(coords.get(), [&](PyObject* poly) {
                        each(poly, [&](PyObject* line) { each(line, [&](PyObject* p) { s.vertex(p); }); });
                    });
                    break;
                default: fail("Invalid geometry type.");
            }
            return;
        }
        if (has_member(d, names.geometries)) {
            Ref members = member(d, names.geometries);
            if (is_type_name(type.get(), GeomType::GeometryCollection) &&
                PyList_CheckExact(members.get())) {
                each(members.get(), [&](PyObject* geo) {
                    Ref r = own(PyObject_CallMethodOneArg(cls, names.swapXY, geo));
                });
                return;
            }
        }
    }
    fail("Invalid geometry type.");
}

Ref list_vertices(PyObject* cls, PyObject* d, PyObject* endpoint) {
    const InternedNames& names = state().names;
    Ref result = own(PyList_New(0));
    Ref type = member(d, names.type);
    if (!check(PyObject_IsTrue(type.get()))) return result;
    auto add = [&](PyObject* v) {
        Ref t = own(PySequence_Tuple(v));
        check(PyList_Append(result.get(), t.get()));
    };
    auto line = [&](PyObject* l) {
        if (check(PyObject_IsTrue(endpoint))) {
            Ref a = at(l, 0);
            Ref b = at(l, -1);
            add(a.get());
            add(b.get());
        } else {
            each(l, add);
        }
    };
    if (has_member(d, names.coordinates)) {
        Ref coords = member(d, names.coordinates);
        switch (coordinates_type(type.get())) {
            case GeomType::Point: add(coords.get()); break;
            case GeomType::MultiPoint: each(coords.get(), add); break;
            case GeomType::LineString: line(coords.get()); break;
            case GeomType::MultiLineString:
            case GeomType::Polygon: each(coords.get(), line); break;
            case GeomType::MultiPolygon: each(coords.get(), [&](PyObject* poly) { each(poly, line); }); break;
            default: fail("Invalid geometry type.");
        }
        return result;
    }
    if (has_member(d, names.geometries)) {
        Ref members = member(d, names.geometries);
        if (is_type_name(type.get(), GeomType::GeometryCollection) &&
            PyList_CheckExact(members.get())) {
            each(members.get(), [&](PyObject* geo) {
                Ref listed = own(PyObject_CallMethodObjArgs(cls, names.getXY, geo, endpoint, nullptr));
                each(listed.get(), [&](PyObject* t) { check(PyList_Append(result.get(), t)); });
            });
        }
    }
    return result;
}

}  // namespace tiven::geometry
