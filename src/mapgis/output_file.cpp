#include "mapgis/output_file.hpp"

namespace tiven::mapgis {

int OutputFile::flush() {
    size_t written = 0;
    const int err = file_.write(buf_.data(), buf_.size(), written);
    // What went out leaves the buffer; the rest stays for a later attempt.
    buf_.erase(0, written);
    return err;
}

int OutputFile::close() {
    if (!file_.is_open()) return 0;
    int err = flush();
    const int closing = file_.close();
    if (err == 0) err = closing;
    buf_.clear();
    return err;
}

}  // namespace tiven::mapgis
