// The shortest decimal that reads back as a given double: the digits repr()
// writes. Among the shortest, the one closest to the double; of two equally
// close, the one with an even last digit. Exact for every finite double.
#pragma once
#include <cstdint>

namespace tiven {

struct Decimal {
    uint64_t digits;  // no trailing zeros, at most 17 digits
    int exponent;     // value = digits * 10**exponent
};

// Precondition: x finite and greater than zero.
Decimal shortest_decimal(double x);

}  // namespace tiven
