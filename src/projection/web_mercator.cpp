// Spherical Mercator of web maps. No clamping near the poles: latitude 90
// gives a large finite y, latitude -90 a domain error of the logarithm.
#include "projection/projections.hpp"
#include "projection/pymath.hpp"

namespace tiven::projection {

namespace pm = tiven::pymath;

Pair web_mercator_forward(double a, double longitude, double latitude) {
    check_longitude(longitude);
    check_latitude(latitude);
    double x = pm::radians(longitude) * a;
    double y = pm::log(pm::tan(pm::radians(90 + latitude) / 2)) * a;
    return {x, y};
}

Pair web_mercator_inverse(double a, double x, double y) {
    double longitude = pm::degrees(pm::div(x, a));
    double latitude = pm::degrees(2 * pm::atan(pm::exp(pm::div(y, a))) - pm::kPi / 2);
    return {longitude, latitude};
}

}  // namespace tiven::projection
