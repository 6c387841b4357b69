// Point records of a MapGIS point file: a 33-byte head, then the body of the
// point's subtype, in a fixed 93-byte slot; strings, images and text blocks
// also own a text in the coordinate area. Pure C++: the binding turns the
// decoded style entries into the feature's dictionary.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

inline constexpr int64_t kPointRecordSize = 93;  // fixed stride, whatever the body

// Positions in the 26 point style names.
namespace point_style {
enum : int {
    subGraph = 0, height, width, angle, lineWidth, lineSubColor, radius, circleColor, flag,
    startAngle, endAngle, text, file, gap, xGap, yGap, fontChinese, fontEnglish, fontStyle,
    layoutHeight, layoutWidth, color, layer, arrangement, transparent, fillColor,
    count
};
}  // namespace point_style

// The style names of point files, in order.
extern const char* const kPointStyleNames[point_style::count];

struct PointHead {
    uint8_t flag = 0;
    int16_t text_count = 0;
    int32_t text_offset = 0;
    double x = 0.0, y = 0.0;
    int8_t point_type = 0;
    uint8_t transparent = 0;
};

// One entry of a point style: its name's position in the style list and its value.
struct StyleEntry {
    enum class Kind { Int, Real, Text, Colour } kind;
    int position;
    int64_t i = 0;   // Int, and the colour number of Colour
    double d = 0.0;  // Real
};

struct PointStyle {
    bool present = false;            // false: subtype outside 0..5, style None
    std::vector<StyleEntry> entries;  // in key order
    std::vector<uint8_t> text;        // raw bytes of the text/file entry (decoded by the caller)
};

// Reads point record slots of one file: `records_start` is the start of the
// record section, `text_start` that of the coordinate and text area.
class PointRecordReader {
public:
    PointRecordReader(BinaryFile& file, int64_t records_start) : f_(file), records_start_(records_start) {}

    // Reads the head of record index i (slot i + 1). Throws the struct error
    // when the slot is cut short.
    PointHead read_head(int64_t index);

    // Reads the body that follows the head just read (and the text for
    // subtypes 0, 4 and 5, at text_start() + its offset) into the style
    // entries, in key order.
    PointStyle read_style(const PointHead& head, const std::function<int64_t()>& text_start);

private:
    BinaryFile& f_;
    int64_t records_start_;
};

}  // namespace tiven::mapgis
