// Character classes and the small scanning helpers shared by the geometry text
// readers. Texts are held as UTF-32 so that every reader sees code points the
// way the interpreter's str does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tiven::geometry {

using Text = std::u32string_view;

// A half-open range of positions in a text.
struct Span {
    size_t begin = 0;
    size_t end = 0;
    size_t size() const { return end - begin; }
    bool empty() const { return begin == end; }
};

// The interpreter's whitespace (str.isspace, and \s of the re module for str).
constexpr bool is_space(char32_t c) {
    if (c < 128) return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20);
    switch (c) {
        case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
        case 0x202F: case 0x205F: case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

// str.strip() without arguments.
inline Span strip(Text t, Span s) {
    while (s.begin < s.end && is_space(t[s.begin])) ++s.begin;
    while (s.end > s.begin && is_space(t[s.end - 1])) --s.end;
    return s;
}

// The maximal runs of non-whitespace characters of t[s], appended to `out`.
inline void split_blanks(Text t, Span s, std::vector<Span>& out) {
    size_t i = s.begin;
    while (i < s.end) {
        while (i < s.end && is_space(t[i])) ++i;
        if (i == s.end) break;
        size_t b = i;
        while (i < s.end && !is_space(t[i])) ++i;
        out.push_back({b, i});
    }
}

// t.find(c), four characters to a step: a text without c is read whole.
inline size_t find_char(Text t, char32_t c) {
    const char32_t* p = t.data();
    size_t i = 0;
    for (; i + 4 <= t.size(); i += 4)
        if ((p[i] == c) | (p[i + 1] == c) | (p[i + 2] == c) | (p[i + 3] == c)) break;
    for (; i < t.size(); ++i)
        if (p[i] == c) return i;
    return Text::npos;
}

// True when an `open` character is followed, after at least one character, by
// a `close` character somewhere later in the text.
inline bool has_bracket_pair(Text t, char32_t open, char32_t close) {
    size_t first = find_char(t, open);
    if (first == Text::npos) return false;
    size_t last = t.rfind(close);
    return last != Text::npos && last >= first + 2;
}

}  // namespace tiven::geometry
