// Meridian zones: 60 of 6 degrees or 120 of 3 degrees, numbered eastwards
// from Greenwich; a longitude on a border belongs to the zone east of it.
#include <algorithm>

#include "core/pynum.hpp"
#include "projection/projections.hpp"

namespace tiven::projection {

long long zone_of(double longitude, bool three_degree) {
    check_longitude(longitude);
    // The sum is rounded before the modulo: -1e-14 lands on 360.0 and so on 0.
    const double circle360 = py_mod(longitude + 360.0, 360.0);
    if (three_degree) {
        // 0 to 1.5 has no zone of its own and counts as zone 1.
        auto zone = static_cast<long long>(py_floordiv(circle360 + 0.5 * 3, 3.0));
        return std::max(1LL, zone);
    }
    return static_cast<long long>(py_floordiv(circle360 + 6, 6.0));
}

}  // namespace tiven::projection
