// Python's number semantics for the pure cores: float text as `repr` gives it,
// `round` (ties to even on the exact binary value) and `'{:.Nf}'.format`.
// Every result matches the interpreter's to the last bit; the tests compare
// them against it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tiven {

// repr(x) of a Python float: "1.0", "0.1", "1e-05", "1e+16", "inf", "-0.0", "nan".
std::string float_repr(double x);
// Writes repr(x) to `buf` (at least kFloatReprMax chars, no terminator) and
// returns its length: the allocation-free form for writers with their own buffers.
inline constexpr size_t kFloatReprMax = 40;
size_t float_repr_chars(double x, char* buf);
// Appends repr(x) to `out` (the writers' hot path).
inline void append_float_repr(std::string& out, double x) {
    char buf[kFloatReprMax];
    out.append(buf, float_repr_chars(x, buf));
}

// '{:.Nf}'.format(x), N >= 0.
std::string format_fixed(double x, int ndigits);

// round(x, ndigits) -> float. Throws OverflowError "rounded value too large to represent".
double py_round(double x, long long ndigits);
// round(x) -> int, as a double holding an integral value (ties to even).
// Throws ValueError "cannot convert float NaN to integer" or
// OverflowError "cannot convert float infinity to integer".
double py_round_int(double x);

}  // namespace tiven
