#include "mapgis/vertices.hpp"

#include <cmath>
#include <cstring>
#include <string>

#include "core/error.hpp"
#include "mapgis/record_fields.hpp"

namespace tiven::mapgis {

bool same_text(double a, double b) noexcept {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    uint64_t ba, bb;
    std::memcpy(&ba, &a, 8);
    std::memcpy(&bb, &b, 8);
    return ba == bb;
}

Ring read_vertices(BinaryFile& file, int64_t position, int64_t count, bool keep_duplicates) {
    file.seek(position);
    Ring out;
    if (count <= 0) return out;
    int64_t available = file.size() > position ? (file.size() - position) / kVertexSize : 0;
    int64_t whole = count <= available ? count : available;
    out.reserve(static_cast<size_t>(whole));
    // Read in blocks: one pass over the pairs, a bounded buffer.
    constexpr int64_t kBlock = 1024;
    uint8_t buf[kBlock * kVertexSize];
    int64_t done = 0;
    while (done < whole) {
        int64_t n = whole - done < kBlock ? whole - done : kBlock;
        size_t got = file.read_into(buf, static_cast<size_t>(n * kVertexSize));
        if (got != static_cast<size_t>(n * kVertexSize)) fail_struct_size(kVertexSize);
        for (int64_t k = 0; k < n; ++k) {
            Vertex v;
            std::memcpy(&v.x, buf + k * kVertexSize, 8);
            std::memcpy(&v.y, buf + k * kVertexSize + 8, 8);
            if (!keep_duplicates && !out.empty() && same_text(out.back(), v)) continue;
            out.push_back(v);
        }
        done += n;
    }
    if (whole < count) fail_struct_size(kVertexSize);  // the next pair is cut short
    return out;
}

}  // namespace tiven::mapgis
