// The coordinate tokens of one geometry body, as the text readers find them.
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/text_scan.hpp"

namespace tiven::geometry {

// Nested coordinate tokens: the vertices, rings and polygons of one geometry
// body, each level stored as the end positions of its items.
struct Coords {
    int depth = 0;                    // 1 vertex, 2 vertex list, 3 ring list, 4 polygon list
    std::vector<Span> tokens;         // the members of all vertices, in text order
    std::vector<double> floats;       // per token when the reader read them: a float token's
                                      // value, else NaN (the token is judged as text)
    std::vector<uint32_t> vertex_end; // per vertex: one past its last token
    std::vector<uint32_t> ring_end;   // per ring (depth >= 3): one past its last vertex
    std::vector<uint32_t> poly_end;   // per polygon (depth 4): one past its last ring

    void close_vertex() { vertex_end.push_back(static_cast<uint32_t>(tokens.size())); }
    void close_ring() { ring_end.push_back(static_cast<uint32_t>(vertex_end.size())); }
    void close_poly() { poly_end.push_back(static_cast<uint32_t>(ring_end.size())); }
};

}  // namespace tiven::geometry
