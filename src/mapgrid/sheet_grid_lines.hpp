// The graticule of sheet lines over a view window: meridians west to east,
// then parallels south to north, each clipped to the window. Line k of a
// scale with n sheets per 1:1,000,000 side lies at (k*6)/n degrees of
// longitude or (k*4)/n of latitude, so no line drifts off by rounding.
#pragma once

namespace tiven::mapgrid {

struct GridStep {
    double delta_lng, delta_lat;
    long scale;
    long long n;
};

// The sheet scale of a zoom level; `zoom_at_least_16` covers ints too large
// for a long long.
GridStep grid_step(long long zoom, bool zoom_at_least_16);

struct GridLine {
    bool meridian;
    double x0, y0, x1, y1;
};

class GridLines {
public:
    // Range and order checks of the window; throws the window's messages.
    GridLines(double north, double south, double west, double east, GridStep step);

    // Number of meridians and parallels of the snapped grid, edges included.
    long long meridian_count() const { return k_east_ - k_west_ + 1; }
    long long parallel_count() const { return k_north_ - k_south_ + 1; }
    const GridStep& step() const { return step_; }

    // The next line inside the window; false when there is none left.
    bool next(GridLine& line);

private:
    double north_, south_, west_, east_;
    GridStep step_;
    long long k_west_, k_east_, k_south_, k_north_;
    double west_grid_, east_grid_, south_grid_, north_grid_;
    long long k_;
    bool meridians_ = true;
};

}  // namespace tiven::mapgrid
