// Python's `math` module and float operators on doubles: the same libm
// results, and the same exceptions where the interpreter raises (domain and
// range errors, division by zero, floor of an infinity). The projections are
// transcriptions of float formulas, so every operation that can fail in
// Python must fail here with the same error, and every other must give the
// same bits.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/error.hpp"

namespace tiven::pymath {

inline constexpr double kPi = 3.141592653589793;  // math.pi
// The interpreter's factors for math.radians / math.degrees.
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;

[[noreturn]] void domain_error();  // ValueError "math domain error"
[[noreturn]] void range_error();   // OverflowError "math range error"
[[noreturn]] void zero_division();  // ZeroDivisionError "float division by zero"

// libm through pointers the optimiser cannot see through, so that a sin and
// a cos of one angle are never fused into one sincos call.
double libm_sin(double x);
double libm_cos(double x);

inline double radians(double x) { return x * kDegToRad; }
inline double degrees(double x) { return x * kRadToDeg; }

inline double div(double x, double y) {
    if (y == 0.0) zero_division();
    return x / y;
}

inline double sin(double x) {
    double r = libm_sin(x);
    if (std::isnan(r) && !std::isnan(x)) domain_error();
    return r;
}
inline double cos(double x) {
    double r = libm_cos(x);
    if (std::isnan(r) && !std::isnan(x)) domain_error();
    return r;
}
inline double tan(double x) {
    double r = ::tan(x);
    if (std::isnan(r) && !std::isnan(x)) domain_error();
    return r;
}
inline double asin(double x) {
    double r = ::asin(x);
    if (std::isnan(r) && !std::isnan(x)) domain_error();
    return r;
}
inline double atan(double x) { return ::atan(x); }
inline double sqrt(double x) {
    double r = std::sqrt(x);
    if (std::isnan(r) && !std::isnan(x)) domain_error();
    return r;
}
inline double exp(double x) {
    double r = ::exp(x);
    if (std::isinf(r) && std::isfinite(x)) range_error();
    return r;
}
double log(double x);
double atan2(double y, double x);
// math.pow(x, y).
double pow(double x, double y);
// x*x where it is provably what libm's pow(x, 2) returns. The product p is
// the correctly rounded square; its exact error e (Dekker's two-product) says
// how far x^2 lies from p. glibc's pow is within 0.55 ulp of the true value,
// so when |e| stays below 0.4 ulp every other double is out of its reach and
// pow must return p. Near a power of two, or near the ends of the exponent
// range, pow itself is called.
inline bool fast_square(double x, double& out) {
    const double p = x * x;
    if (!(p >= 0x1p-900 && p <= 0x1p+1000)) return false;
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const double c = kSplit * x;
    const double hi = c - (c - x);
    const double lo = x - hi;
    const double e = ((hi * hi - p) + hi * lo + lo * hi) + lo * lo;
    std::uint64_t bits;
    std::memcpy(&bits, &p, sizeof bits);
    if ((bits & 0x000fffffffffffffULL) == 0) {  // p is a power of two
        if (e != 0.0) return false;
        out = p;
        return true;
    }
    bits &= 0x7ff0000000000000ULL;
    double binade;
    std::memcpy(&binade, &bits, sizeof binade);
    const double ulp = binade * 0x1p-52;
    if (!(std::fabs(e) < 0.4 * ulp)) return false;
    out = p;
    return true;
}

// x ** 2 of a Python float whose product fast_square cannot vouch for.
double square_by_pow(double x);
// x ** 2 of a Python float.
inline double square(double x) {
    double r;
    return fast_square(x, r) ? r : square_by_pow(x);
}
// math.floor(x) as the integral double of the int it returns.
double floor(double x);

}  // namespace tiven::pymath
