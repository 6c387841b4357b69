// Polygons of a MapGIS polygon file. A polygon record names a list of signed
// arc numbers; each arc is a line record with its vertices and a topology
// record with its start and finish nodes. The rings are chained from the arcs
// by their nodes (by their end vertices where an arc has no nodes). Pure C++.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "mapgis/binary_file.hpp"
#include "mapgis/vertices.hpp"

namespace tiven::mapgis {

// The style names of polygon files, in order.
inline constexpr int kPolygonStyleCount = 8;
extern const char* const kPolygonStyleNames[kPolygonStyleCount];

struct PolygonRecord {
    uint8_t flag = 0;
    int32_t polylines = 0;  // entries in the arc list, the unread first one included
    int32_t start = 0;      // arc list offset in the coordinate area
    int32_t fill_color = 0;
    int16_t fill_pattern = 0;
    double pattern_height = 0.0;  // float32, widened exactly
    double pattern_width = 0.0;
    int16_t line_width = 0;
    int32_t pattern_color = 0;
    uint8_t transparent = 0;
    int16_t layer = 0;
};

// Where the arcs of a polygon file lie (data-section starts).
struct ArcSections {
    int64_t arcs = 0;       // section 0: arc line records
    int64_t coords = 0;     // section 1: arc lists and vertex pairs
    int64_t topology = 0;   // section 3: arc topology records
};

// Reads polygon record index i (slot i + 1 of the section at `polygons_start`);
// throws the struct error when it is cut short.
PolygonRecord read_polygon_record(BinaryFile& file, int64_t polygons_start, int64_t index);

// Reads the record's arc list (whole, before any arc) and its arcs, and
// chains them into rings in the order they close. An empty result means the
// record makes no feature.
std::vector<Ring> read_polygon_rings(BinaryFile& file, const ArcSections& sections,
                                     const PolygonRecord& record);

// Chains arcs into rings. `arc(n)` reads arc n (n > 0) as stored: start
// node, finish node, vertices; the chainer turns backward arcs itself.
struct ChainArc {
    int64_t start_node, finish_node;
    Ring vertices;
};
std::vector<Ring> chain_rings(const std::vector<int32_t>& arc_list,
                              const std::function<ChainArc(int64_t)>& arc);

}  // namespace tiven::mapgis
