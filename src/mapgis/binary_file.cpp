#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

void fail_offset_size() { fail(ErrorKind::ValueError, "cannot fit 'int' into an offset-sized integer"); }

int BinaryFile::open(const std::string& path) {
    close();
    pos_ = 0;
    return file_.open_read(path);
}

void BinaryFile::close() noexcept {
    (void)file_.close();
    for (Block& b : blocks_) {
        b.start = -1;
        b.length = 0;
        std::vector<uint8_t>().swap(b.data);
    }
}

void BinaryFile::seek(int64_t pos) {
    if (pos < 0) fail(ErrorKind::OSError, "[Errno 22] Invalid argument");
    pos_ = pos;
}

const BinaryFile::Block* BinaryFile::block_at(int64_t block_start) {
    Block* victim = &blocks_[0];
    for (Block& b : blocks_) {
        if (b.start == block_start) {
            b.used = ++clock_;
            return &b;
        }
        if (b.used < victim->used) victim = &b;
    }
    int64_t want = size() - block_start < kBlock ? size() - block_start : kBlock;
    victim->data.resize(static_cast<size_t>(kBlock));
    // A read error reads as the end of the file: the caller's size check reports it.
    (void)file_.read_at(victim->data.data(), want, block_start, victim->length);
    victim->start = block_start;
    victim->used = ++clock_;
    return victim;
}

size_t BinaryFile::read_into(void* out, size_t n) {
    if (!is_open() || pos_ >= size()) return 0;
    int64_t avail = size() - pos_;
    int64_t want = static_cast<int64_t>(n) > avail ? avail : static_cast<int64_t>(n);
    auto* dst = static_cast<uint8_t*>(out);
    int64_t done = 0;
    if (want >= kBlock) {
        // Large reads go straight to the caller's buffer.
        (void)file_.read_at(dst, want, pos_, done);
    } else {
        while (done < want) {
            int64_t at = pos_ + done;
            int64_t start = at - at % kBlock;
            const Block* b = block_at(start);
            int64_t from = at - start;
            if (from >= b->length) break;  // the file ended early
            int64_t take = b->length - from < want - done ? b->length - from : want - done;
            std::memcpy(dst + done, b->data.data() + from, static_cast<size_t>(take));
            done += take;
        }
    }
    pos_ += done;
    return static_cast<size_t>(done);
}

std::vector<uint8_t> BinaryFile::read(int64_t n) {
    if (n < 0 || !is_open() || pos_ >= size()) {
        // read(-1) reads the rest, as a file object does
        if (n >= 0 || !is_open() || pos_ >= size()) return {};
        n = size() - pos_;
    }
    int64_t avail = size() - pos_;
    if (n > avail) n = avail;
    std::vector<uint8_t> buf(static_cast<size_t>(n));
    buf.resize(read_into(buf.data(), buf.size()));
    return buf;
}

}  // namespace tiven::mapgis
