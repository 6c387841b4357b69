// Bounds-checked reading of a binary file: every read is tested against the
// file's size, and the file is closed when the reader goes away. Reads go
// through a few cached blocks, so the scattered small reads of the MapGIS
// readers (records, vertices, attributes in different sections) cost no
// system call each.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/error.hpp"

namespace tiven::mapgis {

class BinaryFile {
public:
    BinaryFile() = default;
    explicit BinaryFile(const std::string& path) { open(path); }
    ~BinaryFile() { close(); }
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& o) noexcept;

    // Throws OSError/FileNotFoundError with the system's message on failure.
    void open(const std::string& path);
    void close() noexcept;
    bool is_open() const noexcept { return fd_ >= 0; }

    int64_t size() const noexcept { return size_; }
    int64_t tell() const noexcept { return pos_; }
    // Seeking past the end is allowed (a later read then gets fewer bytes);
    // a negative position raises OSError as the file object would.
    void seek(int64_t pos);

    // Reads up to n bytes (fewer at the end of the file), never more than the
    // file holds, so a count from the file never drives a huge allocation.
    std::vector<uint8_t> read(int64_t n);
    // Reads up to n bytes into out; returns how many were read.
    size_t read_into(void* out, size_t n);

private:
    static constexpr int64_t kBlock = 1 << 16;
    static constexpr int kBlocks = 8;  // polygon files read six sections in step
    struct Block {
        int64_t start = -1;  // file offset of the block; -1: empty
        int64_t length = 0;
        uint64_t used = 0;   // last use, for eviction
        std::vector<uint8_t> data;
    };
    const Block* block_at(int64_t block_start);

    int fd_ = -1;
    int64_t size_ = 0;
    int64_t pos_ = 0;
    uint64_t clock_ = 0;
    Block blocks_[kBlocks];
};

// Whether two paths name one file (same device and inode, links followed).
// A path that cannot be looked up names no file.
bool same_file(const std::string& a, const std::string& b) noexcept;

// Offset arithmetic on positions that may come from altered attributes: a
// result beyond 64 bits is refused as a file object's seek refuses it.
inline int64_t offset_add(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) fail(ErrorKind::ValueError, "cannot fit 'int' into an offset-sized integer");
    return r;
}
inline int64_t offset_mul(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) fail(ErrorKind::ValueError, "cannot fit 'int' into an offset-sized integer");
    return r;
}

// Little-endian fixed-width decoding from a byte buffer (memcpy, no overlays).
template <typename T>
inline T load_le(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;  // the hosts served are little-endian
}

}  // namespace tiven::mapgis
