// WKT text: the keyword/body split and the reading of a body by its shape.
// One left-to-right pass per step; no backtracking.
#pragma once
#include <string_view>
#include <vector>

#include "geometry/geometry_types.hpp"
#include "geometry/coords.hpp"
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

struct WktSplit {
    Span keyword;  // the first run of non-blank characters before the body; empty: compact form
    Span body;     // from the first "(" to the last ")" of the text, both included
};

// Precondition: has_bracket_pair(t, '(', ')').
WktSplit split_wkt(Text t);

// The type of a keyword, given upper-cased as str.upper() does, under the
// family code (-1, 0, 1, 2). Throws tiven::Error when the code admits no such keyword.
GeomType keyword_type(std::string_view upper, int code);

struct WktBody {
    GeomType type = GeomType::None;  // GeometryCollection: `members` holds the member texts
    Coords coords;
    std::vector<Span> members;
    bool point_groups = false;  // MultiPoint written as "((x y), ...)": coords hold one-vertex rings
};

// Reads the body under the family code (-1, 0, 1, 2) with the keyword's type
// (None for the compact form). Throws tiven::Error with the module's messages.
WktBody read_wkt_body(Text t, Span body, GeomType type, int code);

}  // namespace tiven::geometry
