// The geometry types and their names.
#pragma once

namespace tiven::geometry {

enum class GeomType { None, Point, MultiPoint, LineString, MultiLineString, Polygon, MultiPolygon, GeometryCollection };

// "Point", "MultiPoint", ... ; nullptr for None.
constexpr const char* type_name(GeomType t) {
    switch (t) {
        case GeomType::Point: return "Point";
        case GeomType::MultiPoint: return "MultiPoint";
        case GeomType::LineString: return "LineString";
        case GeomType::MultiLineString: return "MultiLineString";
        case GeomType::Polygon: return "Polygon";
        case GeomType::MultiPolygon: return "MultiPolygon";
        case GeomType::GeometryCollection: return "GeometryCollection";
        default: return nullptr;
    }
}

}  // namespace tiven::geometry
