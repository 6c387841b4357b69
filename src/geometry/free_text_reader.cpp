#include "geometry/free_text_reader.hpp"

namespace tiven::geometry {

namespace {

bool is_separator(char32_t c) { return c == U',' || c == 0xFF0C || is_space(c); }

// The runs between separators of the stripped text; a leading or trailing
// comma leaves an empty token at that end, an empty text one empty token.
std::vector<Span> tokens_of(Text t) {
    Span s = strip(t, {0, t.size()});
    std::vector<Span> out;
    size_t i = s.begin;
    for (;;) {
        size_t b = i;
        while (i < s.end && !is_separator(t[i])) ++i;
        out.push_back({b, i});
        if (i == s.end) return out;
        while (i < s.end && is_separator(t[i])) ++i;
    }
}

GeomType type_for(size_t n, int code) {
    if (n < 2 || n % 2 != 0) return GeomType::None;
    switch (code) {
        case 0: return n == 2 ? GeomType::Point : GeomType::MultiPoint;
        case 1: return n == 2 ? GeomType::None : GeomType::LineString;
        case 2: return n >= 6 ? GeomType::Polygon : GeomType::None;
        default: return n == 2 ? GeomType::Point : GeomType::LineString;
    }
}

}  // namespace

FreeText read_free_text(Text t, int code) {
    FreeText out;
    std::vector<Span> tokens = tokens_of(t);
    out.type = type_for(tokens.size(), code);
    if (out.type == GeomType::None) return out;
    Coords& c = out.coords;
    c.tokens = std::move(tokens);
    if (out.type == GeomType::Point) {
        c.close_vertex();
        c.depth = 1;
        return out;
    }
    for (size_t i = 2; i <= c.tokens.size(); i += 2) c.vertex_end.push_back(static_cast<uint32_t>(i));
    if (out.type == GeomType::Polygon) {
        c.close_ring();
        c.depth = 3;
    } else {
        c.depth = 2;
    }
    return out;
}

}  // namespace tiven::geometry
