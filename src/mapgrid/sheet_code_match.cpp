#include "mapgrid/sheet_code_match.hpp"

#include <iterator>

namespace tiven::mapgrid {

namespace {

// str.isspace on ASCII, which is also what `\s` takes there.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || (c >= '\x1c' && c <= '\x1f'); }
char upper_of(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lower_of(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A class of a pattern under IGNORECASE: a range and maybe one more
// character, letters given upper-case ([abcd] folds to [A-D] as well).
struct CharRange {
    char lo, hi;
    char also = 0;
    bool has(char c) const {
        c = upper_of(c);
        return (c >= lo && c <= hi) || (also != 0 && c == also);
    }
};
constexpr CharRange kDigit{'0', '9'}, kHemisphere{'N', 'N', 'S'}, kBand{'A', 'W'}, kQuarter{'A', 'D'};

struct Scan {
    std::string_view s;
    size_t i = 0;

    bool at_end() const { return i == s.size(); }
    void spaces() {
        while (i < s.size() && is_space(s[i])) ++i;
    }
    bool take(char c) {
        if (i == s.size() || s[i] != c) return false;
        ++i;
        return true;
    }
    // Greedy {min,max} of `r`; what follows never falls in `r`, so no backing off.
    bool take_run(CharRange r, size_t min, size_t max) {
        size_t n = 0;
        while (n < max && i + n < s.size() && r.has(s[i + n])) ++n;
        if (n < min) return false;
        i += n;
        return true;
    }
    std::string since(size_t from) const { return std::string(s.substr(from, i - from)); }
    std::string_view view_since(size_t from) const { return s.substr(from, i - from); }
    std::string rest() const { return std::string(s.substr(i)); }
};

// (([1-5][0-9])|(0[1-9])|(60)): which alternative two characters take, 0 if none.
int column_alternative(std::string_view s, size_t i) {
    if (i + 2 > s.size()) return 0;
    const char a = s[i], b = s[i + 1];
    if (a >= '1' && a <= '5' && kDigit.has(b)) return 1;
    if (a == '0' && b >= '1' && b <= '9') return 2;
    if (a == '6' && b == '0') return 3;
    return 0;
}

// ^\s*+([NS]?)\s*(\*?[A-W]) spaces, the hyphen, spaces, the column, and for
// the prefixes (.*)$. The possessive lead run ends at a non-blank, so the
// hemisphere is tried taken, then empty, as the engine backs off.
enum class Hyphen { Optional, Required, Absent };
struct PrefixShape {
    bool star;
    Hyphen hyphen;
    bool rest;
};

bool match_prefix(PrefixShape shape, std::string_view s, std::vector<std::string>& g) {
    Scan lead{s};
    lead.spaces();
    for (bool hemisphere : {true, false}) {
        Scan c = lead;
        if (hemisphere && !c.take_run(kHemisphere, 1, 1)) continue;
        const std::string_view ns = c.view_since(lead.i);
        c.spaces();
        const size_t letter_at = c.i;
        if (shape.star) c.take('*');
        if (!c.take_run(kBand, 1, 1)) continue;
        const std::string_view letter = c.view_since(letter_at);
        c.spaces();
        if (shape.hyphen != Hyphen::Absent) {
            if (!c.take('-') && shape.hyphen == Hyphen::Required) continue;
            c.spaces();
        }
        const int alternative = column_alternative(s, c.i);
        if (alternative == 0) continue;
        const size_t column_at = c.i;
        c.i += 2;
        g.assign(shape.rest ? 7 : 6, std::string());
        g[0] = std::string(ns);
        g[1] = std::string(letter);
        g[2] = g[2 + alternative] = c.since(column_at);
        if (shape.rest) g[6] = c.rest();
        return true;
    }
    return false;
}

// ^\s*([letters])\s*(\d{n})\s*(\d{n})\s*$
bool match_new(CharRange letters, size_t digits, std::string_view s, std::vector<std::string>& g) {
    Scan c{s};
    c.spaces();
    size_t at = c.i;
    if (!c.take_run(letters, 1, 1)) return false;
    std::string letter = c.since(at);
    c.spaces();
    at = c.i;
    if (!c.take_run(kDigit, digits, digits)) return false;
    std::string row = c.since(at);
    c.spaces();
    at = c.i;
    if (!c.take_run(kDigit, digits, digits)) return false;
    std::string col = c.since(at);
    c.spaces();
    if (!c.at_end()) return false;
    g = {std::move(letter), std::move(row), std::move(col)};
    return true;
}

// ^\s*-\s* then an optional opening character, ([range]{min,max}), an
// optional closing one, and either \s*$ or (.*)$.
struct OldShape {
    char open;
    CharRange range;
    size_t min, max;
    char close;
    bool rest;
};

bool match_old(const OldShape& shape, std::string_view s, std::vector<std::string>& g) {
    Scan c{s};
    c.spaces();
    if (!c.take('-')) return false;
    c.spaces();
    if (shape.open && !c.take(shape.open)) return false;
    const size_t at = c.i;
    if (!c.take_run(shape.range, shape.min, shape.max)) return false;
    std::string part = c.since(at);
    if (shape.close && !c.take(shape.close)) return false;
    if (shape.rest) {
        g = {std::move(part), c.rest()};
        return true;
    }
    c.spaces();
    if (!c.at_end()) return false;
    g = {std::move(part)};
    return true;
}

const OldShape& old_shape(CodePattern p) {
    static constexpr OldShape kShapes[] = {
        {0, kQuarter, 1, 1, 0, false},       // Old500k  ([A-D])\s*$
        {'[', kDigit, 1, 2, ']', false},     // Old250k  \[(\d{1,2})\]\s*$
        {'(', kDigit, 1, 2, ')', false},     // Old200k  \((\d{1,2})\)\s*$
        {0, kDigit, 1, 3, 0, true},          // Old100k  (\d{1,3})(.*)$
        {0, kQuarter, 1, 1, 0, true},        // Old50k   ([A-D])(.*)$
        {0, {'1', '4'}, 1, 1, 0, false},     // Old25k   ([1-4])\s*$
        {'(', kDigit, 1, 2, ')', true},      // Old10k   \((\d{1,2})\)(.*)$
        {0, kQuarter, 1, 1, 0, true},        // Old5k    ([abcd])(.*)$
        {0, {'1', '9'}, 1, 1, 0, true},      // Old2k    ([1-9])(.*)$
        {0, {'1', '4'}, 1, 1, 0, true},      // Old1k    ([1-4])(.*)$
    };
    static_assert(std::size(kShapes) == static_cast<size_t>(CodePattern::Count_) -
                                            static_cast<size_t>(CodePattern::Old500k));
    return kShapes[static_cast<size_t>(p) - static_cast<size_t>(CodePattern::Old500k)];
}

}  // namespace

bool is_ascii(std::string_view text) {
    unsigned char bits = 0;
    for (char c : text) bits |= static_cast<unsigned char>(c);
    return bits < 0x80;
}

bool is_plain(std::string_view text) {
    unsigned char bits = 0;
    bool line_feed = false;
    for (char c : text) {
        bits |= static_cast<unsigned char>(c);
        line_feed |= c == '\n';
    }
    return bits < 0x80 && !line_feed;
}

bool match_plain(CodePattern p, std::string_view text, std::vector<std::string>& groups) {
    switch (p) {
        case CodePattern::Corner: return match_prefix({false, Hyphen::Optional, false}, text, groups);
        case CodePattern::PrefixHyphen: return match_prefix({true, Hyphen::Required, true}, text, groups);
        case CodePattern::PrefixPlain: return match_prefix({true, Hyphen::Absent, true}, text, groups);
        case CodePattern::NewBtoI: return match_new({'B', 'I'}, 3, text, groups);
        case CodePattern::NewJK: return match_new({'J', 'K'}, 4, text, groups);
        case CodePattern::Count_: return false;
        default: return match_old(old_shape(p), text, groups);
    }
}

std::string ascii_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper_of(c);
    return out;
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower_of(c);
    return out;
}

std::string ascii_strip(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace tiven::mapgrid
