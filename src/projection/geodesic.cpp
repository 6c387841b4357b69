// Vincenty's inverse formula on the ellipsoid (a, f). Accurate to well under
// a millimetre where it converges; nearly antipodal points may not converge
// within the pass limit, which the caller reports as "no result".
#include "projection/projections.hpp"
#include "projection/pymath.hpp"

namespace tiven::projection {

namespace pm = tiven::pymath;

namespace {
constexpr int kMaxIterations = 200;              // Vincenty (1975)
constexpr double kConvergenceThreshold = 1e-12;  // radians, about 6 micrometres on the earth
}  // namespace

double reduced_latitude(double f, double latitude_deg) {
    return pm::atan((1 - f) * pm::tan(pm::radians(latitude_deg)));
}

VincentyResult vincenty_iterate(double f, double U1, double U2, double L) {
    VincentyResult r;
    double Lambda = L;
    const double sinU1 = pm::sin(U1), cosU1 = pm::cos(U1);
    const double sinU2 = pm::sin(U2), cosU2 = pm::cos(U2);
    for (int i = 0; i < kMaxIterations; ++i) {
        double sinLambda = pm::sin(Lambda);
        double cosLambda = pm::cos(Lambda);
        double sinSigma = pm::sqrt(pm::square(cosU2 * sinLambda) +
                                   pm::square(cosU1 * sinU2 - sinU1 * cosU2 * cosLambda));
        if (sinSigma == 0) {
            r.coincident = true;
            return r;
        }
        double cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
        double sigma = pm::atan2(sinSigma, cosSigma);
        double sinAlpha = pm::div(cosU1 * cosU2 * sinLambda, sinSigma);
        double cosSqAlpha = 1 - pm::square(sinAlpha);
        // Both points on the equator: cos^2(alpha) is 0 and the term vanishes.
        double cos2SigmaM = cosSqAlpha == 0.0 ? 0.0 : cosSigma - 2 * sinU1 * sinU2 / cosSqAlpha;
        double C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha));
        double LambdaPrev = Lambda;
        Lambda = L + (1 - C) * f * sinAlpha *
                         (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1 + 2 * pm::square(cos2SigmaM))));
        if (std::fabs(Lambda - LambdaPrev) < kConvergenceThreshold) {
            r.converged = true;
            r.sinSigma = sinSigma;
            r.cosSigma = cosSigma;
            r.sigma = sigma;
            r.cosSqAlpha = cosSqAlpha;
            r.cos2SigmaM = cos2SigmaM;
            return r;
        }
    }
    return r;
}

double vincenty_length(const VincentyResult& v, double a, double f) {
    const double b = (1 - f) * a;
    const double uSq = pm::div(v.cosSqAlpha * (pm::square(a) - pm::square(b)), pm::square(b));
    const double A = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)));
    const double B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)));
    const double deltaSigma =
        B * v.sinSigma *
        (v.cos2SigmaM + B / 4 *
                            (v.cosSigma * (-1 + 2 * pm::square(v.cos2SigmaM)) -
                             B / 6 * v.cos2SigmaM * (-3 + 4 * pm::square(v.sinSigma)) *
                                 (-3 + 4 * pm::square(v.cos2SigmaM))));
    return b * A * (v.sigma - deltaSigma);
}

}  // namespace tiven::projection
