// The national sheet series: the letter tables and the ladder of twelve
// scales, each dividing a 6 x 4 degree 1:1,000,000 sheet into n x n sheets.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tiven::mapgrid {

inline constexpr const char* kMapCode = "ABCDEFGHIJKLMNOPQRSTUVW";  // band letters, 4 degrees each
inline constexpr const char* kMapWord = "ABCD";                     // quarters NW, NE, SW, SE
inline constexpr const char* kMapWord5000 = "abcd";                 // the same, 1:5,000 in 1:10,000
inline constexpr const char* kScaleCode = "BCDEFGHIJK";             // new-code scale letters

// The four tables as the caller's class holds them (UTF-8 views of Python
// strings, indexed by code point).
struct LetterTables {
    std::string_view mapcode = kMapCode;
    std::string_view mapword = kMapWord;
    std::string_view mapword5000 = kMapWord5000;
    std::string_view scalecode = kScaleCode;
};

struct SheetScale {
    long scale;          // denominator
    int n;               // sheets per side of the 1:1,000,000 sheet
    double height;       // 4 / n degrees, as Python's true division gives it
    double width;        // 6 / n degrees
    int letter_index;    // index into the scale-code table; -1: no new-style letter
    int digits;          // digits per number in the new code
    long parent;         // scale whose old code this one extends; 0: the 1:1,000,000 sheet
    int m;               // sheets per side of one parent sheet
};

// The twelve scales, coarsest first.
inline constexpr int kScaleCount = 12;
const SheetScale* scale_ladder();
// The ladder entry of a denominator; nullptr when it is none of the twelve.
const SheetScale* find_scale(long long scale);

// Python's str[index] on a UTF-8 text (0 <= index); IndexError beyond the end.
std::string char_at(std::string_view utf8, long long index);
// Python's str.find, as a code-point index or -1.
long long find_text(std::string_view haystack, std::string_view needle);

// "{:0>Nd}".format(v) for a non-negative v.
std::string zero_pad(long long v, int width);

}  // namespace tiven::mapgrid
