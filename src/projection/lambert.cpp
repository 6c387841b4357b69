// Lambert conformal conic with two standard parallels (EPSG method 9802)
// on the ellipsoid (a, f), false easting and northing 0.
#include "projection/projections.hpp"
#include "projection/pymath.hpp"

namespace tiven::projection {

namespace pm = tiven::pymath;

namespace {

constexpr double kFalseEast = 0.0;
constexpr double kFalseNorth = 0.0;
constexpr double kLatitudeTolerance = 1e-9;  // radians, about 6 mm
constexpr int kLatitudeIterations = 10;      // converges in about five rounds

double calc_m(double phi, double es) { return pm::div(pm::cos(phi), pm::sqrt(1 - es * pm::square(pm::sin(phi)))); }

double calc_t(double phi, double e) {
    const double esinphi = e * pm::sin(phi);
    return pm::div(pm::tan(pm::kPi / 4 - phi / 2), pm::pow(pm::div(1 - esinphi, 1 + esinphi), e / 2));
}

double calc_r(double a, double F, double t, double n) { return (a * F) * pm::pow(t, n); }

double calc_phi(double t_i, double e, double phi) {
    const double esinphi = e * pm::sin(phi);
    return pm::kPi / 2 - 2 * pm::atan(t_i * pm::pow(pm::div(1 - esinphi, 1 + esinphi), e / 2));
}

double solve_phi(double t_i, double e, double init) {
    int i = 0;
    double phi = init;
    double newphi = calc_phi(t_i, e, phi);
    while (std::fabs(newphi - phi) > kLatitudeTolerance && i < kLatitudeIterations) {
        i = i + 1;
        phi = newphi;
        newphi = calc_phi(t_i, e, phi);
    }
    return newphi;
}

// The polar angle of (x, dy) in the cone's own sense. Where the arctangent
// of the quotient already lies in the right half-plane it is kept as is;
// elsewhere (and on the dividing line, where the quotient has no value) the
// two-argument arctangent gives the angle beyond a right angle.
double cone_angle(double x, double dy, double n) {
    if (n > 0 ? dy > 0 : dy < 0) return pm::atan(x / dy);
    return n > 0 ? pm::atan2(x, dy) : pm::atan2(-x, -dy);
}

}  // namespace

LambertCone lambert_cone(double a, double f, double originLatitude, double parallel1, double parallel2) {
    const double rad = pm::kPi / 180;
    parallel1 = parallel1 * rad;
    parallel2 = parallel2 * rad;
    const double es = 2 * f - f * f;
    const double e = pm::sqrt(es);
    const double m1 = calc_m(parallel1, es);
    const double m2 = calc_m(parallel2, es);
    const double tF = calc_t(pm::radians(originLatitude), e);
    const double t1 = calc_t(parallel1, e);
    const double t2 = calc_t(parallel2, e);
    const double n = pm::div(pm::log(pm::div(m1, m2)), pm::log(pm::div(t1, t2)));
    const double F = pm::div(m1, n * pm::pow(t1, n));
    const double rF = calc_r(a, F, tF, n);
    return {a, e, n, F, rF};
}

Pair lambert_forward(const LambertCone& k, double cm, double longitude, double latitude) {
    check_longitude(longitude);
    check_latitude(latitude);
    const double t = calc_t(pm::radians(latitude), k.e);
    const double r = calc_r(k.a, k.F, t, k.n);
    const double theta = k.n * (pm::radians(near_meridian(longitude, cm)) - pm::radians(cm));
    return {kFalseEast + r * pm::sin(theta), (kFalseNorth + k.rF) - r * pm::cos(theta)};
}

Pair lambert_inverse(const LambertCone& k, double cm, double x, double y) {
    const double dx = x - kFalseEast;
    const double dy = k.rF - (y - kFalseNorth);
    const double theta_i = cone_angle(dx, dy, k.n);
    const double s = k.n > 0 ? 1.0 : -1.0;
    const double r_i = s * pm::sqrt(dx * dx + dy * dy);
    const double t_i = pm::pow(pm::div(r_i, k.a * k.F), pm::div(1.0, k.n));
    const double longitude = pm::degrees(pm::div(theta_i, k.n) + pm::radians(cm));
    return {wrap_longitude(longitude), pm::degrees(solve_phi(t_i, k.e, 0.0))};
}

}  // namespace tiven::projection
