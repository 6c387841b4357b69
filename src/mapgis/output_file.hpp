// The buffered file that the export writes its JSON text to.
#pragma once
#include <string>

#include "core/platform_file.hpp"

namespace tiven::mapgis {

// A file opened for writing (created or truncated), written through a buffer.
// Failures return the errno value; nothing is thrown.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int open(const std::string& path) { return file_.open_write(path); }
    // Writes out everything buffered so far.
    int flush();
    // Flushes and closes; returns the first error met.
    int close();
    bool is_open() const noexcept { return file_.is_open(); }

    // The pending text; callers append to it and flush at points of their choice.
    std::string& buffer() noexcept { return buf_; }

private:
    platform::File file_;
    std::string buf_;
};

}  // namespace tiven::mapgis
