#include "mapgis/point_records.hpp"

#include <cstring>

#include "mapgis/record_layout.hpp"
#include "mapgis/vertices.hpp"

namespace tiven::mapgis {

const char* const kPointStyleNames[point_style::count] = {
    "subGraph", "height", "width", "angle", "lineWidth", "lineSubColor", "radius",
    "circleColor", "flag", "startAngle", "endAngle", "text", "file", "gap", "xGap", "yGap",
    "fontChinese", "fontEnglish", "fontStyle", "layoutHeight", "layoutWidth", "color",
    "layer", "arrangement", "transparent", "fillColor",
};

namespace {

// A record cut short by the end of the file fails as struct.unpack does.
void read_record(BinaryFile& f, uint8_t* out, int64_t size) {
    if (static_cast<int64_t>(f.read_into(out, static_cast<size_t>(size))) != size)
        fail_struct_size(static_cast<size_t>(size));
}

// float32 values widen exactly to double.
double f32(const uint8_t* p) { return static_cast<double>(load_le<float>(p)); }

using K = StyleEntry::Kind;
StyleEntry num(int pos, int64_t v) { return {K::Int, pos, v, 0.0}; }
StyleEntry real(int pos, double v) { return {K::Real, pos, 0, v}; }
StyleEntry colour(int pos, int32_t v) { return {K::Colour, pos, v, 0.0}; }
StyleEntry text(int pos) { return {K::Text, pos, 0, 0.0}; }

}  // namespace

PointHead decode_point_head(const uint8_t* p) {
    PointHead h;
    h.flag = p[0];
    h.text_count = load_le<int16_t>(p + 1);
    h.text_offset = load_le<int32_t>(p + 3);
    h.x = load_le<double>(p + 7);
    h.y = load_le<double>(p + 15);
    h.point_type = static_cast<int8_t>(p[31]);
    h.transparent = p[32];
    return h;
}

PointHead PointRecordReader::read_head(int64_t index) {
    uint8_t buf[kPointHeadSize];
    seek_checked(f_, records_start_ + (index + 1) * kPointRecordSize);
    read_record(f_, buf, kPointHeadSize);
    return decode_point_head(buf);
}

PointStyle PointRecordReader::read_style(const PointHead& head,
                                        const std::function<int64_t()>& text_start) {
    namespace S = point_style;
    PointStyle st;
    const int type = head.point_type;
    if (type < 0 || type > 5) return st;
    st.present = true;

    uint8_t b[kPointBodySize];
    read_record(f_, b, type == 4 ? kPointImageBodySize : kPointBodySize);

    if (type == 0 || type == 4 || type == 5) {
        seek_checked(f_, text_start() + head.text_offset);
        // A negative count reads nothing: the text is empty, never the rest of the file.
        if (head.text_count > 0) st.text = f_.read(head.text_count);
    }

    const int64_t layer = load_le<int32_t>(b + 50);
    const int32_t colour_number = load_le<int32_t>(b + 42);
    auto& e = st.entries;
    switch (type) {
        case 0:  // string "<4f2h2B20s1i4s1i"
            e = {text(S::text), real(S::height, f32(b)), real(S::width, f32(b + 4)),
                 real(S::gap, f32(b + 8)), real(S::angle, f32(b + 12)),
                 num(S::fontChinese, load_le<int16_t>(b + 16)),
                 num(S::fontEnglish, load_le<int16_t>(b + 18)), num(S::fontStyle, b[20]),
                 colour(S::color, colour_number), num(S::layer, layer),
                 num(S::arrangement, b[21]), num(S::transparent, head.transparent)};
            break;
        case 1:  // marker "<1i3f26s1i4s1i"
            e = {num(S::subGraph, load_le<int32_t>(b)), real(S::height, f32(b + 4)),
                 real(S::width, f32(b + 8)), real(S::angle, f32(b + 12)),
                 colour(S::color, colour_number), num(S::layer, layer),
                 num(S::transparent, head.transparent)};
            break;
        case 2:  // circle "<1d1i1f1B25s1i4s1i"
            e = {real(S::radius, load_le<double>(b)), colour(S::circleColor, load_le<int32_t>(b + 8)),
                 real(S::width, f32(b + 12)), num(S::flag, b[16]),
                 colour(S::fillColor, colour_number), num(S::layer, layer),
                 num(S::transparent, head.transparent)};
            break;
        case 3:  // arc "<1d3f22s1i4s1i"
            e = {real(S::radius, load_le<double>(b)), real(S::startAngle, f32(b + 8)),
                 real(S::endAngle, f32(b + 12)), real(S::width, f32(b + 16)),
                 colour(S::circleColor, colour_number), num(S::layer, layer),
                 num(S::transparent, head.transparent)};
            break;
        case 4:  // image "<2d1f"
            e = {text(S::file), real(S::height, load_le<double>(b + 8)),
                 real(S::width, load_le<double>(b)), real(S::angle, f32(b + 16)),
                 num(S::transparent, head.transparent)};
            break;
        case 5:  // text "<4f2h1B3f1B8s1i4s1i"; its colour and layer are not part of the style
            e = {text(S::text), real(S::height, f32(b)), real(S::width, f32(b + 4)),
                 real(S::angle, f32(b + 12)), real(S::xGap, f32(b + 8)),
                 real(S::yGap, f32(b + 21)), num(S::fontChinese, load_le<int16_t>(b + 16)),
                 num(S::fontEnglish, load_le<int16_t>(b + 18)), num(S::fontStyle, b[20]),
                 real(S::layoutHeight, f32(b + 25)), real(S::layoutWidth, f32(b + 29)),
                 num(S::arrangement, b[33]), num(S::transparent, head.transparent)};
            break;
    }
    return st;
}

}  // namespace tiven::mapgis
