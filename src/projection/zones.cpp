// Meridian zones: 60 of 6 degrees or 120 of 3 degrees, numbered eastwards
// from Greenwich; a longitude on a border belongs to the zone east of it.
#include <algorithm>
#include <cmath>

#include "projection/projections.hpp"

namespace tiven::projection {

namespace {

// v // d of Python floats for 0 <= v <= 1000 and d of 3 or 6: the floor of
// the exact quotient. The rounded quotient is never below it and at most one
// above, and q * d is exact, so one test settles it (no fmod).
double small_floordiv(double v, double d) {
    const double q = std::floor(v / d);
    return q * d > v ? q - 1 : q;
}

}  // namespace

long long zone_of(double longitude, bool three_degree) {
    check_longitude(longitude);
    // The sum is rounded before the modulo: -1e-14 lands on 360.0 and so on 0.
    // Within 180..540 the modulo by 360 is one exact subtraction.
    const double turned = longitude + 360.0;
    const double circle360 = turned < 360.0 ? turned : turned - 360.0;
    if (three_degree) {
        // 0 to 1.5 has no zone of its own and counts as zone 1.
        auto zone = static_cast<long long>(small_floordiv(circle360 + 0.5 * 3, 3.0));
        return std::max(1LL, zone);
    }
    return static_cast<long long>(small_floordiv(circle360 + 6, 6.0));
}

}  // namespace tiven::projection
