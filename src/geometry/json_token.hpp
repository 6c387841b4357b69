// What the JSON reader makes of one bare token: a number or one of the literal
// names that the interpreter's json module accepts. Anything else is Other,
// and the caller lets the json module itself judge the text.
#pragma once
#include <cstdint>
#include <string>

#include "core/decimal_double.hpp"
#include "core/json_text.hpp"
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

enum class TokenKind { Int, Float, True, False, Null, NaN, Infinity, NegInfinity, Other };

// A JSON number at t[i], as the json module's scanner takes it: its length
// (0 when none starts there), whether it has a fraction or an exponent, and
// the decimal it stands for.
struct JsonNumber {
    size_t length = 0;
    bool is_float = false;
    bool negative = false;
    bool exact = true;    // false: more than 19 significant digits, `digits` holds the first 19
    uint64_t digits = 0;  // the significant digits
    int exponent = 0;     // value = digits * 10**exponent (clamped far beyond the doubles)
};

inline bool is_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

inline JsonNumber scan_json_number(Text t, size_t i, size_t end) {
    constexpr long long kFar = 100000;  // beyond any double's decimal exponent
    JsonNumber n;
    int kept = 0;
    long long scale = 0;
    auto digit = [&](char32_t c, bool fraction) {
        uint32_t d = static_cast<uint32_t>(c - U'0');
        if (kept == 0 && d == 0) {
            scale -= fraction;
        } else if (kept < 19) {
            n.digits = n.digits * 10 + d;
            ++kept;
            scale -= fraction;
        } else {
            n.exact = n.exact && d == 0;
            scale += !fraction;
        }
    };
    size_t j = i;
    if (j < end && t[j] == U'-') {
        n.negative = true;
        ++j;
    }
    if (j >= end) return n;
    if (t[j] == U'0') {
        ++j;
    } else if (t[j] >= U'1' && t[j] <= U'9') {
        while (j < end && is_digit(t[j])) digit(t[j++], false);
    } else {
        return n;
    }
    if (j + 1 < end && t[j] == U'.' && is_digit(t[j + 1])) {
        n.is_float = true;
        ++j;
        while (j < end && is_digit(t[j])) digit(t[j++], true);
    }
    if (j < end && (t[j] == U'e' || t[j] == U'E')) {
        size_t k = j + 1;
        bool negative = k < end && t[k] == U'-';
        if (k < end && (t[k] == U'+' || t[k] == U'-')) ++k;
        if (k < end && is_digit(t[k])) {
            n.is_float = true;
            long long e = 0;
            for (; k < end && is_digit(t[k]); ++k)
                if (e < kFar) e = e * 10 + (t[k] - U'0');
            scale += negative ? -e : e;
            j = k;
        }
    }
    n.length = j - i;
    n.exponent = static_cast<int>(scale < -kFar ? -kFar : scale > kFar ? kFar : scale);
    return n;
}

// The double of the float token t[s] (n its scan), correctly rounded; false
// when it lies beyond the finite doubles (the interpreter then reads it).
inline bool float_token_value(Text t, Span s, const JsonNumber& n, double& out) {
    if (n.exact && nearest_double(n.digits, n.exponent, out)) {
        if (n.negative) out = -out;
        return true;
    }
    char small[64];
    std::string big;
    char* buf = small;
    if (s.size() > sizeof small) {
        big.resize(s.size());
        buf = big.data();
    }
    for (size_t i = 0; i < s.size(); ++i) buf[i] = static_cast<char>(t[s.begin + i]);  // ASCII by the grammar
    return parse_json_double(buf, s.size(), out);
}

inline bool span_equals(Text t, Span s, const char* word) {
    size_t n = 0;
    for (; word[n]; ++n) {
        if (s.begin + n >= s.end || t[s.begin + n] != static_cast<char32_t>(word[n])) return false;
    }
    return s.begin + n == s.end;
}

inline TokenKind classify_token(Text t, Span s) {
    if (s.empty()) return TokenKind::Other;
    JsonNumber n = scan_json_number(t, s.begin, s.end);
    if (n.length == s.size()) return n.is_float ? TokenKind::Float : TokenKind::Int;
    switch (t[s.begin]) {
        case U't': return span_equals(t, s, "true") ? TokenKind::True : TokenKind::Other;
        case U'f': return span_equals(t, s, "false") ? TokenKind::False : TokenKind::Other;
        case U'n': return span_equals(t, s, "null") ? TokenKind::Null : TokenKind::Other;
        case U'N': return span_equals(t, s, "NaN") ? TokenKind::NaN : TokenKind::Other;
        case U'I': return span_equals(t, s, "Infinity") ? TokenKind::Infinity : TokenKind::Other;
        case U'-': return span_equals(t, s, "-Infinity") ? TokenKind::NegInfinity : TokenKind::Other;
        default: return TokenKind::Other;
    }
}

}  // namespace tiven::geometry
