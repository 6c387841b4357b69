#include "projection/pymath.hpp"


namespace tiven::pymath {

namespace {
double (*volatile sin_fn)(double) = ::sin;
double (*volatile cos_fn)(double) = ::cos;
double (*volatile pow_fn)(double, double) = ::pow;
}  // namespace

void domain_error() { fail(ErrorKind::ValueError, "math domain error"); }
void range_error() { fail(ErrorKind::OverflowError, "math range error"); }
void zero_division() { fail(ErrorKind::ZeroDivisionError, "float division by zero"); }

double libm_sin(double x) { return sin_fn(x); }
double libm_cos(double x) { return cos_fn(x); }

double log(double x) {
    if (std::isfinite(x)) {
        if (x > 0.0) return ::log(x);
        domain_error();  // log(0) and log(negative)
    }
    if (std::isnan(x) || x > 0.0) return x;
    domain_error();  // log(-inf)
}

double atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return NAN;
    if (std::isinf(y)) {
        if (std::isinf(x)) return std::copysign(std::copysign(1.0, x) == 1.0 ? 0.25 * kPi : 0.75 * kPi, y);
        return std::copysign(0.5 * kPi, y);
    }
    if (std::isinf(x) || y == 0.0) {
        if (std::copysign(1.0, x) == 1.0) return std::copysign(0.0, y);
        return std::copysign(kPi, y);
    }
    return ::atan2(y, x);
}

double pow(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        if (std::isnan(x)) return y == 0.0 ? 1.0 : x;
        if (std::isnan(y)) return x == 1.0 ? 1.0 : y;
        if (std::isinf(x)) {
            bool odd_y = std::isfinite(y) && std::fmod(std::fabs(y), 2.0) == 1.0;
            if (y > 0.0) return odd_y ? x : std::fabs(x);
            if (y == 0.0) return 1.0;
            return odd_y ? std::copysign(0.0, x) : 0.0;
        }
        if (std::fabs(x) == 1.0) return 1.0;
        if (y > 0.0 && std::fabs(x) > 1.0) return y;
        if (y < 0.0 && std::fabs(x) < 1.0) return -y;
        return 0.0;
    }
    double r;
    if (!(y == 2.0 && fast_square(x, r))) r = pow_fn(x, y);
    if (std::isnan(r)) domain_error();                // negative base, fractional power
    if (std::isinf(r)) {
        if (x == 0.0) domain_error();                 // zero to a negative power
        range_error();
    }
    return r;
}

double square_by_pow(double x) {
    if (std::isnan(x)) return x;
    if (std::isinf(x)) return std::fabs(x);
    if (x == 0.0) return 0.0;
    const double r = pow_fn(std::fabs(x), 2.0);
    if (std::isinf(r)) fail(ErrorKind::OverflowError, "(34, 'Numerical result out of range')");
    return r;
}

double floor(double x) {
    if (std::isnan(x)) fail(ErrorKind::ValueError, "cannot convert float NaN to integer");
    if (std::isinf(x)) fail(ErrorKind::OverflowError, "cannot convert float infinity to integer");
    return std::floor(x);
}

}  // namespace tiven::pymath
