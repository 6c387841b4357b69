// The sheet that holds a position, at any scale of the ladder. Boundaries
// follow the series' arithmetic operation by operation, so they are the same
// doubles that the code reader gives for the sheet's code.
#pragma once
#include <string>

#include "mapgrid/sheet_tables.hpp"

namespace tiven::mapgrid {

struct SheetBoundary {
    double north, south, west, east;
};

// The 1:1,000,000 sheet of a position, after the range checks.
struct PositionFrame {
    std::string sign;        // "" north of the equator (also for -0.0), "S" south
    std::string row_letter;  // band letter
    long long column;        // 1 to 60
    std::string new1000000;  // J47, SJ47
    std::string old1000000;  // J-47, SJ-47
};

// Range checks on longitude and latitude, then the 1:1,000,000 codes.
PositionFrame position_frame(const LetterTables& tables, double longitude, double latitude);

// The ladder entry of `scale`, or the wrong-scale error showing `scale_text`.
const SheetScale& require_scale(long long scale, const std::string& scale_text, bool overflowed);

// A sheet finer than 1:1,000,000. The old code is either complete, or the
// old code that `map` gives at `nested_scale` followed by `old_tail`.
struct SheetOfPosition {
    std::string new_code;
    std::string old_code;
    long nested_scale = 0;
    std::string old_tail;
    SheetBoundary boundary{};
};

// `lon1000000` / `lat1000000`: the west and south edge of the 1:1,000,000
// sheet that the frame chose. Rows and columns stay inside that sheet and,
// down the old-code chain, inside the coarser sheet whose code they extend.
SheetOfPosition sheet_of_position(const LetterTables& tables, const PositionFrame& frame,
                                  double longitude, double latitude, double lon1000000,
                                  double lat1000000, const SheetScale& scale);

// The old code of the sheet of `scale` that holds the position, the coarser
// old codes that it extends worked out in turn.
std::string old_code_of(const LetterTables& tables, const PositionFrame& frame, double longitude, double latitude,
                        double lon1000000, double lat1000000, const SheetScale& scale);

// Row (from the north edge) and column (from the west edge) of the sheet of
// `scale` that holds the position, inside the 1:1,000,000 sheet.
struct RowCol {
    long long row, col;
};
RowCol sheet_row_col(double longitude, double latitude, double lon1000000, double lat1000000,
                     const SheetScale& scale);

// The boundary of row/col of `scale` inside the 1:1,000,000 sheet.
SheetBoundary sheet_boundary(double lon1000000, double lat1000000, const SheetScale& scale, RowCol rc);

}  // namespace tiven::mapgrid
