// What the JSON reader makes of one bare token: a number or one of the literal
// names that the interpreter's json module accepts. Anything else is Other,
// and the caller lets the json module itself judge the text.
#pragma once
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

enum class TokenKind { Int, Float, True, False, Null, NaN, Infinity, NegInfinity, Other };

// Length of the JSON number starting at t[i] (0 when none), and whether it has a
// fraction or an exponent. Follows the grammar of the json module's scanner.
inline size_t json_number_length(Text t, size_t i, size_t end, bool& is_float) {
    size_t j = i;
    is_float = false;
    if (j < end && t[j] == U'-') ++j;
    if (j >= end) return 0;
    if (t[j] == U'0') {
        ++j;
    } else if (t[j] >= U'1' && t[j] <= U'9') {
        while (j < end && t[j] >= U'0' && t[j] <= U'9') ++j;
    } else {
        return 0;
    }
    if (j + 1 < end && t[j] == U'.' && t[j + 1] >= U'0' && t[j + 1] <= U'9') {
        is_float = true;
        j += 2;
        while (j < end && t[j] >= U'0' && t[j] <= U'9') ++j;
    }
    if (j < end && (t[j] == U'e' || t[j] == U'E')) {
        size_t k = j + 1;
        if (k < end && (t[k] == U'+' || t[k] == U'-')) ++k;
        if (k < end && t[k] >= U'0' && t[k] <= U'9') {
            is_float = true;
            while (k < end && t[k] >= U'0' && t[k] <= U'9') ++k;
            j = k;
        }
    }
    return j - i;
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
    bool is_float = false;
    size_t n = json_number_length(t, s.begin, s.end, is_float);
    if (n == s.size()) return is_float ? TokenKind::Float : TokenKind::Int;
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
