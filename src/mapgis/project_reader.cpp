#include "mapgis/project_reader.hpp"

namespace tiven::mapgis {

const RecordLayout& project_head_layout() { static const RecordLayout l(kProjectHead); return l; }
const RecordLayout& project_body_layout() { static const RecordLayout l(kProjectBody); return l; }

ProjectHead decode_project_head(const uint8_t* r) {
    const RecordLayout& l = project_head_layout();
    ProjectHead h;
    h.identification = l.bytes(r, 0);
    h.type_code = static_cast<int32_t>(l.integer(r, 1));
    h.files = static_cast<int16_t>(l.integer(r, 2));
    h.x_min = l.real(r, 3);
    h.y_min = l.real(r, 4);
    h.x_max = l.real(r, 5);
    h.y_max = l.real(r, 6);
    h.environment = l.bytes(r, 7);
    h.title = l.bytes(r, 8);
    // 9 Dictionary, 10 Start: not used
    h.layout_x_offset = l.real(r, 11);
    h.layout_y_offset = l.real(r, 12);
    h.layout_x_scale = l.real(r, 13);
    h.layout_y_scale = l.real(r, 14);
    h.layout_rotate = l.real(r, 15);
    h.layout_width = l.real(r, 16);
    h.layout_height = l.real(r, 17);
    return h;
}

ProjectEntry decode_project_entry(const uint8_t* r) {
    const RecordLayout& l = project_body_layout();
    ProjectEntry e;
    e.type = l.bytes(r, 0);
    e.status_code = l.bytes(r, 1);
    e.file = l.bytes(r, 2);
    e.description = l.bytes(r, 3);
    e.x_min = l.real(r, 4);
    e.y_min = l.real(r, 5);
    e.x_max = l.real(r, 6);
    e.y_max = l.real(r, 7);
    e.user_type = l.bytes(r, 8);
    e.group_code = l.bytes(r, 9);
    e.net_work_data = l.bytes(r, 10);
    e.scale_min = l.real(r, 11);
    e.scale_max = l.real(r, 12);
    e.label_flag = l.bytes(r, 13);
    e.label_fields = l.bytes(r, 14);
    e.label_height = l.real(r, 15);
    e.label_color = static_cast<int16_t>(l.integer(r, 16));
    e.label_font = l.bytes(r, 17);
    e.legend_type = l.bytes(r, 18);
    return e;
}

const char* project_entry_type(int64_t code) noexcept {
    switch (code) {
        case 0: return "LineString";
        case 1: return "Point";
        case 2: return "Polygon";
        default: return "Unknown";
    }
}

}  // namespace tiven::mapgis
