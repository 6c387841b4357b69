#include "mapgis/polygon_rings.hpp"

#include <algorithm>
#include <unordered_set>

#include "mapgis/record_layout.hpp"

namespace tiven::mapgis {

const char* const kPolygonStyleNames[kPolygonStyleCount] = {
    "fillColor", "fillPattern", "patternHeight", "patternWidth",
    "lineWidth", "patternColor", "layer", "transparent",
};

namespace {

void read_record_at(BinaryFile& f, int64_t position, uint8_t* out, size_t size) {
    seek_checked(f, position);
    if (f.read_into(out, size) != size) fail_struct_size(size);
}

}  // namespace

PolygonRecord decode_polygon_record(const uint8_t* p) {
    PolygonRecord r;
    r.flag = p[0];
    r.polylines = load_le<int32_t>(p + 1);
    r.start = load_le<int32_t>(p + 5);
    r.fill_color = load_le<int32_t>(p + 9);
    r.fill_pattern = load_le<int16_t>(p + 13);
    r.pattern_height = static_cast<double>(load_le<float>(p + 15));
    r.pattern_width = static_cast<double>(load_le<float>(p + 19));
    r.line_width = load_le<int16_t>(p + 23);
    r.pattern_color = load_le<int32_t>(p + 25);
    r.transparent = p[29];
    r.layer = load_le<int16_t>(p + 30);
    return r;
}

PolygonRecord PolygonReader::read_record(int64_t index) {
    uint8_t buf[kPolygonRecordSize];
    read_record_at(f_, s_.polygons + (index + 1) * kPolygonRecordSize, buf, kPolygonRecordSize);
    return decode_polygon_record(buf);
}

std::vector<Ring> PolygonReader::read_rings(const PolygonRecord& record) {
    // The whole arc list is read before any arc; its first entry is skipped.
    seek_checked(f_, s_.coords + record.start + 4);
    std::vector<int32_t> arc_list;
    const int64_t entries = static_cast<int64_t>(record.polylines) - 1;
    if (entries > 0) {
        // One read bounded by the file's size, never by the count alone.
        std::vector<uint8_t> raw = f_.read(entries * 4);
        const int64_t complete = static_cast<int64_t>(raw.size()) / 4;
        arc_list.reserve(static_cast<size_t>(complete));
        for (int64_t k = 0; k < complete; ++k) arc_list.push_back(load_le<int32_t>(raw.data() + 4 * k));
        if (complete < entries) fail_struct_size(4);
    }
    if (entries < 0) return {};

    return chain_rings(arc_list, [this](int64_t number) {
        uint8_t topo[kTopologyRecordSize];
        read_record_at(f_, s_.topology + number * kTopologyRecordSize, topo, kTopologyRecordSize);
        uint8_t line[kArcRecordSize];
        read_record_at(f_, s_.arcs + number * kArcRecordSize, line, kArcRecordSize);
        ChainArc arc;
        arc.start_node = load_le<int32_t>(topo);
        arc.finish_node = load_le<int32_t>(topo + 4);
        const int64_t vertices = load_le<int32_t>(line + 10);
        const int64_t start = load_le<int32_t>(line + 14);
        arc.vertices = read_vertices(f_, s_.coords + start, vertices);
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
