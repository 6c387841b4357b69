#include "geometry/text_values.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/json_text.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "core/recursion_guard.hpp"
#include "geometry/json_scan.hpp"

namespace tiven::geometry {

CodePoints::CodePoints(PyObject* str)
    : data_(std::make_unique_for_overwrite<char32_t[]>(static_cast<size_t>(PyUnicode_GET_LENGTH(str)))),
      size_(static_cast<size_t>(PyUnicode_GET_LENGTH(str))) {
    static_assert(sizeof(char32_t) == sizeof(Py_UCS4));
    if (!PyUnicode_AsUCS4(str, reinterpret_cast<Py_UCS4*>(data_.get()), static_cast<Py_ssize_t>(size_), 0))
        throw PythonErrorSet{};
}

Ref str_of(Text t, Span s) {
    return own(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, t.data() + s.begin, static_cast<Py_ssize_t>(s.size())));
}

Ref str_of(Text t) { return str_of(t, {0, t.size()}); }

Ref str_of_utf8(const std::string& text, bool ascii) {
    if (!ascii) {
        // The bytes or-ed eight at a time: a set top bit anywhere means UTF-8.
        uint64_t high = 0;
        size_t i = 0;
        for (; i + 8 <= text.size(); i += 8) {
            uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            high |= word;
        }
        for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
        ascii = (high & 0x8080808080808080ULL) == 0;
    }
    if (ascii) {
        // ASCII, as the writers' texts mostly are: copied without decoding.
        Ref str = own(PyUnicode_New(static_cast<Py_ssize_t>(text.size()), 127));
        std::memcpy(PyUnicode_DATA(str.get()), text.data(), text.size());
        return str;
    }
    return own(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogatepass"));
}

namespace {

// A spare larger than this is let go rather than kept for the thread.
constexpr size_t kMaxSpare = size_t{1} << 20;

std::string& spare_text() {
    thread_local std::string spare;
    return spare;
}

}  // namespace

ScratchText::ScratchText() : text_(std::move(spare_text())) { text_.clear(); }

ScratchText::~ScratchText() {
    if (text_.capacity() <= kMaxSpare) spare_text() = std::move(text_);
}

namespace {

// The value the json module gives a token of a known kind.
Ref token_value(Text t, Span s, TokenKind k) {
    switch (k) {
        case TokenKind::True: return py_bool(true);
        case TokenKind::False: return py_bool(false);
        case TokenKind::Null: return py_none();
        case TokenKind::NaN: return own(PyFloat_FromDouble(Py_NAN));
        case TokenKind::Infinity: return own(PyFloat_FromDouble(Py_HUGE_VAL));
        case TokenKind::NegInfinity: return own(PyFloat_FromDouble(-Py_HUGE_VAL));
        default: break;
    }
    double d;
    if (k == TokenKind::Float && float_token_value(t, s, scan_json_number(t, s.begin, s.end), d))
        return own(PyFloat_FromDouble(d));
    char small[64];
    std::string big;
    char* buf = small;
    if (s.size() >= sizeof small) {
        big.resize(s.size() + 1);
        buf = big.data();
    }
    for (size_t i = 0; i < s.size(); ++i) buf[i] = static_cast<char>(t[s.begin + i]);  // ASCII by the grammar
    buf[s.size()] = '\0';
    if (k == TokenKind::Int) {
        if (s.size() <= 18) return own(PyLong_FromLongLong(std::strtoll(buf, nullptr, 10)));
        return own(PyLong_FromString(buf, nullptr, 10));
    }
    d = PyOS_string_to_double(buf, nullptr, nullptr);
    if (d == -1.0 && PyErr_Occurred()) throw PythonErrorSet{};
    return own(PyFloat_FromDouble(d));
}

constexpr const char* kInArray = " while decoding a JSON array from a unicode string";
constexpr const char* kInObject = " while decoding a JSON object from a unicode string";

// json.loads(str): its reader recurses without looking at the C stack, so
// its count is bound to the stack left, and a text too deep for it is
// refused in the reader's own words.
Ref json_loads(PyObject* str) {
    StackBoundCount bound;
    return own(PyObject_CallMethodOneArg(state().json.get(), state().names.loads, str));
}

void append_tokens(std::u32string& out, Text t, const Coords& c, size_t v) {
    size_t b = v == 0 ? 0 : c.vertex_end[v - 1];
    out += U'[';
    for (size_t i = b; i < c.vertex_end[v]; ++i) {
        if (i > b) out += U',';
        out.append(t.substr(c.tokens[i].begin, c.tokens[i].size()));
    }
    out += U']';
}

void append_vertices(std::u32string& out, Text t, const Coords& c, size_t from, size_t to) {
    out += U'[';
    for (size_t v = from; v < to; ++v) {
        if (v > from) out += U',';
        append_tokens(out, t, c, v);
    }
    out += U']';
}

void append_rings(std::u32string& out, Text t, const Coords& c, size_t from, size_t to) {
    out += U'[';
    for (size_t r = from; r < to; ++r) {
        if (r > from) out += U',';
        append_vertices(out, t, c, r == 0 ? 0 : c.ring_end[r - 1], c.ring_end[r]);
    }
    out += U']';
}

// The JSON text that the coordinate tokens stand for, as the readers build it.
std::u32string coords_json(Text t, const Coords& c) {
    std::u32string out;
    switch (c.depth) {
        case 1: append_tokens(out, t, c, 0); break;
        case 2: append_vertices(out, t, c, 0, c.vertex_end.size()); break;
        case 3: append_rings(out, t, c, 0, c.ring_end.size()); break;
        default:
            out += U'[';
            for (size_t p = 0; p < c.poly_end.size(); ++p) {
                if (p > 0) out += U',';
                append_rings(out, t, c, p == 0 ? 0 : c.poly_end[p - 1], c.poly_end[p]);
            }
            out += U']';
    }
    return out;
}

// Thrown when a token is not a plain JSON value: the json module reads the text.
struct NotPlain {};

Ref vertex_list(Text t, const Coords& c, size_t v) {
    size_t b = v == 0 ? 0 : c.vertex_end[v - 1];
    size_t e = c.vertex_end[v];
    Ref list = own(PyList_New(static_cast<Py_ssize_t>(e - b)));
    bool read = c.floats.size() == c.tokens.size();
    for (size_t i = b; i < e; ++i) {
        if (read && !std::isnan(c.floats[i])) {
            PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i - b), own(PyFloat_FromDouble(c.floats[i])).release());
            continue;
        }
        TokenKind k = classify_token(t, c.tokens[i]);
        if (k == TokenKind::Other) throw NotPlain{};
        Ref value = token_value(t, c.tokens[i], k);
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i - b), value.release());
    }
    return list;
}

Ref vertices_list(Text t, const Coords& c, size_t from, size_t to) {
    Ref list = own(PyList_New(static_cast<Py_ssize_t>(to - from)));
    for (size_t v = from; v < to; ++v)
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(v - from), vertex_list(t, c, v).release());
    return list;
}

Ref rings_list(Text t, const Coords& c, size_t from, size_t to) {
    Ref list = own(PyList_New(static_cast<Py_ssize_t>(to - from)));
    for (size_t r = from; r < to; ++r) {
        Ref ring = vertices_list(t, c, r == 0 ? 0 : c.ring_end[r - 1], c.ring_end[r]);
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(r - from), ring.release());
    }
    return list;
}

// Builds Python values from the scanner's events.
class ValueBuilder {
public:
    explicit ValueBuilder(Text t) : t_(t) {}
    Ref take() { return std::move(root_); }

    // Each level the scanner enters, refused as the json module words it.
    bool begin_array() {
        floor_.check(kInArray);
        return open(own(PyList_New(0)));
    }
    bool begin_object() {
        floor_.check(kInObject);
        return open(own(PyDict_New()));
    }
    bool end_array() { return close(); }
    bool end_object() { return close(); }
    bool key(Span s) {
        keys_.push_back(str_of(t_, s));
        return true;
    }
    bool string(Span s) { return add(str_of(t_, s)); }
    bool scalar(Span s, TokenKind k) { return add(token_value(t_, s, k)); }
    bool number(Span s, const JsonNumber& n) {
        double d;
        if (n.is_float && float_token_value(t_, s, n, d)) return add(own(PyFloat_FromDouble(d)));
        return scalar(s, n.is_float ? TokenKind::Float : TokenKind::Int);
    }

private:
    Text t_;
    RecursionGuard::Floor floor_;
    std::vector<Ref> stack_;
    std::vector<Ref> keys_;
    Ref root_;

    bool add(Ref v) {
        if (stack_.empty()) {
            root_ = std::move(v);
            return true;
        }
        PyObject* top = stack_.back().get();
        if (PyList_CheckExact(top)) {
            check(PyList_Append(top, v.get()));
        } else {
            check(PyDict_SetItem(top, keys_.back().get(), v.get()));
            keys_.pop_back();
        }
        return true;
    }
    bool open(Ref container) {
        stack_.push_back(std::move(container));
        return true;
    }
    bool close() {
        Ref done = std::move(stack_.back());
        stack_.pop_back();
        return add(std::move(done));
    }
};

}  // namespace

Ref coords_value(Text t, const Coords& c) {
    try {
        switch (c.depth) {
            case 1: return vertex_list(t, c, 0);
            case 2: return vertices_list(t, c, 0, c.vertex_end.size());
            case 3: return rings_list(t, c, 0, c.ring_end.size());
            default: {
                Ref list = own(PyList_New(static_cast<Py_ssize_t>(c.poly_end.size())));
                for (size_t p = 0; p < c.poly_end.size(); ++p) {
                    Ref poly = rings_list(t, c, p == 0 ? 0 : c.poly_end[p - 1], c.poly_end[p]);
                    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(p), poly.release());
                }
                return list;
            }
        }
    } catch (const NotPlain&) {
        std::u32string text = coords_json(t, c);
        Ref str = str_of(text);
        return json_loads(str.get());
    }
}

Ref json_value(PyObject* str, Text t) {
    ValueBuilder builder(t);
    JsonScanner<ValueBuilder> scanner(t, builder);
    if (scanner.run()) return builder.take();
    return json_loads(str);
}

}  // namespace tiven::geometry
