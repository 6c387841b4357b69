#include "mapgrid/sheet_grid_lines.hpp"

#include <cmath>
#include <string>

#include "core/error.hpp"
#include "core/pynum.hpp"

namespace tiven::mapgrid {

namespace {

// Python's max(a, b) / min(a, b): the first argument unless the second is
// strictly greater / smaller (so -0.0 and 0.0 keep their order).
double py_max(double a, double b) { return b > a ? b : a; }
double py_min(double a, double b) { return b < a ? b : a; }

std::string shown(double v) { return float_repr(v); }

// Position of line k: (k*span)/n degrees, span 6 for meridians, 4 for parallels.
double line_at(long long k, long long span, long long n) {
    return static_cast<double>(k * span) / static_cast<double>(n);
}

void check_within(double v, int limit, const char* name) {
    if (!(-limit <= v && v <= limit)) {
        const std::string l = std::to_string(limit);
        fail("[" + shown(v) + "] should be between [-" + l + " \uFF5E +" + l + "] in [" + name + "] parameter.");
    }
}

void check_order(double low, double high, const char* low_name, const char* high_name) {
    if (low > high)
        fail(std::string("[") + high_name + ":" + shown(high) + "] should be greater than [" + low_name + ":" +
             shown(low) + "] in parameters.");
}

// The quotient may round across a whole number when an edge lies on a line,
// so each first guess is settled against the positions the lines are
// yielded at: the last line at or below the edge, the first at or above it.
long long line_at_or_below(double edge, double step, long long span, long long n) {
    auto k = static_cast<long long>(std::floor(edge / step));
    while (line_at(k + 1, span, n) <= edge) ++k;
    while (line_at(k, span, n) > edge) --k;
    return k;
}

long long line_at_or_above(double edge, double step, long long span, long long n) {
    auto k = static_cast<long long>(std::ceil(edge / step));
    while (line_at(k - 1, span, n) >= edge) --k;
    while (line_at(k, span, n) < edge) ++k;
    return k;
}

}  // namespace

GridStep grid_step(long long zoom, bool zoom_at_least_16) {
    long long n = 1;
    long scale = 1000000;
    if (zoom_at_least_16 || zoom >= 16) { n = 2304; scale = 500; }
    else if (zoom == 15) { n = 1152; scale = 1000; }
    else if (zoom == 14) { n = 576; scale = 2000; }
    else if (zoom == 13) { n = 192; scale = 5000; }
    else if (zoom == 12) { n = 96; scale = 10000; }
    else if (zoom == 11) { n = 48; scale = 25000; }
    else if (zoom == 10) { n = 24; scale = 50000; }
    else if (zoom == 9) { n = 12; scale = 100000; }
    else if (zoom == 8) { n = 6; scale = 200000; }
    else if (zoom == 7) { n = 4; scale = 250000; }
    else if (zoom == 6) { n = 2; scale = 500000; }
    const double nf = static_cast<double>(n);
    return {6.0 / nf, 4.0 / nf, scale, n};
}

GridLines::GridLines(double north, double south, double west, double east, GridStep step)
    : north_(north), south_(south), west_(west), east_(east), step_(step) {
    check_within(north, 90, "north");
    check_within(south, 90, "south");
    check_order(south, north, "south", "north");
    check_within(west, 180, "west");
    check_within(east, 180, "east");
    check_order(west, east, "west", "east");

    // Snapped outward: south and west down to a line, north and east up to one.
    const long long n = step.n;
    k_south_ = line_at_or_below(south, step.delta_lat, 4, n);
    k_north_ = line_at_or_above(north, step.delta_lat, 4, n);
    k_west_ = line_at_or_below(west, step.delta_lng, 6, n);
    k_east_ = line_at_or_above(east, step.delta_lng, 6, n);
    north_grid_ = line_at(k_north_, 4, n);
    south_grid_ = line_at(k_south_, 4, n);
    west_grid_ = line_at(k_west_, 6, n);
    east_grid_ = line_at(k_east_, 6, n);
    k_ = k_west_;
}

bool GridLines::next(GridLine& line) {
    if (meridians_) {
        for (; k_ <= k_east_; ++k_) {
            const double lng = line_at(k_, 6, step_.n);
            if (west_ <= lng && lng <= east_) {
                ++k_;
                line = {true, lng, py_max(south_, south_grid_), lng, py_min(north_, north_grid_)};
                return true;
            }
        }
        meridians_ = false;
        k_ = k_south_;
    }
    for (; k_ <= k_north_; ++k_) {
        const double lat = line_at(k_, 4, step_.n);
        if (south_ <= lat && lat <= north_) {
            ++k_;
            line = {false, py_max(west_, west_grid_), lat, py_min(east_, east_grid_), lat};
            return true;
        }
    }
    return false;
}

}  // namespace tiven::mapgrid
