#include "mapgis/point_records.hpp"

#include <algorithm>

#include "mapgis/record_fields.hpp"
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

constexpr RecordFormat kHead{kFeaturePointHead};
constexpr auto kFlag = kHead.field<uint8_t>(0);
constexpr auto kTextCount = kHead.field<int16_t>(1);
constexpr auto kTextOffset = kHead.field<int32_t>(3);
constexpr auto kX = kHead.field<double>(7);
constexpr auto kY = kHead.field<double>(15);
constexpr auto kPointType = kHead.field<int8_t>(31);
constexpr auto kTransparent = kHead.field<uint8_t>(32);

// The bodies of the six subtypes, in subtype order.
namespace string_body {
constexpr RecordFormat kFormat{kFeaturePointString};
constexpr auto kHeight = kFormat.field<float>(0), kWidth = kFormat.field<float>(4), kGap = kFormat.field<float>(8),
               kAngle = kFormat.field<float>(12);
constexpr auto kFontChinese = kFormat.field<int16_t>(16), kFontEnglish = kFormat.field<int16_t>(18);
constexpr auto kFontStyle = kFormat.field<uint8_t>(20), kArrangement = kFormat.field<uint8_t>(21);
constexpr auto kColor = kFormat.field<int32_t>(42), kLayer = kFormat.field<int32_t>(50);
}  // namespace string_body
namespace marker_body {
constexpr RecordFormat kFormat{kFeaturePointMarker};
constexpr auto kSubGraph = kFormat.field<int32_t>(0);
constexpr auto kHeight = kFormat.field<float>(4), kWidth = kFormat.field<float>(8), kAngle = kFormat.field<float>(12);
constexpr auto kColor = kFormat.field<int32_t>(42), kLayer = kFormat.field<int32_t>(50);
}  // namespace marker_body
namespace circle_body {
constexpr RecordFormat kFormat{kFeaturePointCircle};
constexpr auto kRadius = kFormat.field<double>(0);
constexpr auto kCircleColor = kFormat.field<int32_t>(8);
constexpr auto kWidth = kFormat.field<float>(12);
constexpr auto kCircleFlag = kFormat.field<uint8_t>(16);
constexpr auto kFillColor = kFormat.field<int32_t>(42), kLayer = kFormat.field<int32_t>(50);
}  // namespace circle_body
namespace arc_body {
constexpr RecordFormat kFormat{kFeaturePointArc};
constexpr auto kRadius = kFormat.field<double>(0);
constexpr auto kStartAngle = kFormat.field<float>(8), kEndAngle = kFormat.field<float>(12),
               kWidth = kFormat.field<float>(16);
constexpr auto kCircleColor = kFormat.field<int32_t>(42), kLayer = kFormat.field<int32_t>(50);
}  // namespace arc_body
namespace image_body {
constexpr RecordFormat kFormat{kFeaturePointImage};
constexpr auto kWidth = kFormat.field<double>(0), kHeight = kFormat.field<double>(8);
constexpr auto kAngle = kFormat.field<float>(16);
}  // namespace image_body
namespace text_body {
constexpr RecordFormat kFormat{kFeaturePointText};
constexpr auto kHeight = kFormat.field<float>(0), kWidth = kFormat.field<float>(4), kXGap = kFormat.field<float>(8),
               kAngle = kFormat.field<float>(12);
constexpr auto kFontChinese = kFormat.field<int16_t>(16), kFontEnglish = kFormat.field<int16_t>(18);
constexpr auto kFontStyle = kFormat.field<uint8_t>(20);
constexpr auto kYGap = kFormat.field<float>(21), kLayoutHeight = kFormat.field<float>(25),
               kLayoutWidth = kFormat.field<float>(29);
constexpr auto kArrangement = kFormat.field<uint8_t>(33);
}  // namespace text_body

constexpr uint32_t kBodySize[6] = {string_body::kFormat.size(), marker_body::kFormat.size(),
                                   circle_body::kFormat.size(), arc_body::kFormat.size(),
                                   image_body::kFormat.size(), text_body::kFormat.size()};
constexpr uint32_t kLargestBody = 54;
static_assert(std::ranges::max(kBodySize) == kLargestBody && kHead.size() + kLargestBody <= kPointRecordSize);

using K = StyleEntry::Kind;
StyleEntry num(int pos, int64_t v) { return {K::Int, pos, v, 0.0}; }
StyleEntry real(int pos, double v) { return {K::Real, pos, 0, v}; }
StyleEntry colour(int pos, int64_t v) { return {K::Colour, pos, v, 0.0}; }
StyleEntry text(int pos) { return {K::Text, pos, 0, 0.0}; }

// The style entries of a body, in key order.
std::vector<StyleEntry> style_entries(int type, const uint8_t* b, int64_t transparent) {
    namespace S = point_style;
    switch (type) {
        case 0: {
            using namespace string_body;
            return {text(S::text), real(S::height, kHeight.read(b)), real(S::width, kWidth.read(b)),
                    real(S::gap, kGap.read(b)), real(S::angle, kAngle.read(b)),
                    num(S::fontChinese, kFontChinese.read(b)), num(S::fontEnglish, kFontEnglish.read(b)),
                    num(S::fontStyle, kFontStyle.read(b)), colour(S::color, kColor.read(b)),
                    num(S::layer, kLayer.read(b)), num(S::arrangement, kArrangement.read(b)),
                    num(S::transparent, transparent)};
        }
        case 1: {
            using namespace marker_body;
            return {num(S::subGraph, kSubGraph.read(b)), real(S::height, kHeight.read(b)),
                    real(S::width, kWidth.read(b)), real(S::angle, kAngle.read(b)), colour(S::color, kColor.read(b)),
                    num(S::layer, kLayer.read(b)), num(S::transparent, transparent)};
        }
        case 2: {  // its own flag byte, not the record's
            using namespace circle_body;
            return {real(S::radius, kRadius.read(b)), colour(S::circleColor, kCircleColor.read(b)),
                    real(S::width, kWidth.read(b)), num(S::flag, kCircleFlag.read(b)),
                    colour(S::fillColor, kFillColor.read(b)), num(S::layer, kLayer.read(b)),
                    num(S::transparent, transparent)};
        }
        case 3: {
            using namespace arc_body;
            return {real(S::radius, kRadius.read(b)), real(S::startAngle, kStartAngle.read(b)),
                    real(S::endAngle, kEndAngle.read(b)), real(S::width, kWidth.read(b)),
                    colour(S::circleColor, kCircleColor.read(b)), num(S::layer, kLayer.read(b)),
                    num(S::transparent, transparent)};
        }
        case 4: {
            using namespace image_body;
            return {text(S::file), real(S::height, kHeight.read(b)), real(S::width, kWidth.read(b)),
                    real(S::angle, kAngle.read(b)), num(S::transparent, transparent)};
        }
        default: {  // text block: its colour and layer are not part of the style
            using namespace text_body;
            return {text(S::text), real(S::height, kHeight.read(b)), real(S::width, kWidth.read(b)),
                    real(S::angle, kAngle.read(b)), real(S::xGap, kXGap.read(b)), real(S::yGap, kYGap.read(b)),
                    num(S::fontChinese, kFontChinese.read(b)), num(S::fontEnglish, kFontEnglish.read(b)),
                    num(S::fontStyle, kFontStyle.read(b)), real(S::layoutHeight, kLayoutHeight.read(b)),
                    real(S::layoutWidth, kLayoutWidth.read(b)), num(S::arrangement, kArrangement.read(b)),
                    num(S::transparent, transparent)};
        }
    }
}

}  // namespace

PointHead PointRecordReader::read_head(int64_t index) {
    f_.seek(offset_add(records_start_, offset_mul(index + 1, kPointRecordSize)));
    const auto r = read_record<kHead.size()>(f_);
    const uint8_t* p = r.data();
    PointHead h;
    h.flag = kFlag.read(p);
    h.text_count = kTextCount.read(p);
    h.text_offset = kTextOffset.read(p);
    h.x = kX.read(p);
    h.y = kY.read(p);
    h.point_type = kPointType.read(p);
    h.transparent = kTransparent.read(p);
    return h;
}

PointStyle PointRecordReader::read_style(const PointHead& head,
                                        const std::function<int64_t()>& text_start) {
    PointStyle st;
    const int type = head.point_type;
    if (type < 0 || type > 5) return st;
    st.present = true;

    // The body follows the head directly; what is left of the slot is not read.
    uint8_t body[kLargestBody];
    read_exact(f_, body, kBodySize[type]);

    if (type == 0 || type == 4 || type == 5) {
        f_.seek(offset_add(text_start(), head.text_offset));
        // A negative count reads nothing: the text is empty, never the rest of the file.
        if (head.text_count > 0) st.text = f_.read(head.text_count);
    }
    st.entries = style_entries(type, body, head.transparent);
    return st;
}

}  // namespace tiven::mapgis
