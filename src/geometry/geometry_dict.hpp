// The GeoJSON-geometry dictionary: its members read, its type names, and the
// dictionaries made.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"
#include "geometry/geometry_types.hpp"

namespace tiven::geometry {

// m[key], with the mapping's own error when missing.
Ref member(PyObject* m, PyObject* key);
// key in m.
bool has_member(PyObject* m, PyObject* key);
// d[key] of an exact dict when present; empty Ref when missing.
Ref lookup(PyObject* d, PyObject* key);

// The interned str of a type name (not None).
PyObject* type_str(GeomType t);
// The six type names with coordinates, compared by Python equality.
GeomType coordinates_type(PyObject* name);
// name == the type's name, by Python equality.
bool is_type_name(PyObject* name, GeomType t);

// {'type': type, 'coordinates': coords}
Ref geometry_dict(PyObject* type, PyObject* coords);
// {'type': 'GeometryCollection', 'geometries': members}
Ref geometry_collection(PyObject* members);

}  // namespace tiven::geometry
