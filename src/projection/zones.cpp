// Meridian zones: 60 of 6 degrees or 120 of 3 degrees, numbered eastwards
// from Greenwich; a longitude on a border belongs to the zone east of it.
#include <algorithm>

#include "projection/projections.hpp"

namespace tiven::projection {

namespace {

// v // d of Python floats for 0 <= v <= 1000 and d of 3 or 6: the floor of
// the exact quotient. The product with 1/d, truncated, is at most one off it,
// and k * d is exact for these k, so two tests settle it (no fmod, no division).
template <int D>
long long small_floordiv(double v) {
    constexpr double d = D;
    auto k = static_cast<long long>(v * (1.0 / d));
    if (static_cast<double>(k) * d > v) return k - 1;
    if (static_cast<double>(k + 1) * d <= v) return k + 1;
    return k;
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
        const long long zone = small_floordiv<3>(circle360 + 0.5 * 3);
        return std::max(1LL, zone);
    }
    return small_floordiv<6>(circle360 + 6);
}

}  // namespace tiven::projection
