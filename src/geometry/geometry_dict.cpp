#include "geometry/geometry_dict.hpp"

#include "core/module_state.hpp"

namespace tiven::geometry {

namespace {

constexpr GeomType kWithCoordinates[] = {GeomType::Point,           GeomType::MultiPoint, GeomType::LineString,
                                         GeomType::MultiLineString, GeomType::Polygon,    GeomType::MultiPolygon};

Ref pair_dict(PyObject* k1, PyObject* v1, PyObject* k2, PyObject* v2) {
    Ref out = own(PyDict_New());
    check(PyDict_SetItem(out.get(), k1, v1));
    check(PyDict_SetItem(out.get(), k2, v2));
    return out;
}

}  // namespace

Ref member(PyObject* m, PyObject* key) {
    if (PyDict_CheckExact(m)) {
        PyObject* found = nullptr;
        if (check(PyDict_GetItemRef(m, key, &found))) return Ref::steal(found);
    }
    return own(PyObject_GetItem(m, key));
}

bool has_member(PyObject* m, PyObject* key) {
    if (PyDict_CheckExact(m)) return check(PyDict_Contains(m, key)) == 1;
    return check(PySequence_Contains(m, key)) == 1;
}

Ref lookup(PyObject* d, PyObject* key) {
    PyObject* found = nullptr;
    check(PyDict_GetItemRef(d, key, &found));
    return Ref::steal(found);
}

PyObject* type_str(GeomType t) {
    const InternedNames& names = state().names;
    switch (t) {
        case GeomType::Point: return names.Point;
        case GeomType::MultiPoint: return names.MultiPoint;
        case GeomType::LineString: return names.LineString;
        case GeomType::MultiLineString: return names.MultiLineString;
        case GeomType::Polygon: return names.Polygon;
        case GeomType::MultiPolygon: return names.MultiPolygon;
        case GeomType::GeometryCollection: return names.GeometryCollection;
        default: return nullptr;
    }
}

GeomType coordinates_type(PyObject* name) {
    if (PyUnicode_CheckExact(name)) {
        for (GeomType t : kWithCoordinates)
            if (PyUnicode_CompareWithASCIIString(name, type_name(t)) == 0) return t;
        return GeomType::None;
    }
    for (GeomType t : kWithCoordinates)
        if (is_type_name(name, t)) return t;
    return GeomType::None;
}

bool is_type_name(PyObject* name, GeomType t) {
    return check(PyObject_RichCompareBool(name, type_str(t), Py_EQ)) == 1;
}

Ref geometry_dict(PyObject* type, PyObject* coords) {
    const InternedNames& names = state().names;
    return pair_dict(names.type, type, names.coordinates, coords);
}

Ref geometry_collection(PyObject* members) {
    const InternedNames& names = state().names;
    return pair_dict(names.type, names.GeometryCollection, names.geometries, members);
}

}  // namespace tiven::geometry
