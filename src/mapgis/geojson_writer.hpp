// JSON text as the interpreter's json.dumps(..., ensure_ascii=False) writes it:
// ", " and ": " separators, floats in repr form with NaN, Infinity and
// -Infinity, strings with only '"', '\\' and control characters escaped. And
// the buffered file that the export writes it to.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tiven::mapgis {

void append_json_float(std::string& out, double x);
void append_json_int(std::string& out, long long v);
// `utf8` must be valid UTF-8; it is copied with the JSON escapes.
void append_json_string(std::string& out, std::string_view utf8);
// Appends the escaped form of one code point (the body of a string, no quotes).
void append_json_code_point(std::string& out, uint32_t cp);

// A file opened for writing (created or truncated), written through a buffer.
// Failures return the errno value; nothing is thrown.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int open(const std::string& path);
    // Writes out everything buffered so far.
    int flush();
    // Flushes and closes; returns the first error met.
    int close();
    bool is_open() const noexcept { return fd_ >= 0; }

    // The pending text; callers append to it and flush at points of their choice.
    std::string& buffer() noexcept { return buf_; }

private:
    int fd_ = -1;
    std::string buf_;
};

}  // namespace tiven::mapgis
