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
#include "core/platform_file.hpp"

namespace tiven::mapgis {

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile() { close(); }
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Returns 0, or the errno value of the failure.
    int open(const std::string& path);
    void close() noexcept;
    bool is_open() const noexcept { return file_.is_open(); }

    int64_t size() const noexcept { return file_.size(); }
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

    platform::File file_;
    int64_t pos_ = 0;
    uint64_t clock_ = 0;
    Block blocks_[kBlocks];
};

// Offset arithmetic on positions that may come from altered attributes: a
// result beyond 64 bits is refused as a file object's seek refuses it.
[[noreturn]] void fail_offset_size();
inline int64_t offset_add(int64_t a, int64_t b) {
    if (b > 0 ? a > INT64_MAX - b : a < INT64_MIN - b) fail_offset_size();
    return a + b;
}
inline int64_t offset_mul(int64_t a, int64_t b) {
    // Each quotient is exact in range; the signs pick the bound the product meets.
    const bool overflow = a > 0 ? (b > 0 ? a > INT64_MAX / b : b < INT64_MIN / a)
                                : (b > 0 ? a < INT64_MIN / b : a != 0 && b < INT64_MAX / a);
    if (overflow) fail_offset_size();
    return a * b;
}

// Little-endian fixed-width decoding from a byte buffer (memcpy, no overlays).
template <typename T>
inline T load_le(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;  // the hosts served are little-endian
}

}  // namespace tiven::mapgis
