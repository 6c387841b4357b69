#include "mapgis/point_records.hpp"

#include "mapgis/record_layout.hpp"
#include "mapgis/vector_header.hpp"
#include "mapgis/vertices.hpp"

namespace tiven::mapgis {

const char* const kPointStyleNames[point_style::count] = {
    "subGraph", "height", "width", "angle", "lineWidth", "lineSubColor", "radius",
    "circleColor", "flag", "startAngle", "endAngle", "text", "file", "gap", "xGap", "yGap",
    "fontChinese", "fontEnglish", "fontStyle", "layoutHeight", "layoutWidth", "color",
    "layer", "arrangement", "transparent", "fillColor",
};

namespace {

// The class-level layouts, decoded item by item.
struct PointLayouts {
    RecordLayout head{kFeaturePointHead}, string{kFeaturePointString}, marker{kFeaturePointMarker},
        circle{kFeaturePointCircle}, arc{kFeaturePointArc}, image{kFeaturePointImage},
        text{kFeaturePointText};
};
const PointLayouts& layouts() {
    static const PointLayouts l;
    return l;
}

using K = StyleEntry::Kind;
StyleEntry num(int pos, int64_t v) { return {K::Int, pos, v, 0.0}; }
StyleEntry real(int pos, double v) { return {K::Real, pos, 0, v}; }
StyleEntry colour(int pos, int64_t v) { return {K::Colour, pos, v, 0.0}; }
StyleEntry text(int pos) { return {K::Text, pos, 0, 0.0}; }

}  // namespace

PointHead decode_point_head(const uint8_t* p) {
    const RecordLayout& l = layouts().head;  // "<1B1h1i2d8s1b1B"
    PointHead h;
    h.flag = static_cast<uint8_t>(l.integer(p, 0));
    h.text_count = static_cast<int16_t>(l.integer(p, 1));
    h.text_offset = static_cast<int32_t>(l.integer(p, 2));
    h.x = l.real(p, 3);
    h.y = l.real(p, 4);
    h.point_type = static_cast<int8_t>(l.integer(p, 6));
    h.transparent = static_cast<uint8_t>(l.integer(p, 7));
    return h;
}

PointHead PointRecordReader::read_head(int64_t index) {
    f_.seek(offset_add(records_start_, offset_mul(index + 1, kPointRecordSize)));
    std::vector<uint8_t> rec = read_record(f_, layouts().head);
    return decode_point_head(rec.data());
}

PointStyle PointRecordReader::read_style(const PointHead& head,
                                        const std::function<int64_t()>& text_start) {
    namespace S = point_style;
    const PointLayouts& L = layouts();
    PointStyle st;
    const int type = head.point_type;
    if (type < 0 || type > 5) return st;
    st.present = true;

    // The body follows the head directly; what is left of the slot is not read.
    const RecordLayout* const body_of[6] = {&L.string, &L.marker, &L.circle, &L.arc, &L.image, &L.text};
    const RecordLayout& l = *body_of[type];
    std::vector<uint8_t> rec = read_record(f_, l);
    const uint8_t* b = rec.data();

    if (type == 0 || type == 4 || type == 5) {
        f_.seek(offset_add(text_start(), head.text_offset));
        // A negative count reads nothing: the text is empty, never the rest of the file.
        if (head.text_count > 0) st.text = f_.read(head.text_count);
    }

    auto i = [&](size_t item) { return l.integer(b, item); };
    auto r = [&](size_t item) { return l.real(b, item); };  // float32 widens exactly
    const int64_t transparent = head.transparent;
    auto& e = st.entries;
    switch (type) {
        case 0:  // string
            e = {text(S::text), real(S::height, r(0)), real(S::width, r(1)), real(S::gap, r(2)),
                 real(S::angle, r(3)), num(S::fontChinese, i(4)), num(S::fontEnglish, i(5)),
                 num(S::fontStyle, i(6)), colour(S::color, i(9)), num(S::layer, i(11)),
                 num(S::arrangement, i(7)), num(S::transparent, transparent)};
            break;
        case 1:  // marker
            e = {num(S::subGraph, i(0)), real(S::height, r(1)), real(S::width, r(2)),
                 real(S::angle, r(3)), colour(S::color, i(5)), num(S::layer, i(7)),
                 num(S::transparent, transparent)};
            break;
        case 2:  // circle: its own flag byte, not the record's
            e = {real(S::radius, r(0)), colour(S::circleColor, i(1)), real(S::width, r(2)),
                 num(S::flag, i(3)), colour(S::fillColor, i(5)), num(S::layer, i(7)),
                 num(S::transparent, transparent)};
            break;
        case 3:  // arc
            e = {real(S::radius, r(0)), real(S::startAngle, r(1)), real(S::endAngle, r(2)),
                 real(S::width, r(3)), colour(S::circleColor, i(5)), num(S::layer, i(7)),
                 num(S::transparent, transparent)};
            break;
        case 4:  // image
            e = {text(S::file), real(S::height, r(1)), real(S::width, r(0)), real(S::angle, r(2)),
                 num(S::transparent, transparent)};
            break;
        case 5:  // text block: its colour and layer are not part of the style
            e = {text(S::text), real(S::height, r(0)), real(S::width, r(1)), real(S::angle, r(3)),
                 real(S::xGap, r(2)), real(S::yGap, r(7)), num(S::fontChinese, i(4)),
                 num(S::fontEnglish, i(5)), num(S::fontStyle, i(6)), real(S::layoutHeight, r(8)),
                 real(S::layoutWidth, r(9)), num(S::arrangement, i(10)),
                 num(S::transparent, transparent)};
            break;
    }
    return st;
}

}  // namespace tiven::mapgis
