// Reading sheet codes, new style (J47D009011) and old style (J-47-107-(57)-c),
// and the 1:1,000,000 corner at the head of every code. The patterns are
// searched by the host's regular-expression engine (case-insensitive,
// multi-line, Unicode classes), reached through `CodeText`.
#pragma once
#include <string>
#include <vector>

#include "core/error.hpp"

#include "mapgrid/sheet_of_position.hpp"
#include "mapgrid/sheet_tables.hpp"

namespace tiven::mapgrid {

enum class CodePattern {
    Corner,        // 1:1,000,000 part, hyphen optional, no end anchor
    PrefixHyphen,  // 1:1,000,000 part with a hyphen, then the rest of the line
    PrefixPlain,   // the same without the hyphen
    NewBtoI,       // scale letter and two three-digit numbers
    NewJK,         // scale letter and two four-digit numbers
    Old500k, Old250k, Old200k, Old100k, Old50k, Old25k, Old10k, Old5k, Old2k, Old1k,
    Count_
};

// The pattern text, searched with IGNORECASE | MULTILINE.
const char* pattern_text(CodePattern p);

// What the reader needs of the host's text handling. Texts are UTF-8.
class CodeText {
public:
    virtual ~CodeText() = default;
    // re.search; on a match fills `groups` with groups 1.. ("" for a group
    // that did not take part).
    virtual bool search(CodePattern p, const std::string& text, std::vector<std::string>& groups) = 0;
    virtual std::string upper(const std::string& s) = 0;   // str.upper
    virtual std::string lower(const std::string& s) = 0;   // str.lower
    virtual std::string strip(const std::string& s) = 0;   // str.strip
    virtual long long to_int(const std::string& digits) = 0;  // int() of decimal digits
};

// A message that quotes the caller's code, which may hold a NUL or a lone
// surrogate: the whole text travels beside what() (a C string).
class CodeQuoteError : public Error {
public:
    explicit CodeQuoteError(const std::string& message) : Error(ErrorKind::Exception, message), text(message) {}
    std::string text;
};

struct SheetCorner {
    long long longitude, latitude;  // west and south edge, degrees
};

// The corner of the 1:1,000,000 sheet that a code begins with.
SheetCorner corner_of_code(CodeText& text, const LetterTables& tables, const std::string& code);

// The 1:1,000,000 part of a code and what follows it on its line.
struct CodePrefix {
    std::string hemisphere;  // "N" or "S"
    std::string row_letter;  // upper-cased, with a "*" when one was written
    std::string column;      // two digits as written
    std::string rest;

    std::string joined() const { return hemisphere + row_letter + column; }
};
CodePrefix read_code_prefix(CodeText& text, const std::string& code);

struct CodeAnswer {
    enum class Kind {
        Whole1000000,  // no rest: the 1:1,000,000 sheet itself (integer edges)
        Sheet,         // `scale` and `boundary`
        Reparse,       // an old-style code: read `new_code` instead
    } kind = Kind::Whole1000000;
    long scale = 1000000;
    SheetBoundary boundary{};
    std::string new_code;
};

// The rest of a code inside the 1:1,000,000 sheet whose corner is given.
// `code` is the caller's text, shown by one message.
CodeAnswer read_code_rest(CodeText& text, const LetterTables& tables, const std::string& code,
                          const CodePrefix& prefix, double lon1000000, double lat1000000);

}  // namespace tiven::mapgrid
