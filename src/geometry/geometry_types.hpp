// The geometry type names and the family codes that admit them.
#pragma once

namespace tiven::geometry {

enum class GeomType { None, Point, MultiPoint, LineString, MultiLineString, Polygon, MultiPolygon, GeometryCollection };

// "Point", "MultiPoint", ... ; nullptr for None.
const char* type_name(GeomType t);

}  // namespace tiven::geometry
