// Albers equal-area conic with two standard parallels, on the sphere of
// radius a (the flattening is not used). No false origin.
#include "projection/projections.hpp"
#include "projection/pymath.hpp"

namespace tiven::projection {

namespace pm = tiven::pymath;

AlbersCone albers_cone(double a, double originLatitude, double parallel1, double parallel2) {
    const double rad = pm::kPi / 180;
    parallel1 = parallel1 * rad;
    parallel2 = parallel2 * rad;
    const double n = 0.5 * (pm::sin(parallel1) + pm::sin(parallel2));
    const double c = pm::pow(pm::cos(parallel1), 2) + 2 * n * pm::sin(parallel1);
    const double ro0 = pm::div(pm::sqrt(c - 2 * n * pm::sin(pm::radians(originLatitude))), n);
    return {a, n, c, ro0};
}

Pair albers_forward(const AlbersCone& k, double cm, double longitude, double latitude) {
    check_longitude(longitude);
    check_latitude(latitude);
    const double lon = near_meridian(longitude, cm);
    const double cita = k.n * (pm::radians(lon) - pm::radians(cm));
    const double ro = pm::div(pm::sqrt(k.c - 2 * k.n * pm::sin(pm::radians(latitude))), k.n);
    return {ro * pm::sin(cita) * k.a, (k.ro0 - ro * pm::cos(cita)) * k.a};
}

Pair albers_inverse(const AlbersCone& k, double cm, double x, double y) {
    x = pm::div(x, k.a);
    y = pm::div(y, k.a);
    const double n = k.n;
    // A cone opening to the south (n < 0) has its angle measured from the
    // opposite direction; otherwise the longitude comes back off by 180/n.
    const double theta = n < 0 ? pm::atan2(-x, -(k.ro0 - y)) : pm::atan2(x, k.ro0 - y);
    const double longitude = pm::degrees(pm::radians(cm) + theta / n);
    const double rho = pm::sqrt(x * x + (k.ro0 - y) * (k.ro0 - y));
    const double latitude = pm::degrees(pm::asin(pm::div(k.c - pm::square(rho) * n * n, 2 * n)));
    return {wrap_longitude(longitude), latitude};
}

}  // namespace tiven::projection
