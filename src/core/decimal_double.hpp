// Decimals and doubles, both ways, exact for every finite double.
#pragma once
#include <cstdint>

namespace tiven {

struct Decimal {
    uint64_t digits;  // no trailing zeros, at most 17 digits
    int exponent;     // value = digits * 10**exponent
};

// The shortest decimal that reads back as x: the digits repr() writes. Among
// the shortest, the one closest to x; of two equally close, the one with an
// even last digit. Precondition: x finite and greater than zero.
Decimal shortest_decimal(double x);

// The double nearest to digits * 10**exponent, halfway cases to even, when a
// quick route settles it; false otherwise (among them: subnormal and
// overflowing results, exact halfway cases), and the caller reads the text.
bool nearest_double(uint64_t digits, int exponent, double& out);

}  // namespace tiven
