#include "mapgis/binary_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tiven::mapgis {

namespace {
[[noreturn]] void os_error(int err, const std::string& path) {
    std::string msg = "[Errno " + std::to_string(err) + "] " + std::strerror(err) + ": '" + path + "'";
    fail(err == ENOENT ? ErrorKind::FileNotFoundError : ErrorKind::OSError, msg);
}

// pread until n bytes or the end of the file; returns the bytes read.
int64_t read_at(int fd, uint8_t* out, int64_t n, int64_t offset) {
    int64_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd, out + done, static_cast<size_t>(n - done), offset + done);
        if (got < 0) {
            if (errno == EINTR) continue;
            break;  // a read error reads as the end of the file: the caller's size check reports it
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}
}  // namespace

BinaryFile::BinaryFile(BinaryFile&& o) noexcept : fd_(o.fd_), size_(o.size_), pos_(o.pos_), clock_(o.clock_) {
    for (int k = 0; k < kBlocks; ++k) blocks_[k] = std::move(o.blocks_[k]);
    o.fd_ = -1;
}

void BinaryFile::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) os_error(errno, path);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        os_error(e, path);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        os_error(EISDIR, path);
    }
    fd_ = fd;
    size_ = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
    pos_ = 0;
}

void BinaryFile::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
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
    int64_t want = size_ - block_start < kBlock ? size_ - block_start : kBlock;
    victim->data.resize(static_cast<size_t>(kBlock));
    victim->length = read_at(fd_, victim->data.data(), want, block_start);
    victim->start = block_start;
    victim->used = ++clock_;
    return victim;
}

size_t BinaryFile::read_into(void* out, size_t n) {
    if (fd_ < 0 || pos_ >= size_) return 0;
    int64_t avail = size_ - pos_;
    int64_t want = static_cast<int64_t>(n) > avail ? avail : static_cast<int64_t>(n);
    auto* dst = static_cast<uint8_t*>(out);
    int64_t done = 0;
    if (want >= kBlock) {
        // Large reads go straight to the caller's buffer.
        done = read_at(fd_, dst, want, pos_);
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

bool same_file(const std::string& a, const std::string& b) noexcept {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::vector<uint8_t> BinaryFile::read(int64_t n) {
    if (n < 0 || fd_ < 0 || pos_ >= size_) {
        // read(-1) reads the rest, as a file object does
        if (n >= 0 || fd_ < 0 || pos_ >= size_) return {};
        n = size_ - pos_;
    }
    int64_t avail = size_ - pos_;
    if (n > avail) n = avail;
    std::vector<uint8_t> buf(static_cast<size_t>(n));
    buf.resize(read_into(buf.data(), buf.size()));
    return buf;
}

}  // namespace tiven::mapgis
