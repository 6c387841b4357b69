#include "core/platform_file.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tiven::platform {

namespace {

// The system calls, one platform at a time. Each returns 0 or an errno value;
// read_some and write_some return the count, or -1 with errno set.

#ifdef _WIN32

// At most this much goes to one _read or _write (they take an unsigned int).
unsigned chunk(size_t n) {
    constexpr size_t kMaxChunk = size_t{1} << 30;
    return static_cast<unsigned>(n < kMaxChunk ? n : kMaxChunk);
}

// The UTF-16 form of a UTF-8 path; false when the bytes are not UTF-8.
bool widen(const std::string& utf8, std::wstring& out) {
    out.clear();
    if (utf8.empty()) return true;
    if (utf8.size() > static_cast<size_t>(INT_MAX)) return false;
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, out.data(), n) == n;
}

int open_reading(const std::string& path, int& fd, int64_t& size) {
    std::wstring name;
    if (!widen(path, name)) return EINVAL;
    struct _stat64 st;
    if (_wstat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR) return EISDIR;
    if (int err = _wsopen_s(&fd, name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0)) return err;
    if (_fstat64(fd, &st) != 0) {
        const int err = errno;
        _close(fd);
        return err;
    }
    size = (st.st_mode & _S_IFMT) == _S_IFREG ? static_cast<int64_t>(st.st_size) : 0;
    return 0;
}

int open_writing(const std::string& path, int& fd) {
    std::wstring name;
    if (!widen(path, name)) return EINVAL;
    const int flags = _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT;
    return _wsopen_s(&fd, name.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
}

int64_t read_some(int fd, char* out, int64_t n, int64_t offset) {
    if (_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    return _read(fd, out, chunk(static_cast<size_t>(n)));
}

int64_t write_some(int fd, const char* data, size_t n) {
    return _write(fd, data, chunk(n));
}

int close_file(int fd) { return _close(fd) != 0 ? errno : 0; }

bool file_identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    std::wstring name;
    if (!widen(path, name)) return false;
    // No access asked: only the identity is read. Directories need the backup flag.
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok != 0;
}

bool same_identity(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!file_identity(a, ia) || !file_identity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

#else  // POSIX

int open_reading(const std::string& path, int& fd, int64_t& size) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (err) {
        ::close(fd);
        return err;
    }
    size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
    return 0;
}

int open_writing(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? errno : 0;
}

int64_t read_some(int fd, char* out, int64_t n, int64_t offset) {
    return ::pread(fd, out, static_cast<size_t>(n), offset);
}

int64_t write_some(int fd, const char* data, size_t n) { return ::write(fd, data, n); }

int close_file(int fd) { return ::close(fd) != 0 ? errno : 0; }

bool same_identity(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

#endif

}  // namespace

int File::open_read(const std::string& path) noexcept {
    close();
    int fd = -1;
    int64_t size = 0;
    if (int err = open_reading(path, fd, size)) return err;
    fd_ = fd;
    size_ = size;
    return 0;
}

int File::open_write(const std::string& path) noexcept {
    close();
    int fd = -1;
    if (int err = open_writing(path, fd)) return err;
    fd_ = fd;
    return 0;
}

int File::read_at(void* out, int64_t n, int64_t offset, int64_t& got) noexcept {
    got = 0;
    auto* dst = static_cast<char*>(out);
    while (got < n) {
        const int64_t r = read_some(fd_, dst + got, n - got, offset + got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (r == 0) break;
        got += r;
    }
    return 0;
}

int File::write(const char* data, size_t n, size_t& written) noexcept {
    written = 0;
    while (written < n) {
        const int64_t w = write_some(fd_, data + written, n - written);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        written += static_cast<size_t>(w);
    }
    return 0;
}

int File::close() noexcept {
    if (fd_ < 0) return 0;
    const int err = close_file(fd_);
    fd_ = -1;
    size_ = 0;
    return err;
}

bool same_file(const std::string& a, const std::string& b) noexcept { return same_identity(a, b); }

}  // namespace tiven::platform
