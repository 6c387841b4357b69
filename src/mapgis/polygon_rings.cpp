#include "mapgis/polygon_rings.hpp"

#include <algorithm>
#include <unordered_set>

#include "mapgis/record_layout.hpp"
#include "mapgis/vector_header.hpp"

namespace tiven::mapgis {

const char* const kPolygonStyleNames[kPolygonStyleCount] = {
    "fillColor", "fillPattern", "patternHeight", "patternWidth",
    "lineWidth", "patternColor", "layer", "transparent",
};

namespace {

// How many times over one polygon may use the file's vertex pairs.
constexpr int64_t kRepeatAllowance = 8;

struct PolygonLayouts {
    RecordLayout polygon{kFeaturePolygon}, topology{kTopology};
};
const PolygonLayouts& layouts() {
    static const PolygonLayouts l;
    return l;
}

std::vector<uint8_t> read_record_at(BinaryFile& f, int64_t position, const RecordLayout& layout) {
    f.seek(position);
    return read_record(f, layout);
}

}  // namespace

PolygonRecord decode_polygon_record(const uint8_t* p) {
    const RecordLayout& l = layouts().polygon;  // "<1B3i1h2f1h1i1B1h8s"
    PolygonRecord r;
    r.flag = static_cast<uint8_t>(l.integer(p, 0));
    r.polylines = static_cast<int32_t>(l.integer(p, 1));
    r.start = static_cast<int32_t>(l.integer(p, 2));
    r.fill_color = static_cast<int32_t>(l.integer(p, 3));
    r.fill_pattern = static_cast<int16_t>(l.integer(p, 4));
    r.pattern_height = l.real(p, 5);
    r.pattern_width = l.real(p, 6);
    r.line_width = static_cast<int16_t>(l.integer(p, 7));
    r.pattern_color = static_cast<int32_t>(l.integer(p, 8));
    r.transparent = static_cast<uint8_t>(l.integer(p, 9));
    r.layer = static_cast<int16_t>(l.integer(p, 10));
    return r;
}

PolygonRecord read_polygon_record(BinaryFile& f, int64_t polygons_start, int64_t index) {
    const RecordLayout& l = layouts().polygon;
    const int64_t size = static_cast<int64_t>(l.size());
    std::vector<uint8_t> rec = read_record_at(f, offset_add(polygons_start, offset_mul(index + 1, size)), l);
    return decode_polygon_record(rec.data());
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
        const RecordLayout& topology = layouts().topology;
        const RecordLayout& line = polyline_layout();
        std::vector<uint8_t> t = read_record_at(
            f, offset_add(s.topology, number * static_cast<int64_t>(topology.size())), topology);
        std::vector<uint8_t> a = read_record_at(
            f, offset_add(s.arcs, number * static_cast<int64_t>(line.size())), line);
        ChainArc arc;
        arc.start_node = topology.integer(t.data(), 0);
        arc.finish_node = topology.integer(t.data(), 1);
        const int64_t vertices = line.integer(a.data(), 4);
        const int64_t start = line.integer(a.data(), 5);
        arc.vertices = read_vertices(f, offset_add(s.coords, start), vertices);
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
