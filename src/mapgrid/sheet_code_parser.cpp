#include "mapgrid/sheet_code_parser.hpp"

#include "core/error.hpp"

namespace tiven::mapgrid {

namespace {

// Where two white-space runs are parted only by an optional letter or
// hyphen, the first run is possessive: it matches exactly what the plain
// run matches (the parting token is never white space), but a long run of
// blanks no longer tries every split between the two, which took time
// quadratic in its length.
constexpr const char* kPatterns[] = {
    R"(^[\s]*+([NS]?)[\s]*([A-W]{1})[\s]*+[-]?[\s]*(([1-5][0-9])|(0[1-9])|(60)))",
    R"(^\s*+([NS]?)\s*(\*?[A-W]{1})\s*-\s*(([1-5][0-9])|(0[1-9])|(60))(.*)$)",
    R"(^[\s]*+([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$)",
    R"(^\s*([B-I])\s*(\d{3})\s*(\d{3})\s*$)",
    R"(^\s*([JK])\s*(\d{4})\s*(\d{4})\s*$)",
    R"(^\s*-\s*([A-D])\s*$)",
    R"(^\s*-\s*\[(\d{1,2})\]\s*$)",
    R"(^\s*-\s*\((\d{1,2})\)\s*$)",
    R"(^\s*-\s*(\d{1,3})(.*)$)",
    R"(^\s*-\s*([A-D])(.*)$)",
    R"(^\s*-\s*([1-4])\s*$)",
    R"(^\s*-\s*\((\d{1,2})\)(.*)$)",
    R"(^\s*-\s*([abcd])(.*)$)",
    R"(^\s*-\s*([1-9])(.*)$)",
    R"(^\s*-\s*([1-4])(.*)$)",
};
static_assert(sizeof kPatterns / sizeof kPatterns[0] == static_cast<size_t>(CodePattern::Count_));

// Python's // and % on ints (a letter missing from a replaced table gives -1).
long long floordiv(long long a, long long b) { long long q = a / b; return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q; }
long long pymod(long long a, long long b) { return a - floordiv(a, b) * b; }

const std::string kInvalidCode = "Invalid [code] parameter.";

[[noreturn]] void out_of_range(const std::string& shown, long long upper) {
    fail("[" + shown + "] should be between [1\uFF5E" + std::to_string(upper) + "] in [code] parameter.");
}

// Sheets per side of the 1:1,000,000 sheet for a new-style scale letter.
struct NewScale {
    char letter;
    long long n;
    long scale;
};
constexpr NewScale kNewScales[] = {
    {'B', 2, 500000},  {'C', 4, 250000}, {'D', 12, 100000}, {'E', 24, 50000},  {'F', 48, 25000},
    {'G', 96, 10000},  {'H', 192, 5000}, {'I', 576, 2000},  {'J', 1152, 1000}, {'K', 2304, 500},
};

SheetBoundary new_style_boundary(double lon1000000, double lat1000000, long long n, long long row, long long col) {
    const double nf = static_cast<double>(n);
    SheetBoundary b;
    b.north = (lat1000000 + (static_cast<double>(n - row) * 4.0) / nf) + 4.0 / nf;
    b.south = lat1000000 + (static_cast<double>(n - row) * 4.0) / nf;
    b.west = lon1000000 + (static_cast<double>(col - 1) * 6.0) / nf;
    b.east = (lon1000000 + (static_cast<double>(col - 1) * 6.0) / nf) + 6.0 / nf;
    return b;
}

// The part at `index` (row by row from the north-west) of the m x m parts
// that divide the sheet `rc`.
RowCol part_of(RowCol rc, long long m, long long index) {
    return {(rc.row - 1) * m + floordiv(index, m) + 1, (rc.col - 1) * m + pymod(index, m) + 1};
}

// The old-style chain: suffix by suffix down to the equivalent new-style code.
class OldCodeChain {
public:
    OldCodeChain(CodeText& text, const LetterTables& tables, const std::string& code, const CodePrefix& prefix,
                 double lon1000000, double lat1000000)
        : text_(text), tables_(tables), code_(code), prefix_(prefix), lon_(lon1000000), lat_(lat1000000) {}

    CodeAnswer read(std::string reset);

private:
    bool search(CodePattern p, const std::string& s) { return text_.search(p, s, g_); }
    void expect(CodePattern p, const std::string& s) {
        if (!search(p, s)) fail(kInvalidCode);
    }
    // The text after the last suffix read, stripped into `reset`: is it empty?
    bool rest_is_empty(std::string& reset) {
        reset = text_.strip(g_[1]);
        return reset.empty();
    }

    // Block row and column of a letter A-D (or a-d) at index p of its table.
    long long letter_index(std::string_view table, const std::string& letter) {
        return find_text(table, letter);
    }

    CodeAnswer answer(char letter, RowCol rc, int digits) {
        CodeAnswer a;
        a.kind = CodeAnswer::Kind::Reparse;
        a.new_code = prefix_.joined() + letter + zero_pad(rc.row, digits) + zero_pad(rc.col, digits);
        return a;
    }

    CodeText& text_;
    const LetterTables& tables_;
    const std::string& code_;
    const CodePrefix& prefix_;
    double lon_, lat_;
    std::vector<std::string> g_;
};

CodeAnswer OldCodeChain::read(std::string reset) {
    const RowCol whole{1, 1};
    if (search(CodePattern::Old500k, reset))
        return answer('B', part_of(whole, 2, letter_index(tables_.mapword, text_.upper(g_[0]))), 3);
    if (search(CodePattern::Old250k, reset)) {
        long long k = text_.to_int(g_[0]);
        if (!(0 < k && k <= 16)) out_of_range(g_[0], 16);
        return answer('C', part_of(whole, 4, k - 1), 3);
    }
    if (search(CodePattern::Old200k, reset)) {
        long long k = text_.to_int(g_[0]);
        if (!(0 < k && k <= 36)) out_of_range(g_[0], 36);
        long long r = (k - 1) / 6 + 1;
        long long c = k - (r - 1) * 6;
        CodeAnswer a;
        a.kind = CodeAnswer::Kind::Sheet;
        a.scale = 200000;
        a.boundary.north = (lat_ + (static_cast<double>(6 - r) * 4.0) / 6) + 0.6666666666666666;
        a.boundary.south = lat_ + (static_cast<double>(6 - r) * 4.0) / 6;
        a.boundary.west = lon_ + (static_cast<double>(c - 1) * 6.0) / 6;
        a.boundary.east = (lon_ + (static_cast<double>(c - 1) * 6.0) / 6) + 1.0;
        return a;
    }
    expect(CodePattern::Old100k, reset);
    long long k = text_.to_int(g_[0]);
    if (!(0 < k && k <= 144)) out_of_range(g_[0], 144);
    RowCol sheet = part_of(whole, 12, k - 1);
    if (rest_is_empty(reset)) return answer('D', sheet, 3);

    if (search(CodePattern::Old50k, reset)) {
        sheet = part_of(sheet, 2, letter_index(tables_.mapword, text_.upper(g_[0])));
        reset = g_[1];
        if (reset.empty()) return answer('E', sheet, 3);
        if (!search(CodePattern::Old25k, reset))
            throw CodeQuoteError("[" + code_ + "] should be between [1\uFF5E4] in [code] parameter.");
        return answer('F', part_of(sheet, 2, text_.to_int(g_[0]) - 1), 3);
    }

    expect(CodePattern::Old10k, reset);
    k = text_.to_int(g_[0]);
    if (!(0 < k && k <= 64)) out_of_range(g_[0], 64);
    sheet = part_of(sheet, 8, k - 1);
    if (rest_is_empty(reset)) return answer('G', sheet, 3);

    expect(CodePattern::Old5k, reset);
    sheet = part_of(sheet, 2, letter_index(tables_.mapword5000, text_.lower(g_[0])));
    if (rest_is_empty(reset)) return answer('H', sheet, 3);

    expect(CodePattern::Old2k, reset);
    sheet = part_of(sheet, 3, text_.to_int(g_[0]) - 1);
    if (rest_is_empty(reset)) return answer('I', sheet, 3);

    expect(CodePattern::Old1k, reset);
    sheet = part_of(sheet, 2, text_.to_int(g_[0]) - 1);
    if (rest_is_empty(reset)) return answer('J', sheet, 4);

    // Whatever follows the 1:500 number is not read.
    expect(CodePattern::Old1k, reset);
    return answer('K', part_of(sheet, 2, text_.to_int(g_[0]) - 1), 4);
}

}  // namespace

const char* pattern_text(CodePattern p) { return kPatterns[static_cast<size_t>(p)]; }

SheetCorner corner_of_code(CodeText& text, const LetterTables& tables, const std::string& code) {
    std::vector<std::string> g;
    if (!text.search(CodePattern::Corner, code, g)) fail(kInvalidCode);
    const bool north = text.upper(g[0]) != "S";
    const long long west = (text.to_int(g[2]) - 1) * 6 - 180;
    const long long band = find_text(tables.mapcode, text.upper(g[1]));
    // A letter that matches only by case folding (KELVIN SIGN, I WITH DOT
    // ABOVE) names no band; refuse it rather than invent one.
    if (band < 0) fail(kInvalidCode);
    long long south = band * 4;
    if (!north) south = -1 * (4 + south);
    return {west, south};
}

CodePrefix read_code_prefix(CodeText& text, const std::string& code) {
    std::vector<std::string> g;
    if (!text.search(CodePattern::PrefixHyphen, code, g) && !text.search(CodePattern::PrefixPlain, code, g))
        fail("Unable to recognize [code] parameter.");
    CodePrefix p;
    p.hemisphere = std::string(1, text.upper(g[0]) == "S" ? 'S' : 'N');
    p.row_letter = text.upper(g[1]);
    p.column = g[2];
    p.rest = g[6];
    return p;
}

CodeAnswer read_code_rest(CodeText& text, const LetterTables& tables, const std::string& code,
                          const CodePrefix& prefix, double lon1000000, double lat1000000) {
    std::string reset = text.strip(prefix.rest);
    if (reset.empty()) return {};

    std::vector<std::string> g;
    if (!text.search(CodePattern::NewBtoI, reset, g) && !text.search(CodePattern::NewJK, reset, g))
        return OldCodeChain(text, tables, code, prefix, lon1000000, lat1000000).read(std::move(reset));

    const std::string letter = text.upper(g[0]);
    const std::string& row_text = g[1];
    const std::string& col_text = g[2];
    const long long row = text.to_int(row_text);
    const long long col = text.to_int(col_text);
    if (!(row * col > 0)) fail("[" + row_text + " " + col_text + "] should be greater than 0 in [code] parameter.");
    if (!(row <= 2304)) out_of_range(row_text, 2304);
    if (!(col <= 2304)) out_of_range(col_text, 2304);

    // The first code point of the upper-cased letter.
    const std::string first = char_at(letter, 0);
    const NewScale* s = nullptr;
    for (const auto& ns : kNewScales)
        if (first.size() == 1 && first[0] == ns.letter) { s = &ns; break; }
    if (!s) fail("[" + first + "] should be one of [BCDEFGHIJK] in [code] parameter.");
    if (!(row <= s->n)) out_of_range(row_text, s->n);
    if (!(col <= s->n)) out_of_range(col_text, s->n);

    CodeAnswer a;
    a.kind = CodeAnswer::Kind::Sheet;
    a.scale = s->scale;
    a.boundary = new_style_boundary(lon1000000, lat1000000, s->n, row, col);
    return a;
}

}  // namespace tiven::mapgrid
