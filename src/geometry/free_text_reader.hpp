// Free coordinate text: numbers separated by commas (ASCII or full-width) and
// blanks, two to a vertex; the count and the family code give the type.
#pragma once
#include "geometry/geometry_types.hpp"
#include "geometry/coords.hpp"
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

struct FreeText {
    GeomType type = GeomType::None;  // None: the count fits no type under the code
    Coords coords;
};

FreeText read_free_text(Text t, int code);

}  // namespace tiven::geometry
