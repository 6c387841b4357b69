// MapGIS project files (.MPJ): a 1113-byte head, then one 400-byte record per
// member file. Pure decoding of the numbers; texts and one-byte codes are left
// raw for the binding to decode with the caller's codec.
#pragma once
#include <cstdint>
#include <string>

#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

inline constexpr const char* kProjectHead = "<8s1i1h4d640s60s2i7d1h1i169s128s";
inline constexpr const char* kProjectBody = "<2c128s128s4d2c32s2d1c21s1f1h2c30s";
inline constexpr const char* kProjectMagic = "WMAP`D2:";
inline constexpr int32_t kProjectTypeCode = 9;

// Each reader reads one whole record at the current position (the struct
// error when the file ends first) and decodes its fields.

struct ProjectHead {
    std::string identification, environment, title;
    int32_t type_code;
    int16_t files;
    double x_min, y_min, x_max, y_max;
    double layout_x_offset, layout_y_offset, layout_x_scale, layout_y_scale, layout_rotate,
        layout_width, layout_height;
};
ProjectHead read_project_head(BinaryFile& file);

struct ProjectEntry {
    std::string type, status_code, file, description, user_type, group_code, net_work_data,
        label_flag, label_fields, label_font, legend_type;
    double x_min, y_min, x_max, y_max, scale_min, scale_max, label_height;
    int16_t label_color;
};
ProjectEntry read_project_entry(BinaryFile& file);

}  // namespace tiven::mapgis
