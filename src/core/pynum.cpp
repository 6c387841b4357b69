#include "core/pynum.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/decimal_double.hpp"
#include "core/error.hpp"

namespace tiven {

namespace {

// Two-digit groups "00" .. "99".
constexpr auto kDigitPairs = [] {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

// Eight digits of v < 10**8, leading zeros kept.
inline void write8(char* out, uint32_t v) {
    uint32_t hi = v / 10000, lo = v % 10000;
    std::memcpy(out, &kDigitPairs[2 * (hi / 100)], 2);
    std::memcpy(out + 2, &kDigitPairs[2 * (hi % 100)], 2);
    std::memcpy(out + 4, &kDigitPairs[2 * (lo / 100)], 2);
    std::memcpy(out + 6, &kDigitPairs[2 * (lo % 100)], 2);
}

// Number of decimal digits of 0 < v < 10**17.
inline int digit_count(uint64_t v) {
    static constexpr uint64_t kPow[] = {1ULL,
                                        10ULL,
                                        100ULL,
                                        1000ULL,
                                        10000ULL,
                                        100000ULL,
                                        1000000ULL,
                                        10000000ULL,
                                        100000000ULL,
                                        1000000000ULL,
                                        10000000000ULL,
                                        100000000000ULL,
                                        1000000000000ULL,
                                        10000000000000ULL,
                                        100000000000000ULL,
                                        1000000000000000ULL,
                                        10000000000000000ULL,
                                        100000000000000000ULL};
    int t = static_cast<int>(std::bit_width(v)) * 1233 >> 12;  // log10 of v, or one more
    return t + 1 - (v < kPow[t]);
}

// Pieces of the layout are copied in fixed-size blocks that may run past
// their end: the text's own later bytes or its length make up for it.
constexpr size_t kBlock = 17;
static_assert(kFloatReprMax >= 1 + 16 + 1 + kBlock, "a block copy stays inside the buffer");

}  // namespace

size_t float_repr_chars(double x, char* buf) {
    auto put = [&](const char* s, size_t n) {
        std::memcpy(buf, s, n);
        return n;
    };
    if (std::isnan(x)) return put("nan", 3);
    if (std::isinf(x)) return x < 0 ? put("-inf", 4) : put("inf", 3);
    if (x == 0.0) return std::signbit(x) ? put("-0.0", 4) : put("0.0", 3);

    // Shortest round-trip digits, then Python's layout rules.
    size_t n = 0;
    if (x < 0) {
        buf[n++] = '-';
        x = -x;
    }
    Decimal dec = shortest_decimal(x);
    char field[17 + kBlock] = {};
    field[0] = static_cast<char>('0' + dec.digits / 10000000000000000ULL);
    write8(field + 1, static_cast<uint32_t>(dec.digits / 100000000 % 100000000));
    write8(field + 9, static_cast<uint32_t>(dec.digits % 100000000));
    int nd = digit_count(dec.digits);
    const char* digits = field + 17 - nd;
    int decpt = nd + dec.exponent;  // value = 0.DIGITS * 10**decpt

    if (decpt <= -4 || decpt > 16) {
        buf[n++] = digits[0];
        if (nd > 1) {
            buf[n++] = '.';
            std::memcpy(buf + n, digits + 1, static_cast<size_t>(nd - 1));
            n += static_cast<size_t>(nd - 1);
        }
        int e = decpt - 1;
        buf[n++] = 'e';
        buf[n++] = e < 0 ? '-' : '+';
        int ae = e < 0 ? -e : e;
        if (ae >= 100) {
            buf[n++] = static_cast<char>('0' + ae / 100);
            ae %= 100;
        }
        buf[n++] = static_cast<char>('0' + ae / 10);
        buf[n++] = static_cast<char>('0' + ae % 10);
    } else if (decpt <= 0) {
        std::memcpy(buf + n, "0.000", 5);
        n += static_cast<size_t>(2 - decpt);
        std::memcpy(buf + n, digits, kBlock);
        n += static_cast<size_t>(nd);
    } else if (decpt >= nd) {
        std::memcpy(buf + n, digits, kBlock);
        n += static_cast<size_t>(nd);
        std::memcpy(buf + n, "0000000000000000", 16);
        n += static_cast<size_t>(decpt - nd);
        std::memcpy(buf + n, ".0", 2);
        n += 2;
    } else {
        std::memcpy(buf + n, digits, kBlock);
        n += static_cast<size_t>(decpt);
        buf[n++] = '.';
        std::memcpy(buf + n, digits + decpt, kBlock);
        n += static_cast<size_t>(nd - decpt);
    }
    return n;
}

std::string float_repr(double x) {
    std::string s;
    append_float_repr(s, x);
    return s;
}

std::string format_fixed(double x, int ndigits) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    // glibc prints the exact binary value correctly rounded, ties to even,
    // as the interpreter's own formatter does.
    int n = std::snprintf(nullptr, 0, "%.*f", ndigits, x);
    std::string s(static_cast<size_t>(n), '\0');
    std::snprintf(s.data(), s.size() + 1, "%.*f", ndigits, x);
    return s;
}

namespace {

// Rounds the exact decimal expansion of x to a multiple of 10**(-ndigits)
// for ndigits < 0, ties to even; returns the decimal text.
std::string round_negative(double x, long long ndigits) {
    // The fraction never decides a tie at a power of ten >= 10, except when the
    // integer part sits exactly on the half: then the fraction breaks the tie.
    double frac = std::fabs(x) - std::floor(std::fabs(x));
    std::string ip = format_fixed(std::floor(std::fabs(x)), 0);
    size_t k = static_cast<size_t>(-ndigits);
    if (k > ip.size()) return "0";
    std::string head = ip.substr(0, ip.size() - k);
    std::string tail = ip.substr(ip.size() - k);
    if (head.empty()) head.assign(1, '0');
    int cmp;  // tail vs 5000...
    std::string half(k, '0');
    half[0] = '5';
    if (tail > half) cmp = 1;
    else if (tail < half) cmp = -1;
    else cmp = frac > 0 ? 1 : 0;
    bool up = cmp > 0 || (cmp == 0 && ((head.back() - '0') % 2 == 1));
    if (up) {
        int i = static_cast<int>(head.size()) - 1;
        while (i >= 0 && head[i] == '9') { head[i] = '0'; --i; }
        if (i < 0) head.insert(head.begin(), '1');
        else head[i]++;
    }
    head.append(k, '0');
    return head;
}

}  // namespace

double py_round(double x, long long ndigits) {
    // Limits of the interpreter's float round.
    constexpr long long kMax = static_cast<long long>((53 - (-1021)) * 0.30102999566398119521373889472449302676818988);
    constexpr long long kMin = -static_cast<long long>((1024 + 1) * 0.30102999566398119521373889472449302676818988 + 1);
    if (!std::isfinite(x) || x == 0.0) return x;
    if (ndigits > kMax) return x;
    if (ndigits < kMin) return 0.0 * x;
    std::string text = ndigits >= 0 ? format_fixed(x, static_cast<int>(ndigits))
                                    : round_negative(x, ndigits);
    double r = std::strtod(text.c_str(), nullptr);
    if (ndigits < 0 && x < 0) r = -r;
    if (std::isinf(r)) fail(ErrorKind::OverflowError, "rounded value too large to represent");
    if (r == 0.0) r = std::copysign(0.0, x);
    return r;
}

double py_round_int(double x) {
    if (std::isnan(x)) fail(ErrorKind::ValueError, "cannot convert float NaN to integer");
    if (std::isinf(x)) fail(ErrorKind::OverflowError, "cannot convert float infinity to integer");
    double r = std::round(x);
    if (std::fabs(x - r) == 0.5) r = 2.0 * std::round(x / 2.0);
    return r;
}

}  // namespace tiven
