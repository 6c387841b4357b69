#include "mapgis/output_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tiven::mapgis {

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

int OutputFile::open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd_ < 0 ? errno : 0;
}

int OutputFile::flush() {
    size_t done = 0;
    while (done < buf_.size()) {
        ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            buf_.erase(0, done);
            return err;
        }
        done += static_cast<size_t>(n);
    }
    buf_.clear();
    return 0;
}

int OutputFile::close() {
    if (fd_ < 0) return 0;
    int err = flush();
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    buf_.clear();
    return err;
}

}  // namespace tiven::mapgis
