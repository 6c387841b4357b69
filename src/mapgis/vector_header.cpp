#include "mapgis/vector_header.hpp"

#include <cstdint>

namespace tiven::mapgis {

const RecordLayout& file_head_layout() { static const RecordLayout l(kFeatureFileHead); return l; }
const RecordLayout& data_head_layout() { static const RecordLayout l(kFeatureDataHead); return l; }
const RecordLayout& field_head_layout() { static const RecordLayout l(kFeatureFieldHead); return l; }
const RecordLayout& field_layout() { static const RecordLayout l(kFeatureField); return l; }
const RecordLayout& polyline_layout() { static const RecordLayout l(kFeaturePolyline); return l; }

FileHead decode_file_head(const uint8_t* r) {
    const RecordLayout& l = file_head_layout();
    FileHead h;
    h.identification = l.bytes(r, 0);
    h.file_type_code = static_cast<int32_t>(l.integer(r, 1));
    h.start = static_cast<int32_t>(l.integer(r, 2));
    h.heads = static_cast<int32_t>(l.integer(r, 3));
    h.crs = static_cast<uint8_t>(l.integer(r, 5));
    h.units = static_cast<uint8_t>(l.integer(r, 6));
    h.projection_type = static_cast<uint8_t>(l.integer(r, 8));
    h.ellipsoid_code = static_cast<uint8_t>(l.integer(r, 9));
    h.central_meridian = l.real(r, 15);
    h.latitude_of_origin = l.real(r, 18);
    h.standard_parallel_1 = l.real(r, 19);
    h.standard_parallel_2 = l.real(r, 20);
    h.false_easting = l.real(r, 21);
    h.false_northing = l.real(r, 22);
    h.ellipsoid_elevation = l.real(r, 24);
    h.projection_elevation = l.real(r, 25);
    h.valid = static_cast<int32_t>(l.integer(r, 27));
    h.total = static_cast<int32_t>(l.integer(r, 28));
    h.valid_polygons = static_cast<int32_t>(l.integer(r, 31));
    h.total_polygons = static_cast<int32_t>(l.integer(r, 32));
    h.x_min = l.real(r, 34);
    h.y_min = l.real(r, 35);
    h.x_max = l.real(r, 36);
    h.y_max = l.real(r, 37);
    return h;
}

DataHead decode_data_head(const uint8_t* r) {
    const RecordLayout& l = data_head_layout();
    return {static_cast<int32_t>(l.integer(r, 0)), static_cast<int32_t>(l.integer(r, 1)),
            static_cast<int16_t>(l.integer(r, 2))};
}

FieldHead decode_field_head(const uint8_t* r) {
    const RecordLayout& l = field_head_layout();
    return {static_cast<int32_t>(l.integer(r, 6)), static_cast<int16_t>(l.integer(r, 14)),
            static_cast<int16_t>(l.integer(r, 16))};
}

FieldDescription decode_field(const uint8_t* r) {
    const RecordLayout& l = field_layout();
    FieldDescription d;
    d.name = l.bytes(r, 0);
    d.type_code = static_cast<uint8_t>(l.integer(r, 1));
    d.size = static_cast<int16_t>(l.integer(r, 3));
    d.length = static_cast<int16_t>(l.integer(r, 4));
    d.digits = static_cast<uint8_t>(l.integer(r, 5));
    return d;
}

const char* field_type_text(int type_code) noexcept {
    switch (type_code) {
        case 1: return "byte";
        case 2: return "int";
        case 3: return "long";
        case 4: return "float";
        case 5: return "double";
        case 8: return "bool";
        default: return "string";
    }
}

int64_t epsg_code(int64_t crs, int64_t projection_type, int64_t ellipsoid_code, int64_t units) noexcept {
    if (crs == 0) return 0;
    if (crs == 1 && projection_type == 0 && ellipsoid_code == 7 && units == 4) return 4326;
    if (crs == 3) {
        if (projection_type == 3) return 9802;  // Lambert conic conformal (2SP)
        if (projection_type == 2) return 9822;  // Albers equal area
        if (projection_type == 4) return 9804;  // Mercator (variant A)
        if (projection_type == 5 && ellipsoid_code == 1) return 4214;  // Beijing 1954
        if (projection_type == 5 && ellipsoid_code == 2) return 4610;  // Xi'an 1980
    }
    return crs == INT64_MIN ? crs : -crs;  // codes are bytes; the guard only keeps -crs defined
}

}  // namespace tiven::mapgis
