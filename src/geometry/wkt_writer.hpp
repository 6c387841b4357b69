// WKT text of a geometry dictionary's parts. The writer builds UTF-8 (lone
// surrogates encoded as they stand) and makes one str at the end.
#pragma once
#include <Python.h>

#include <vector>

#include "core/pyref.hpp"
#include "geometry/geometry_types.hpp"

namespace tiven::geometry {

// A geometry with coordinates (type already matched): the upper-case
// keyword, a blank and the body.
Ref wkt_text(GeomType type, PyObject* coords);
// "GEOMETRYCOLLECTION (" + the members' texts joined by "," + ")"; a text
// that is no str is refused as str.join refuses it.
Ref wkt_collection_text(const std::vector<Ref>& member_texts);

}  // namespace tiven::geometry
