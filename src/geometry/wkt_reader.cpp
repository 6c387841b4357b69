#include "geometry/wkt_reader.hpp"

#include <limits>
#include <string_view>

#include "core/error.hpp"
#include "geometry/json_token.hpp"

namespace tiven::geometry {

namespace {

constexpr const char* kInvalidType = "Invalid type in [coordinates] parameter.";
constexpr const char* kInvalidCoordinates = "Invalid [coordinates] parameter.";

bool is_paren(char32_t c) { return c == U'(' || c == U')'; }

void skip_blanks(Text t, size_t& i, size_t end) {
    while (i < end && is_space(t[i])) ++i;
}

// The value of a member not read as a float.
constexpr double kNotRead = std::numeric_limits<double>::quiet_NaN();

// A character of a member: neither a blank nor a comma.
bool is_member_char(char32_t c) {
    if (c > U' ' && c < 128) return c != U',';
    return !is_space(c);
}

// The vertices of a coordinate text: the stretches between runs of commas, each stretch
// a vertex whose members are its runs of non-blank characters. One pass.
void read_vertex_list(Text t, Span s, Coords& c) {
    size_t i = s.begin;
    for (;;) {
        while (i < s.end && t[i] != U',') {
            if (!is_member_char(t[i])) {
                ++i;
                continue;
            }
            // A number read on the way: its value is kept when it is the whole member.
            size_t b = i;
            JsonNumber n = scan_json_number(t, i, s.end);
            i += n.length;
            while (i < s.end && is_member_char(t[i])) ++i;
            double value;
            bool whole_float = n.is_float && b + n.length == i;
            if (!whole_float || !float_token_value(t, {b, i}, n, value)) value = kNotRead;
            c.tokens.push_back({b, i});
            c.floats.push_back(value);
        }
        c.close_vertex();
        if (i == s.end) return;
        while (i < s.end && t[i] == U',') ++i;
    }
}

// A ring "(" + at least one character other than parentheses + ")" at t[i].
// On success `inner` is its content and i moves past it.
bool ring_at(Text t, size_t& i, size_t end, Span& inner) {
    if (i >= end || t[i] != U'(') return false;
    size_t j = i + 1;
    while (j < end && !is_paren(t[j])) ++j;
    if (j >= end || t[j] != U')' || j == i + 1) return false;
    inner = {i + 1, j};
    i = j + 1;
    return true;
}

// "(" blanks, rings each followed by blanks, an optional comma and blanks,
// then blanks and ")" filling the whole body. Collects the ring contents.
bool ring_run(Text t, Span body, std::vector<Span>& rings) {
    size_t i = body.begin + 1;
    size_t end = body.end;
    skip_blanks(t, i, end);
    Span inner;
    while (i < end && t[i] == U'(') {
        if (!ring_at(t, i, end, inner)) return false;
        rings.push_back(inner);
        skip_blanks(t, i, end);
        if (i < end && t[i] == U',') ++i;
        skip_blanks(t, i, end);
    }
    skip_blanks(t, i, end);
    return i + 1 == end && t[i] == U')';
}

// One polygon at t[i]: "(" blanks, rings separated by blanks and at most one
// comma (blanks on either side), an optional trailing comma, blanks, ")".
bool polygon_at(Text t, size_t i, size_t end, std::vector<Span>& rings, size_t& stop) {
    rings.clear();
    size_t j = i + 1;
    skip_blanks(t, j, end);
    Span inner;
    if (!ring_at(t, j, end, inner)) return false;
    rings.push_back(inner);
    for (;;) {
        skip_blanks(t, j, end);
        if (j < end && t[j] == U',') {
            ++j;
            skip_blanks(t, j, end);
        }
        if (j >= end) return false;
        if (t[j] == U')') {
            stop = j + 1;
            return true;
        }
        if (!ring_at(t, j, end, inner)) return false;
        rings.push_back(inner);
    }
}

// Letter of an upper-case ASCII name against a text character, as the re
// module's case-insensitive matching compares them.
bool letter_matches(char32_t c, char upper) {
    char32_t u = static_cast<char32_t>(upper);
    if (c == u || c == u + 32) return true;
    if (upper == 'I') return c == 0x130 || c == 0x131;
    if (upper == 'S') return c == 0x17F;
    return false;
}

// The type names a collection member may begin with.
constexpr const char* kMemberNames[] = {"MULTIPOINT", "MULTILINESTRING", "MULTIPOLYGON",
                                        "POINT",      "LINESTRING",      "POLYGON"};

// Length of the member name at t[i]; 0 when none.
size_t name_at(Text t, size_t i, size_t end) {
    for (const char* name : kMemberNames) {
        size_t j = i;
        const char* p = name;
        while (*p && j < end && letter_matches(t[j], *p)) {
            ++j;
            ++p;
        }
        if (!*p) return j - i;
    }
    return 0;
}

// A dimension tag (Z, M, ZM) between a member's name and its "(", as standard
// WKT writes it for members with z or m values. Only a separated tag counts:
// a name glued to more letters (POINTZ) is no member name, as at the top level.
void skip_dimension_tag(Text t, size_t& j, size_t end) {
    size_t k = j;
    if (k < end && (t[k] == U'Z' || t[k] == U'z')) ++k;
    if (k < end && (t[k] == U'M' || t[k] == U'm')) ++k;
    if (k == j || k >= end || !(is_space(t[k]) || t[k] == U'(')) return;
    j = k;
    skip_blanks(t, j, end);
}

// Members of a collection written in the body: a type name in any letter case,
// blanks, and a parenthesised group closed at its own depth.
void find_members(Text t, Span body, std::vector<Span>& members) {
    // Every "(" with its matching ")", in text order, found once (on the first
    // name); the scan only asks about later and later positions.
    struct Group {
        size_t open, close;
    };
    std::vector<Group> groups;
    bool paired = false;
    size_t cursor = 0;
    auto match_close = [&](size_t open_at) {
        if (!paired) {
            paired = true;
            std::vector<size_t> stack;
            for (size_t i = body.begin; i < body.end; ++i) {
                if (t[i] == U'(') {
                    stack.push_back(groups.size());
                    groups.push_back({i, SIZE_MAX});
                } else if (t[i] == U')' && !stack.empty()) {
                    groups[stack.back()].close = i;
                    stack.pop_back();
                }
            }
        }
        while (groups[cursor].open < open_at) ++cursor;
        return groups[cursor].close;
    };
    size_t i = body.begin;
    while (i < body.end) {
        if (t[i] < U'A') {  // no name begins below the letters: numbers, blanks, punctuation
            ++i;
            continue;
        }
        char32_t first = t[i] | 0x20;  // every name begins with M, P or L
        size_t n = (first == U'm' || first == U'p' || first == U'l') ? name_at(t, i, body.end) : 0;
        if (n) {
            size_t j = i + n;
            skip_blanks(t, j, body.end);
            if (j > i + n) skip_dimension_tag(t, j, body.end);
            if (j < body.end && t[j] == U'(') {
                size_t c = match_close(j);
                if (c != SIZE_MAX && c > j + 1) {
                    members.push_back({i, c + 1});
                    i = c + 1;
                    continue;
                }
            }
        }
        ++i;
    }
}

void rings_to_coords(Text t, const std::vector<Span>& rings, Coords& c) {
    for (const Span& r : rings) {
        read_vertex_list(t, r, c);
        c.close_ring();
    }
}

// Every polygon found from left to right in the body, each read past its end.
void read_polygons(Text t, Span body, Coords& c) {
    std::vector<Span> rings;
    size_t i = body.begin;
    size_t stop = 0;
    while (i < body.end) {
        if (t[i] == U'(' && polygon_at(t, i, body.end, rings, stop)) {
            rings_to_coords(t, rings, c);
            c.close_poly();
            i = stop;
        } else {
            ++i;
        }
    }
}

// The keywords, upper-case, with their types and family codes (-1: any code).
constexpr struct {
    std::string_view keyword;
    GeomType type;
    int family;
} kKeywords[] = {
    {"POINT", GeomType::Point, 0},           {"MULTIPOINT", GeomType::MultiPoint, 0},
    {"LINESTRING", GeomType::LineString, 1}, {"MULTILINESTRING", GeomType::MultiLineString, 1},
    {"POLYGON", GeomType::Polygon, 2},       {"MULTIPOLYGON", GeomType::MultiPolygon, 2},
    {"GEOMETRYCOLLECTION", GeomType::GeometryCollection, -1},
};

}  // namespace

GeomType keyword_type(std::string_view upper, int code) {
    for (const auto& e : kKeywords) {
        if (upper == e.keyword && (code == -1 || e.family == -1 || e.family == code)) return e.type;
    }
    fail(kInvalidType);
}

WktSplit split_wkt(Text t) {
    size_t first_open = t.find(U'(');
    size_t last_close = t.rfind(U')');
    size_t start = 0;
    for (size_t i = first_open; i > 0; --i) {
        if (t[i - 1] == U')') {
            start = i;
            break;
        }
    }
    WktSplit out;
    size_t k = start;
    skip_blanks(t, k, first_open);
    size_t e = k;
    while (e < first_open && !is_space(t[e])) ++e;
    out.keyword = {k, e};
    out.body = {first_open, last_close + 1};
    return out;
}

WktBody read_wkt_body(Text t, Span body, GeomType type, int code) {
    WktBody out;
    Span inner{body.begin + 1, body.end - 1};
    bool has_paren = false, has_comma = false;
    for (size_t i = inner.begin; i < inner.end && !(has_paren && has_comma); ++i) {
        if (is_paren(t[i])) has_paren = true;
        else if (t[i] == U',') has_comma = true;
    }

    // A single vertex.
    if ((code == -1 || code == 0) && !has_paren && !has_comma) {
        if (type == GeomType::None) type = GeomType::Point;
        if (type != GeomType::Point && type != GeomType::MultiPoint) fail(kInvalidType);
        split_blanks(t, inner, out.coords.tokens);
        out.coords.close_vertex();
        out.coords.depth = type == GeomType::Point ? 1 : 2;
        out.type = type;
        return out;
    }

    // One list of vertices.
    if (code != 2 && !has_paren) {
        if (type == GeomType::None) type = code == 0 ? GeomType::MultiPoint : GeomType::LineString;
        bool ok = (code == -1 && (type == GeomType::MultiPoint || type == GeomType::LineString)) ||
                  (code == 0 && type == GeomType::MultiPoint) || (code == 1 && type == GeomType::LineString);
        if (!ok) fail(kInvalidType);
        read_vertex_list(t, inner, out.coords);
        out.coords.depth = 2;
        out.type = type;
        return out;
    }

    // A run of rings; under MULTIPOINT each ring holds one point.
    bool ring_step = code != 0 || type == GeomType::MultiPoint;
    std::vector<Span> rings;
    if (ring_step && ring_run(t, body, rings) && !rings.empty()) {
        if (type == GeomType::None) type = code == 1 ? GeomType::MultiLineString : GeomType::Polygon;
        out.point_groups = type == GeomType::MultiPoint && (code == -1 || code == 0);
        bool ok = out.point_groups ||
                  (code == -1 && (type == GeomType::MultiLineString || type == GeomType::Polygon)) ||
                  (code == 1 && type == GeomType::MultiLineString) || (code == 2 && type == GeomType::Polygon);
        if (!ok) fail(kInvalidType);
        rings_to_coords(t, rings, out.coords);
        out.coords.depth = 3;
        out.type = type;
        return out;
    }

    find_members(t, body, out.members);
    if (!out.members.empty()) {
        out.type = GeomType::GeometryCollection;
        return out;
    }

    if (code == -1 || code == 2) {
        read_polygons(t, body, out.coords);
        if (!out.coords.poly_end.empty()) {
            out.coords.depth = 4;
            out.type = GeomType::MultiPolygon;
            return out;
        }
    }
    fail(kInvalidCoordinates);
}

}  // namespace tiven::geometry
