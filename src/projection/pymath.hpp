// Python's `math` module and float operators on doubles: the same libm
// results, and the same exceptions where the interpreter raises (domain and
// range errors, division by zero, floor of an infinity). The projections are
// transcriptions of float formulas, so every operation that can fail in
// Python must fail here with the same error, and every other must give the
// same bits.
#pragma once
#include <cmath>

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
// x ** 2 of a Python float.
double square(double x);
// math.floor(x) as the integral double of the int it returns.
double floor(double x);

}  // namespace tiven::pymath
