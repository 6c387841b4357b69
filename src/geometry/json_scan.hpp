// A linear JSON scanner over a UTF-32 text that reports values to a handler.
// It accepts a strict subset of what the json module accepts (no escapes in
// strings, bounded depth) and gives up (returns false) on anything else, so
// that the caller can hand the text to the json module for its own verdict.
#pragma once
#include "geometry/json_token.hpp"

namespace tiven::geometry {

// Handler: bool begin_array(); bool end_array(); bool begin_object();
// bool end_object(); bool key(Span); bool string(Span); bool scalar(Span, TokenKind);
// bool number(Span, const JsonNumber&) for a token that is a number.
// The reader recurses: begin_array and begin_object may throw to stop a text
// too deep for the thread's stack.
template <class Handler>
class JsonScanner {
public:
    static constexpr int kMaxDepth = 200;  // deeper texts go to the json module

    JsonScanner(Text t, Handler& h) : t_(t), h_(h) {}

    bool run() {
        size_t i = 0;
        skip(i);
        if (!value(i, 0)) return false;
        skip(i);
        return i == t_.size();
    }

private:
    Text t_;
    Handler& h_;

    // JSON whitespace only (blank, tab, line feed, carriage return), spelt out
    // here and in ends_token: through a helper GCC laid the loop out about 5% slower.
    void skip(size_t& i) const {
        while (i < t_.size() && (t_[i] == U' ' || t_[i] == U'\t' || t_[i] == U'\n' || t_[i] == U'\r')) ++i;
    }

    bool string_span(size_t& i, Span& out) const {
        size_t j = i + 1;
        while (j < t_.size()) {
            char32_t c = t_[j];
            if (c == U'"') {
                out = {i + 1, j};
                i = j + 1;
                return true;
            }
            if (c == U'\\' || c < 0x20) return false;
            ++j;
        }
        return false;
    }

    static bool ends_token(char32_t d) {
        return d == U',' || d == U']' || d == U'}' || d == U' ' || d == U'\t' || d == U'\n' || d == U'\r' || d == U':';
    }

    bool value(size_t& i, int depth) {
        if (i >= t_.size()) return false;
        char32_t c = t_[i];
        if (c == U'[') return array(i, depth + 1);
        if (c == U'{') return object(i, depth + 1);
        if (c == U'"') {
            Span s;
            if (!string_span(i, s)) return false;
            return h_.string(s);
        }
        // A number, read as it is scanned, when it is the whole token.
        JsonNumber n = scan_json_number(t_, i, t_.size());
        size_t j = i + n.length;
        if (n.length > 0 && (j == t_.size() || ends_token(t_[j]))) {
            Span s{i, j};
            i = j;
            return h_.number(s, n);
        }
        while (j < t_.size() && !ends_token(t_[j])) ++j;
        Span s{i, j};
        TokenKind k = classify_token(t_, s);
        if (k == TokenKind::Other) return false;
        i = j;
        return h_.scalar(s, k);
    }

    bool array(size_t& i, int depth) {
        if (depth > kMaxDepth || !h_.begin_array()) return false;
        ++i;
        skip(i);
        if (i < t_.size() && t_[i] == U']') {
            ++i;
            return h_.end_array();
        }
        for (;;) {
            if (!value(i, depth)) return false;
            skip(i);
            if (i >= t_.size()) return false;
            if (t_[i] == U']') {
                ++i;
                return h_.end_array();
            }
            if (t_[i] != U',') return false;
            ++i;
            skip(i);
        }
    }

    bool object(size_t& i, int depth) {
        if (depth > kMaxDepth || !h_.begin_object()) return false;
        ++i;
        skip(i);
        if (i < t_.size() && t_[i] == U'}') {
            ++i;
            return h_.end_object();
        }
        for (;;) {
            if (i >= t_.size() || t_[i] != U'"') return false;
            Span k;
            if (!string_span(i, k) || !h_.key(k)) return false;
            skip(i);
            if (i >= t_.size() || t_[i] != U':') return false;
            ++i;
            skip(i);
            if (!value(i, depth)) return false;
            skip(i);
            if (i >= t_.size()) return false;
            if (t_[i] == U'}') {
                ++i;
                return h_.end_object();
            }
            if (t_[i] != U',') return false;
            ++i;
            skip(i);
        }
    }
};

}  // namespace tiven::geometry
