// The operating system's files behind one small interface; all that differs
// between POSIX and Windows lives in platform_file.cpp. Paths are the bytes
// PyUnicode_FSConverter gives: the file system's own on POSIX, UTF-8 on
// Windows, where files are opened by their UTF-16 name so that any folder
// name (Chinese ones included) works. Failures return the C library's errno
// value; nothing is thrown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tiven::platform {

class File {
public:
    File() noexcept = default;
    ~File() { close(); }
    File(File&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File& operator=(File&&) = delete;

    // For reading. A directory is refused with EISDIR, as the interpreter's
    // open() refuses it.
    int open_read(const std::string& path) noexcept;
    // For writing: created, or truncated when it exists.
    int open_write(const std::string& path) noexcept;
    bool is_open() const noexcept { return fd_ >= 0; }

    // The size of a regular file when it was opened for reading; 0 for any other.
    int64_t size() const noexcept { return size_; }

    // Reads up to n bytes at `offset`, stopping early only at the end of the
    // file or at an error; `got` receives the bytes read either way.
    int read_at(void* out, int64_t n, int64_t offset, int64_t& got) noexcept;
    // Writes all n bytes unless an error stops it; `written` receives how many went out.
    int write(const char* data, size_t n, size_t& written) noexcept;
    int close() noexcept;

private:
    int fd_ = -1;
    int64_t size_ = 0;
};

// Whether two paths name one file, links followed (device and inode; volume
// serial number and file index on Windows). A path that cannot be looked up
// names no file.
bool same_file(const std::string& a, const std::string& b) noexcept;

}  // namespace tiven::platform
