#include "mapgis/binary_file.hpp"

#include <cerrno>
#include <cstring>

namespace tiven::mapgis {

namespace {
[[noreturn]] void os_error(int err, const std::string& path) {
    std::string msg = "[Errno " + std::to_string(err) + "] " + std::strerror(err) + ": '" + path + "'";
    fail(err == ENOENT ? ErrorKind::FileNotFoundError : ErrorKind::OSError, msg);
}
}  // namespace

void BinaryFile::open(const std::string& path) {
    close();
    f_ = std::fopen(path.c_str(), "rb");
    if (!f_) os_error(errno, path);
    if (std::fseek(f_, 0, SEEK_END) != 0) { int e = errno; close(); os_error(e, path); }
    long end = std::ftell(f_);
    if (end < 0) { int e = errno; close(); os_error(e, path); }
    size_ = end;
    std::fseek(f_, 0, SEEK_SET);
    pos_ = 0;
}

void BinaryFile::seek(int64_t pos) {
    if (pos < 0) fail(ErrorKind::OSError, "[Errno 22] Invalid argument");
    pos_ = pos;
}

size_t BinaryFile::read_into(void* out, size_t n) {
    if (!f_ || pos_ >= size_) return 0;
    int64_t avail = size_ - pos_;
    size_t want = static_cast<int64_t>(n) > avail ? static_cast<size_t>(avail) : n;
    if (std::fseek(f_, static_cast<long>(pos_), SEEK_SET) != 0) return 0;
    size_t got = std::fread(out, 1, want, f_);
    pos_ += static_cast<int64_t>(got);
    return got;
}

std::vector<uint8_t> BinaryFile::read(int64_t n) {
    if (n < 0 || !f_ || pos_ >= size_) {
        // read(-1) reads the rest, as a file object does
        if (n >= 0 || !f_ || pos_ >= size_) return {};
        n = size_ - pos_;
    }
    int64_t avail = size_ - pos_;
    if (n > avail) n = avail;
    std::vector<uint8_t> buf(static_cast<size_t>(n));
    buf.resize(read_into(buf.data(), buf.size()));
    return buf;
}

}  // namespace tiven::mapgis
