// The Python side of the geometry codecs: texts in and out, token values,
// the validation stage and the writers. Used by the Geometry binding only.
#pragma once
#include <Python.h>

#include <string>

#include "core/method.hpp"
#include "core/pyref.hpp"
#include "geometry/geometry_types.hpp"
#include "geometry/coords.hpp"
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

// The code points of a str.
std::u32string text_of(PyObject* str);
// A new str from code points.
Ref str_of(Text t);
Ref str_of(Text t, Span s);

// The nested lists of a coordinate body, with numbers as the json module
// reads them; texts with other tokens are read by the json module itself.
Ref coords_value(Text t, const Coords& c);
// json.loads of the text; linear reader first, the json module for the rest.
Ref json_value(PyObject* str, Text t);

// The six type names with coordinates, compared by Python equality.
GeomType coordinates_type(PyObject* name);
// The interned str of a type name (not None).
PyObject* type_str(GeomType t);

// The validation and normalisation stage: checks and normalises `coords` in
// place and returns {'type': type, 'coordinates': coords}.
Ref validate(PyObject* type, PyObject* coords, PyObject* code);

// True when `code` is None or one of the two values.
bool code_admits(PyObject* code, long family);

// Writers.
Ref geojson_text(PyObject* value);
// WKT body of a geometry with coordinates (type already matched).
// The writers build UTF-8 (lone surrogates encoded as they stand) and make
// one str at the end.
void append_wkt_body(std::string& out, GeomType type, PyObject* coords);
void append_ascii(std::string& out, const char* s);
void append_str(std::string& out, PyObject* str);
Ref str_of_utf8(const std::string& text);

}  // namespace tiven::geometry

namespace tiven::geometry {
// m[key], with the mapping's own error when missing.
Ref member(PyObject* m, PyObject* key);
// key in m.
bool has_member(PyObject* m, PyObject* key);

// The vertex walks of swapXY and getXY over a loaded geometry dictionary `g`;
// members of a collection go through cls.swapXY / cls.getXY.
void swap_axes(PyObject* cls, PyObject* g);
Ref list_vertices(PyObject* cls, PyObject* g, PyObject* endpoint);
}  // namespace tiven::geometry
