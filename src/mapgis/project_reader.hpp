// MapGIS project files (.MPJ): a 1113-byte head, then one 400-byte record per
// member file. Pure decoding of the numbers; texts and one-byte codes are left
// raw for the binding to decode with the caller's codec.
#pragma once
#include <cstdint>
#include <string_view>

#include "mapgis/record_layout.hpp"

namespace tiven::mapgis {

inline constexpr const char* kProjectHead = "<8s1i1h4d640s60s2i7d1h1i169s128s";
inline constexpr const char* kProjectBody = "<2c128s128s4d2c32s2d1c21s1f1h2c30s";
inline constexpr const char* kProjectMagic = "WMAP`D2:";
inline constexpr int32_t kProjectTypeCode = 9;

const RecordLayout& project_head_layout();
const RecordLayout& project_body_layout();

struct ProjectHead {
    std::string_view identification, environment, title;
    int32_t type_code;
    int16_t files;
    double x_min, y_min, x_max, y_max;
    double layout_x_offset, layout_y_offset, layout_x_scale, layout_y_scale, layout_rotate,
        layout_width, layout_height;
};
ProjectHead decode_project_head(const uint8_t* record);  // 1113 bytes

struct ProjectEntry {
    std::string_view type, status_code, file, description, user_type, group_code, net_work_data,
        label_flag, label_fields, label_font, legend_type;
    double x_min, y_min, x_max, y_max, scale_min, scale_max, label_height;
    int16_t label_color;
};
ProjectEntry decode_project_entry(const uint8_t* record);  // 400 bytes

// "LineString", "Point", "Polygon" for 0, 1, 2; "Unknown" for the rest.
const char* project_entry_type(int64_t code) noexcept;

}  // namespace tiven::mapgis
