// Vertex pairs of the coordinate area: two doubles each, back to back, read
// in the host's order (little-endian on every host served).
#pragma once
#include <cstdint>
#include <vector>

#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

struct Vertex {
    double x, y;
};
using Ring = std::vector<Vertex>;

inline constexpr int64_t kVertexSize = 16;  // "2d"

// Two coordinates are "the same text" when Python's repr of them agrees:
// equal bits, or both NaN (every NaN prints as nan; 0.0 and -0.0 differ).
bool same_text(double a, double b) noexcept;
inline bool same_text(const Vertex& a, const Vertex& b) noexcept {
    return same_text(a.x, b.x) && same_text(a.y, b.y);
}

// Seeks to `position` and reads `count` pairs (none when count <= 0). Unless
// `keep_duplicates`, a pair printing like the pair kept before it is dropped,
// so runs collapse to their first pair. A pair cut short by the end of the
// file raises the struct error; a negative position the file's seek error.
// Nothing is allocated beyond what the file holds.
Ring read_vertices(BinaryFile& file, int64_t position, int64_t count, bool keep_duplicates = false);

}  // namespace tiven::mapgis
