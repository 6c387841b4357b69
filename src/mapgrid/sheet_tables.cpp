#include "mapgrid/sheet_tables.hpp"

#include "core/error.hpp"

namespace tiven::mapgrid {

namespace {

// Heights and widths are written as the doubles that 4 / n and 6 / n give.
constexpr SheetScale kLadder[kScaleCount] = {
    {1000000, 1, 4.0, 6.0, -1, 0, 0, 1},
    {500000, 2, 4.0 / 2, 6.0 / 2, 0, 3, 0, 2},
    {250000, 4, 4.0 / 4, 6.0 / 4, 1, 3, 0, 4},
    {200000, 6, 4.0 / 6, 6.0 / 6, -1, 0, 0, 6},
    {100000, 12, 4.0 / 12, 6.0 / 12, 2, 3, 0, 12},
    {50000, 24, 4.0 / 24, 6.0 / 24, 3, 3, 100000, 2},
    {25000, 48, 4.0 / 48, 6.0 / 48, 4, 3, 50000, 2},
    {10000, 96, 4.0 / 96, 6.0 / 96, 5, 3, 100000, 8},
    {5000, 192, 4.0 / 192, 6.0 / 192, 6, 3, 10000, 2},
    {2000, 576, 4.0 / 576, 6.0 / 576, 7, 3, 5000, 3},
    {1000, 1152, 4.0 / 1152, 6.0 / 1152, 8, 4, 2000, 2},
    {500, 2304, 4.0 / 2304, 6.0 / 2304, 9, 4, 1000, 2},
};

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

const SheetScale* scale_ladder() { return kLadder; }

const SheetScale* find_scale(long long scale) {
    for (const auto& s : kLadder)
        if (s.scale == scale) return &s;
    return nullptr;
}

std::string char_at(std::string_view utf8, long long index) {
    long long i = 0;
    for (size_t pos = 0; pos < utf8.size(); ++i) {
        size_t end = pos + 1;
        while (end < utf8.size() && is_continuation(static_cast<unsigned char>(utf8[end]))) ++end;
        if (i == index) return std::string(utf8.substr(pos, end - pos));
        pos = end;
    }
    fail(ErrorKind::IndexError, "string index out of range");
}

long long find_text(std::string_view haystack, std::string_view needle) {
    size_t at = haystack.find(needle);
    if (at == std::string_view::npos) return -1;
    long long index = 0;
    for (size_t pos = 0; pos < at; ++pos)
        if (!is_continuation(static_cast<unsigned char>(haystack[pos]))) ++index;
    return index;
}

std::string zero_pad(long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return s;
}

}  // namespace tiven::mapgrid
