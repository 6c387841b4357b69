// The buffered file that the export writes its JSON text to.
#pragma once
#include <string>

namespace tiven::mapgis {

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
