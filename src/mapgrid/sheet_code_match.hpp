// The code patterns matched without the host's engine, on the texts where
// that gives the engine's own answer: plain ASCII without a line feed. There
// `\s` is the ASCII white space that str.isspace knows (\x1c-\x1f included),
// case folding is ASCII only, `^` and `$` hold only at the ends, and every
// repeat is followed by a character it cannot take, so greedy matching never
// needs to back off. Any other text is left to the engine.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "mapgrid/sheet_code_parser.hpp"

namespace tiven::mapgrid {

// All bytes below 0x80.
bool is_ascii(std::string_view text);
// ASCII and no line feed: the texts match_plain() decides.
bool is_plain(std::string_view text);

// re.search(pattern, text, IGNORECASE | MULTILINE) on a plain text: true on a
// match, with every group (not only the ones the reader uses) in `groups`,
// "" for one that did not take part.
bool match_plain(CodePattern p, std::string_view text, std::vector<std::string>& groups);

// str.upper, str.lower, str.strip on ASCII text.
std::string ascii_upper(std::string_view text);
std::string ascii_lower(std::string_view text);
std::string ascii_strip(std::string_view text);

}  // namespace tiven::mapgrid
