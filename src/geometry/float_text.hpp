// Float text on the hot paths of the writers and readers, without allocation.
#pragma once
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace tiven::geometry {

// Appends repr(x) of a Python float ("1.0", "1e-05", "1e+16", "nan", "-inf").
// Same digits and layout as tiven::append_float_repr; the tests compare both
// with the interpreter's repr.
template <class Out>
void append_float_text(Out& out, double x) {
    auto put = [&](const char* s, size_t n) { out.append(s, s + n); };
    if (std::isnan(x)) return put("nan", 3);
    if (std::isinf(x)) return x < 0 ? put("-inf", 4) : put("inf", 3);
    if (x == 0.0) return std::signbit(x) ? put("-0.0", 4) : put("0.0", 3);

    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const char* p = buf;
    const char* end = res.ptr;
    char text[48];
    size_t n = 0;
    if (*p == '-') {
        text[n++] = '-';
        ++p;
    }
    char digits[24];
    int nd = 0;
    while (p < end && *p != 'e') {
        if (*p != '.') digits[nd++] = *p;
        ++p;
    }
    // exponent after 'e': sign and digits
    ++p;
    bool neg_exp = *p == '-';
    ++p;
    int e10 = 0;
    while (p < end) e10 = e10 * 10 + (*p++ - '0');
    if (neg_exp) e10 = -e10;
    int decpt = e10 + 1;

    if (decpt <= -4 || decpt > 16) {
        text[n++] = digits[0];
        if (nd > 1) {
            text[n++] = '.';
            std::memcpy(text + n, digits + 1, static_cast<size_t>(nd - 1));
            n += static_cast<size_t>(nd - 1);
        }
        int e = decpt - 1;
        text[n++] = 'e';
        text[n++] = e < 0 ? '-' : '+';
        int ae = e < 0 ? -e : e;
        if (ae >= 100) {
            text[n++] = static_cast<char>('0' + ae / 100);
            ae %= 100;
            text[n++] = static_cast<char>('0' + ae / 10);
            text[n++] = static_cast<char>('0' + ae % 10);
        } else {
            text[n++] = static_cast<char>('0' + ae / 10);
            text[n++] = static_cast<char>('0' + ae % 10);
        }
    } else if (decpt <= 0) {
        text[n++] = '0';
        text[n++] = '.';
        for (int i = 0; i < -decpt; ++i) text[n++] = '0';
        std::memcpy(text + n, digits, static_cast<size_t>(nd));
        n += static_cast<size_t>(nd);
    } else if (decpt >= nd) {
        std::memcpy(text + n, digits, static_cast<size_t>(nd));
        n += static_cast<size_t>(nd);
        for (int i = 0; i < decpt - nd; ++i) text[n++] = '0';
        text[n++] = '.';
        text[n++] = '0';
    } else {
        std::memcpy(text + n, digits, static_cast<size_t>(decpt));
        n += static_cast<size_t>(decpt);
        text[n++] = '.';
        std::memcpy(text + n, digits + decpt, static_cast<size_t>(nd - decpt));
        n += static_cast<size_t>(nd - decpt);
    }
    put(text, n);
}

// The double a JSON number token denotes, correctly rounded; false when the
// value lies outside the finite range (the caller then asks the interpreter).
inline bool parse_json_double(const char* s, size_t n, double& out) {
    auto res = std::from_chars(s, s + n, out, std::chars_format::general);
    return res.ec == std::errc() && res.ptr == s + n;
}

}  // namespace tiven::geometry
