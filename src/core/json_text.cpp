#include "core/json_text.hpp"

namespace tiven {

void append_json_escape(std::string& out, char32_t c) {
    static const char kHex[] = "0123456789abcdef";
    switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char u[6] = {'\\', 'u', '0', '0', kHex[(c >> 4) & 15], kHex[c & 15]};
            out.append(u, 6);
        }
    }
}

void append_json_string(std::string& out, std::string_view s) {
    out += '"';
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (json_needs_escape(c)) {
            out.append(s.data() + run, i - run);
            append_json_escape(out, c);
            run = i + 1;
        }
    }
    out.append(s.data() + run, s.size() - run);
    out += '"';
}

void append_json_int(std::string& out, long long v) {
    char buf[kJsonIntMax];
    out.append(buf, json_int_chars(v, buf));
}

}  // namespace tiven
