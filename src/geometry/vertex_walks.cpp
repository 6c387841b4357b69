#include "geometry/vertex_walks.hpp"

#include <unordered_set>
#include <vector>

#include "core/method.hpp"
#include "core/module_state.hpp"
#include "geometry/geometry_dict.hpp"
#include "geometry/sequence_items.hpp"

namespace tiven::geometry {

namespace {

// Swaps members 0 and 1 of every vertex, each vertex object once per call, so
// a ring whose closing vertex is its first vertex stays closed.
class Swapper {
public:
    void vertex(PyObject* v) {
        if (!seen_.insert(v).second) return;
        keep_.push_back(Ref::borrow(v));
        if (PyList_CheckExact(v)) {
            if (PyList_GET_SIZE(v) < 2) fail(ErrorKind::IndexError, "list index out of range");
            PyObject** items = reinterpret_cast<PyListObject*>(v)->ob_item;
            std::swap(items[0], items[1]);
            return;
        }
        Ref y = item(v, 1);
        Ref x = item(v, 0);
        Ref zero = own(PyLong_FromLong(0));
        Ref one = own(PyLong_FromLong(1));
        check(PyObject_SetItem(v, zero.get(), y.get()));
        check(PyObject_SetItem(v, one.get(), x.get()));
    }

private:
    std::unordered_set<PyObject*> seen_;
    std::vector<Ref> keep_;  // keeps the swapped lists alive while their addresses are remembered
};

// Calls on_vertex on each single vertex and on_line on each vertex list of
// the coordinates of a type.
template <class OnVertex, class OnLine>
void walk_coordinates(GeomType type, PyObject* coords, OnVertex on_vertex, OnLine on_line) {
    switch (type) {
        case GeomType::Point: on_vertex(coords); break;
        case GeomType::MultiPoint: for_each_item(coords, on_vertex); break;
        case GeomType::LineString: on_line(coords); break;
        case GeomType::MultiLineString:
        case GeomType::Polygon: for_each_item(coords, on_line); break;
        case GeomType::MultiPolygon:
            for_each_item(coords, [&](PyObject* poly) { for_each_item(poly, on_line); });
            break;
        default: fail("Invalid geometry type.");
    }
}

// The member list of a collection; empty Ref when `d` holds no such list.
Ref collection_members(PyObject* d, PyObject* type) {
    const InternedNames& names = state().names;
    if (!has_member(d, names.geometries)) return {};
    Ref members = member(d, names.geometries);
    if (is_type_name(type, GeomType::GeometryCollection) && PyList_CheckExact(members.get())) return members;
    return {};
}

}  // namespace

void swap_axes(PyObject* cls, PyObject* d) {
    const InternedNames& names = state().names;
    Ref type = member(d, names.type);
    if (check(PyObject_IsTrue(type.get()))) {
        if (has_member(d, names.coordinates)) {
            Ref coords = member(d, names.coordinates);
            Swapper s;
            auto vertex = [&](PyObject* v) { s.vertex(v); };
            walk_coordinates(coordinates_type(type.get()), coords.get(), vertex,
                             [&](PyObject* line) { for_each_item(line, vertex); });
            return;
        }
        if (Ref members = collection_members(d, type.get())) {
            for_each_item(members.get(), [&](PyObject* geo) {
                Ref r = own(PyObject_CallMethodOneArg(cls, names.swapXY, geo));
            });
            return;
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
            Ref a = item(l, 0);
            Ref b = item(l, -1);
            add(a.get());
            add(b.get());
        } else {
            for_each_item(l, add);
        }
    };
    if (has_member(d, names.coordinates)) {
        Ref coords = member(d, names.coordinates);
        walk_coordinates(coordinates_type(type.get()), coords.get(), add, line);
        return result;
    }
    if (Ref members = collection_members(d, type.get())) {
        for_each_item(members.get(), [&](PyObject* geo) {
            Ref listed = own(PyObject_CallMethodObjArgs(cls, names.getXY, geo, endpoint, nullptr));
            for_each_item(listed.get(), [&](PyObject* t) { check(PyList_Append(result.get(), t)); });
        });
    }
    return result;
}

}  // namespace tiven::geometry
