#include "mapgrid/sheet_of_position.hpp"

#include <algorithm>
#include <cmath>

#include "core/error.hpp"
#include "core/pynum.hpp"

namespace tiven::mapgrid {

namespace {

// math.floor as an integer. Only a replaced corner lookup can bring a
// non-finite or huge value here; huge ones saturate, as rows and columns are
// clamped to the sheet afterwards anyway.
long long floor_int(double x) {
    if (std::isnan(x)) fail(ErrorKind::ValueError, "cannot convert float NaN to integer");
    if (std::isinf(x)) fail(ErrorKind::OverflowError, "cannot convert float infinity to integer");
    constexpr double kLimit = 4611686018427387904.0;  // 2**62
    const double f = std::floor(x);
    if (f >= kLimit) return static_cast<long long>(kLimit);
    if (f <= -kLimit) return -static_cast<long long>(kLimit);
    return static_cast<long long>(f);
}

long long clamp_index(long long v, long long lo, long long hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

PositionFrame position_frame(const LetterTables& tables, double longitude, double latitude) {
    if (!(-180.0 <= longitude && longitude <= 180.0))
        fail("[" + float_repr(longitude) + "] should be between [-180 \uFF5E +180] in [longitude] parameter.");
    if (!(-90.0 <= latitude && latitude <= 90.0))
        fail("[" + float_repr(latitude) + "] should be between [-90 \uFF5E +90] in [latitude] parameter.");

    PositionFrame f;
    long long row_index = floor_int(std::fabs(latitude) / 4);
    if (!(latitude >= 0.0)) f.sign.push_back('S');
    f.row_letter = char_at(tables.mapcode, row_index);
    // +180 is the eastern edge of column 60; there is no column 61.
    f.column = clamp_index(floor_int(longitude / 6) + 31, 1, 60);
    std::string col = zero_pad(f.column, 2);
    f.new1000000 = f.sign + f.row_letter + col;
    f.old1000000 = f.sign + f.row_letter + "-" + col;
    return f;
}

const SheetScale& require_scale(long long scale, const std::string& scale_text, bool overflowed) {
    const SheetScale* s = overflowed ? nullptr : find_scale(scale);
    if (!s)
        fail("[" + scale_text +
             "] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, "
             "2000, 1000, 500] in [scale] parameter.");
    return *s;
}

RowCol sheet_row_col(double longitude, double latitude, double lon1000000, double lat1000000,
                     const SheetScale& scale) {
    const long long n = scale.n;
    const double nf = static_cast<double>(n);
    long long row = n - floor_int(((latitude - lat1000000) * nf) / 4.0);
    long long col = 1 + floor_int(((longitude - lon1000000) * nf) / 6.0);
    // A position on the parallel or meridian that bounds the chosen
    // 1:1,000,000 sheet, or rounded just across it, keeps to that sheet.
    row = clamp_index(row, 1, n);
    col = clamp_index(col, 1, n);
    if (scale.parent != 0) {
        // Rounding of the products by n can put a position on a shared line
        // into a sheet outside the coarser sheet that the same position gets;
        // the old code is built from that coarser sheet, so stay inside it.
        RowCol p = sheet_row_col(longitude, latitude, lon1000000, lat1000000, *find_scale(scale.parent));
        row = clamp_index(row, (p.row - 1) * scale.m + 1, p.row * scale.m);
        col = clamp_index(col, (p.col - 1) * scale.m + 1, p.col * scale.m);
    }
    return {row, col};
}

SheetBoundary sheet_boundary(double lon1000000, double lat1000000, const SheetScale& scale, RowCol rc) {
    const double nf = static_cast<double>(scale.n);
    SheetBoundary b;
    b.south = lat1000000 + (static_cast<double>(scale.n - rc.row) * 4.0) / nf;
    b.north = b.south + scale.height;
    b.west = lon1000000 + (static_cast<double>(rc.col - 1) * 6.0) / nf;
    b.east = b.west + scale.width;
    return b;
}

SheetOfPosition sheet_of_position(const LetterTables& tables, const PositionFrame& frame,
                                  double longitude, double latitude, double lon1000000,
                                  double lat1000000, const SheetScale& scale) {
    SheetOfPosition out;
    const RowCol rc = sheet_row_col(longitude, latitude, lon1000000, lat1000000, scale);
    const long long row = rc.row, col = rc.col;

    if (scale.letter_index >= 0)
        out.new_code = frame.new1000000 + char_at(tables.scalecode, scale.letter_index) +
                       zero_pad(row, scale.digits) + zero_pad(col, scale.digits);

    // Index of the sheet inside its block (rows and columns are >= 1), row by row from the north-west.
    const long long m = scale.m;
    const long long in_block = ((row - 1) % m) * m + (col - 1) % m;
    switch (scale.scale) {
        case 500000: out.old_code = frame.old1000000 + "-" + char_at(tables.mapword, (row - 1) * 2 + col - 1); break;
        case 250000: out.old_code = frame.old1000000 + "-[" + std::to_string((row - 1) * 4 + col) + "]"; break;
        case 200000:
            out.old_code = frame.old1000000 + "-(" + zero_pad((row - 1) * 6 + col, 2) + ")";
            out.new_code = out.old_code;
            break;
        case 100000: out.old_code = frame.old1000000 + "-" + std::to_string((row - 1) * 12 + col); break;
        case 50000: out.old_tail = std::string("-") + char_at(tables.mapword, in_block); break;
        case 10000: out.old_tail = std::string("-(") + std::to_string(in_block + 1) + ")"; break;
        case 5000: out.old_tail = std::string("-") + char_at(tables.mapword5000, in_block); break;
        default: out.old_tail = std::string("-") + std::to_string(in_block + 1); break;  // 25000, 2000, 1000, 500
    }
    if (!out.old_tail.empty()) out.nested_scale = scale.parent;
    out.boundary = sheet_boundary(lon1000000, lat1000000, scale, rc);
    return out;
}

std::string old_code_of(const LetterTables& tables, const PositionFrame& frame, double longitude, double latitude,
                        double lon1000000, double lat1000000, const SheetScale& scale) {
    if (scale.scale == 1000000) return frame.old1000000;
    const SheetOfPosition s = sheet_of_position(tables, frame, longitude, latitude, lon1000000, lat1000000, scale);
    if (s.nested_scale == 0) return s.old_code;
    return old_code_of(tables, frame, longitude, latitude, lon1000000, lat1000000, *find_scale(s.nested_scale)) +
           s.old_tail;
}

}  // namespace tiven::mapgrid
