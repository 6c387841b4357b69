// Head, data-section table and attribute field structure of a MapGIS vector
// file (line, point, polygon). Pure decoding; the binding decodes the texts
// with the caller's codec and builds the object's attributes.
#pragma once
#include <cstdint>
#include <string>

#include "mapgis/binary_file.hpp"
#include "mapgis/record_fields.hpp"

namespace tiven::mapgis {

// The class-level layouts, in the order they are set on the class.
inline constexpr const char* kFeatureFileHead = "<8s3i71s2c16s2c13d1c2d28s6i20s4d";
inline constexpr const char* kFeatureDataHead = "<2i1h";
inline constexpr const char* kFeatureFieldHead = "<2c1h2c6s2i4s128s128s40s2c1h1i1h18s";
inline constexpr const char* kFeatureField = "<20s1B1i2h1B3c2h2s";
inline constexpr const char* kFeaturePointHead = "<1B1h1i2d8s1b1B";
inline constexpr const char* kFeaturePointString = "<4f2h2B20s1i4s1i";
inline constexpr const char* kFeaturePointMarker = "<1i3f26s1i4s1i";
inline constexpr const char* kFeaturePointCircle = "<1d1i1f1B25s1i4s1i";
inline constexpr const char* kFeaturePointArc = "<1d3f22s1i4s1i";
inline constexpr const char* kFeaturePointImage = "<2d1f";
inline constexpr const char* kFeaturePointText = "<4f2h1B3f1B8s1i4s1i";
inline constexpr const char* kFeaturePolyline = "<2B5i1h2B1i1f1B2f3i1h";
inline constexpr const char* kFeaturePolygon = "<1B3i1h2f1h1i1B1h8s";
inline constexpr const char* kTopology = "<4i8s";
inline constexpr const char* kFeatureNode = "<1B2d2i1h";  // node records: kept for completeness, never read

// Each reader reads one whole record at the current position (the struct
// error when the file ends first) and decodes its fields.

struct FileHead {
    std::string identification;  // 8 raw bytes
    int32_t file_type_code, start, heads;
    uint8_t crs, units, projection_type, ellipsoid_code;  // one-byte codes, raw
    double central_meridian, latitude_of_origin, standard_parallel_1, standard_parallel_2,
        false_easting, false_northing, ellipsoid_elevation, projection_elevation;
    int32_t valid, total, valid_polygons, total_polygons;
    double x_min, y_min, x_max, y_max;
};
FileHead read_file_head(BinaryFile& file);

struct DataHead {
    int32_t start, count;
    int16_t end_flag;
};
DataHead read_data_head(BinaryFile& file);

struct FieldHead {
    int32_t field_size;
    int16_t field_count;
    int16_t fields_length;
};
FieldHead read_field_head(BinaryFile& file);

struct FieldDescription {
    std::string name;  // 20 raw bytes
    uint8_t type_code;
    int16_t size, length;
    uint8_t digits;
};
FieldDescription read_field(BinaryFile& file);

// A line record: a line of a line file, or an arc of a polygon file.
inline constexpr int64_t kLineRecordSize = RecordFormat{kFeaturePolyline}.size();
struct LineRecord {
    uint8_t flag;
    int32_t vertices, start;  // vertex pairs, and where they lie in the coordinate area
    int16_t line_no;
    uint8_t sub_line_no, transparent;
    int32_t color;
    float width;
    uint8_t line_type;
    float x_scale, y_scale;
    int32_t sub_color, layer;
};
// Reads the line record at `position`.
LineRecord read_line_record(BinaryFile& file, int64_t position);

// "byte", "int", "long", "float", "double", "bool", else "string".
const char* field_type_text(int type_code) noexcept;
inline bool field_has_decimal(int type_code) noexcept { return type_code == 4 || type_code == 5; }

// The EPSG number from the four codes, first matching row wins.
int64_t epsg_code(int64_t crs, int64_t projection_type, int64_t ellipsoid_code, int64_t units) noexcept;

// File kinds by type code: 0 line, 1 point, 2 polygon.
inline constexpr const char* kLineMagic = "WMAP`D21";
inline constexpr const char* kPointMagic = "WMAP`D22";
inline constexpr const char* kPolygonMagic = "WMAP`D23";

}  // namespace tiven::mapgis
