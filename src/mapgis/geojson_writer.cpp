#include "mapgis/geojson_writer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>

#include "core/pynum.hpp"

namespace tiven::mapgis {

void append_json_float(std::string& out, double x) {
    if (std::isnan(x)) { out += "NaN"; return; }
    if (std::isinf(x)) { out += x > 0 ? "Infinity" : "-Infinity"; return; }
    append_float_repr(out, x);
}

void append_json_int(std::string& out, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

namespace {
const char kHex[] = "0123456789abcdef";

inline bool needs_escape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

inline void append_escape(std::string& out, unsigned char c) {
    switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char u[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(u, 6);
        }
    }
}
}  // namespace

void append_json_string(std::string& out, std::string_view s) {
    out += '"';
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (needs_escape(c)) {
            out.append(s.data() + run, i - run);
            append_escape(out, c);
            run = i + 1;
        }
    }
    out.append(s.data() + run, s.size() - run);
    out += '"';
}

void append_json_code_point(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        unsigned char c = static_cast<unsigned char>(cp);
        if (needs_escape(c)) append_escape(out, c);
        else out += static_cast<char>(c);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

int OutputFile::open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd_ < 0 ? errno : 0;
}

int OutputFile::flush() {
    size_t done = 0;
    while (done < buf_.size()) {
        ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            buf_.erase(0, done);
            return err;
        }
        done += static_cast<size_t>(n);
    }
    buf_.clear();
    return 0;
}

int OutputFile::close() {
    if (fd_ < 0) return 0;
    int err = flush();
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    buf_.clear();
    return err;
}

}  // namespace tiven::mapgis
