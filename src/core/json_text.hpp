// The pieces of JSON text as the interpreter's json module writes them with
// ensure_ascii=False: strings with only '"', '\\' and control characters
// escaped, floats in repr form with NaN, Infinity and -Infinity, and UTF-8.
#pragma once
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/pynum.hpp"

namespace tiven {

// Appends the UTF-8 form of one code point; a lone surrogate is written in
// the same three-byte form as any other BMP code point.
inline void append_utf8_code_point(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// True for the characters a JSON string must escape.
inline bool json_needs_escape(char32_t c) { return c < 0x20 || c == '"' || c == '\\'; }
// Appends the escape of such a character ("\\n", "\\u001f", ...).
void append_json_escape(std::string& out, char32_t c);

// Appends one code point of a string body (no quotes): escaped, else UTF-8.
inline void append_json_code_point(std::string& out, char32_t cp) {
    if (json_needs_escape(cp)) append_json_escape(out, cp);
    else append_utf8_code_point(out, cp);
}

// Appends `utf8` (valid UTF-8) as a quoted JSON string.
void append_json_string(std::string& out, std::string_view utf8);

// Writes the JSON text of a float to `buf` (at least kFloatReprMax chars)
// and returns its length.
inline size_t json_float_chars(double x, char* buf) {
    if (std::isfinite(x)) return float_repr_chars(x, buf);
    std::string_view text = std::isnan(x) ? "NaN" : x > 0 ? "Infinity" : "-Infinity";
    std::memcpy(buf, text.data(), text.size());
    return text.size();
}
[[gnu::always_inline]] inline void append_json_float(std::string& out, double x) {
    char buf[kFloatReprMax];
    out.append(buf, json_float_chars(x, buf));
}

// Writes the text of an int to `buf` (at least kJsonIntMax chars) and returns its length.
inline constexpr size_t kJsonIntMax = 24;
inline size_t json_int_chars(long long v, char* buf) {
    return static_cast<size_t>(std::to_chars(buf, buf + kJsonIntMax, v).ptr - buf);
}
void append_json_int(std::string& out, long long v);

// The double a JSON number token denotes, correctly rounded; false when the
// value lies outside the finite range (the caller then asks the interpreter).
inline bool parse_json_double(const char* s, size_t n, double& out) {
    auto res = std::from_chars(s, s + n, out, std::chars_format::general);
    return res.ec == std::errc() && res.ptr == s + n;
}

}  // namespace tiven
