#include "mapgis/polygon_rings.hpp"

#include <algorithm>
#include <unordered_set>

#include "mapgis/record_fields.hpp"
#include "mapgis/vector_header.hpp"

namespace tiven::mapgis {

const char* const kPolygonStyleNames[kPolygonStyleCount] = {
    "fillColor", "fillPattern", "patternHeight", "patternWidth",
    "lineWidth", "patternColor", "layer", "transparent",
};

namespace {

// How many times over one polygon may use the file's vertex pairs.
constexpr int64_t kRepeatAllowance = 8;

constexpr RecordFormat kPolygon{kFeaturePolygon};
constexpr auto kFlag = kPolygon.field<uint8_t>(0);
constexpr auto kArcCount = kPolygon.field<int32_t>(1);
constexpr auto kArcListStart = kPolygon.field<int32_t>(5);
constexpr auto kFillColor = kPolygon.field<int32_t>(9);
constexpr auto kFillPattern = kPolygon.field<int16_t>(13);
constexpr auto kPatternHeight = kPolygon.field<float>(15);
constexpr auto kPatternWidth = kPolygon.field<float>(19);
constexpr auto kLineWidth = kPolygon.field<int16_t>(23);
constexpr auto kPatternColor = kPolygon.field<int32_t>(25);
constexpr auto kTransparent = kPolygon.field<uint8_t>(29);
constexpr auto kLayer = kPolygon.field<int16_t>(30);

constexpr RecordFormat kArcTopology{kTopology};
constexpr auto kStartNode = kArcTopology.field<int32_t>(0);
constexpr auto kFinishNode = kArcTopology.field<int32_t>(4);

}  // namespace

PolygonRecord read_polygon_record(BinaryFile& f, int64_t polygons_start, int64_t index) {
    f.seek(offset_add(polygons_start, offset_mul(index + 1, kPolygon.size())));
    const auto r = read_record<kPolygon.size()>(f);
    const uint8_t* p = r.data();
    PolygonRecord record;
    record.flag = kFlag.read(p);
    record.polylines = kArcCount.read(p);
    record.start = kArcListStart.read(p);
    record.fill_color = kFillColor.read(p);
    record.fill_pattern = kFillPattern.read(p);
    record.pattern_height = kPatternHeight.read(p);
    record.pattern_width = kPatternWidth.read(p);
    record.line_width = kLineWidth.read(p);
    record.pattern_color = kPatternColor.read(p);
    record.transparent = kTransparent.read(p);
    record.layer = kLayer.read(p);
    return record;
}

std::vector<Ring> read_polygon_rings(BinaryFile& f, const ArcSections& s,
                                     const PolygonRecord& record) {
    // The whole arc list is read before any arc; its first entry is skipped.
    f.seek(offset_add(offset_add(s.coords, record.start), 4));
    std::vector<int32_t> arc_list;
    const int64_t entries = static_cast<int64_t>(record.polylines) - 1;
    if (entries > 0) {
        // One read bounded by the file's size, never by the count alone.
        std::vector<uint8_t> raw = f.read(entries * 4);
        const int64_t complete = static_cast<int64_t>(raw.size()) / 4;
        arc_list.reserve(static_cast<size_t>(complete));
        for (int64_t k = 0; k < complete; ++k) arc_list.push_back(load_le<int32_t>(raw.data() + 4 * k));
        if (complete < entries) fail_struct_size(4);
    }
    if (entries < 0) return {};

    // Arc numbers may repeat, so one record could ask for the same vertices
    // without end; no sound polygon holds more than a few times the vertex
    // pairs that fit in the file.
    const int64_t vertex_limit = kRepeatAllowance * (f.size() / kVertexSize + 1);
    int64_t vertices_held = 0;
    return chain_rings(arc_list, [&f, &s, &record, vertex_limit, &vertices_held](int64_t number) {
        f.seek(offset_add(s.topology, number * int64_t{kArcTopology.size()}));
        const auto t = read_record<kArcTopology.size()>(f);
        const LineRecord line = read_line_record(f, offset_add(s.arcs, number * kLineRecordSize));
        ChainArc arc;
        arc.start_node = kStartNode.read(t.data());
        arc.finish_node = kFinishNode.read(t.data());
        arc.vertices = read_vertices(f, offset_add(s.coords, line.start), line.vertices);
        vertices_held += static_cast<int64_t>(arc.vertices.size());
        if (vertices_held > vertex_limit)
            fail(ErrorKind::ValueError, "polygon arcs at offset " + std::to_string(s.coords + record.start) +
                                            " repeat more vertices than the file holds");
        return arc;
    });
}

std::vector<Ring> chain_rings(const std::vector<int32_t>& arc_list,
                              const std::function<ChainArc(int64_t)>& read_arc) {
    std::vector<Ring> rings;
    std::vector<ChainArc> chain;            // the pending chain
    std::unordered_set<int64_t> finishes;   // finish nodes of the pending chain

    auto append = [&](ChainArc&& arc) {
        finishes.insert(arc.finish_node);
        chain.push_back(std::move(arc));
    };

    const size_t passes = arc_list.size() + 1;  // one more to close what is pending
    for (size_t p = 0; p < passes; ++p) {
        Ring closing;
        bool has_closing = false;
        const int64_t a = p < arc_list.size() ? arc_list[p] : 0;
        if (a != 0) {
            ChainArc arc = read_arc(a < 0 ? -a : a);  // 64-bit: |INT32_MIN| fits
            if (a < 0) {
                std::reverse(arc.vertices.begin(), arc.vertices.end());
                std::swap(arc.start_node, arc.finish_node);
            }
            const int64_t s = arc.start_node, f = arc.finish_node;
            if (chain.empty()) {
                append(std::move(arc));
                continue;
            }
            if (s != f) {
                // An arc ending where a pending one already ends is a repeat: dropped.
                if (!finishes.count(f)) append(std::move(arc));
                continue;
            }
            if (s == 0) {
                // No nodes: the arc closes the chain when it is closed in itself.
                // An arc without vertices never counts as closed.
                const Ring& v = arc.vertices;
                if (v.empty() || !same_text(v.front(), v.back())) {
                    append(std::move(arc));
                    continue;
                }
            } else if (chain.front().start_node != chain.back().finish_node) {
                append(std::move(arc));
                continue;
            }
            closing = std::move(arc.vertices);
            has_closing = true;
        }

        if (!chain.empty()) {
            // A chain that begins with two arcs leaving the same node has its
            // first arc stored backwards: turn it.
            if (chain.size() >= 2 && chain[0].start_node == chain[1].start_node && chain[0].start_node != 0) {
                std::reverse(chain[0].vertices.begin(), chain[0].vertices.end());
                std::swap(chain[0].start_node, chain[0].finish_node);
            }
            Ring joined;
            for (ChainArc& arc : chain) {
                auto from = arc.vertices.begin();
                if (!joined.empty() && from != arc.vertices.end()) ++from;
                joined.insert(joined.end(), from, arc.vertices.end());
            }
            rings.push_back(std::move(joined));
        }
        if (has_closing) rings.push_back(std::move(closing));
        chain.clear();
        finishes.clear();
    }
    return rings;
}

}  // namespace tiven::mapgis
