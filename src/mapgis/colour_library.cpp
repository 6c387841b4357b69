#include "mapgis/colour_library.hpp"

#include <algorithm>
#include <cmath>

#include "core/platform_file.hpp"
#include "core/pynum.hpp"

namespace tiven::mapgis {

bool ColourLibrary::load(const std::string& path) {
    buffer_.clear();
    count_ = 0;
    loaded_ = false;
    platform::File f;
    if (f.open_read(path)) return false;
    std::vector<uint8_t> data;
    uint8_t chunk[1 << 14];
    for (int64_t at = kColourHeadSize;;) {
        int64_t got = 0;
        if (f.read_at(chunk, sizeof chunk, at, got)) return false;
        data.insert(data.end(), chunk, chunk + got);
        if (got < static_cast<int64_t>(sizeof chunk)) break;  // the end of the file
        at += got;
    }
    buffer_ = std::move(data);
    count_ = static_cast<int64_t>(buffer_.size()) / kColourRecordSize;
    loaded_ = true;
    return true;
}

namespace {
// round(100.0 * d / 255.0): the product first, then the quotient.
int percentage(int d) {
    return static_cast<int>(py_round_int(100.0 * d / 255.0));
}
}  // namespace

std::array<int, 4> colour_cmyk(const uint8_t* r) {
    int K = r[0], C = r[1], M = r[2], Y = r[3], M100Y100 = r[4], M25Y100 = r[5];
    int m100y100 = percentage(M100Y100);
    int m25y100 = percentage(M25Y100);
    int c = percentage(C);
    // Spot inks are rounded before they join; the process ink is not.
    double msum = 100.0 * M / 255.0 + m100y100 + m25y100 * 0.25;
    int m = std::min(100, static_cast<int>(py_round_int(msum)));
    double ysum = 100.0 * Y / 255.0 + m100y100 + m25y100;
    int y = std::min(100, static_cast<int>(py_round_int(ysum)));
    int k = percentage(K);
    return {c, m, y, k};
}

std::array<int, 3> colour_rgb(const uint8_t* record) {
    auto [C, M, Y, K] = colour_cmyk(record);
    double c = C / 100.0, m = M / 100.0, y = Y / 100.0, k = K / 100.0;
    auto component = [&](double v) {
        int x = static_cast<int>(py_round_int(255 * (1 - v) * (1 - k)));
        return std::max(std::min(x, 255), 0);
    };
    return {component(c), component(m), component(y)};
}

void colour_hex(const uint8_t* record, char out[7]) {
    static const char digits[] = "0123456789ABCDEF";
    auto [R, G, B] = colour_rgb(record);
    out[0] = '#';
    out[1] = digits[(R >> 4) & 15]; out[2] = digits[R & 15];
    out[3] = digits[(G >> 4) & 15]; out[4] = digits[G & 15];
    out[5] = digits[(B >> 4) & 15]; out[6] = digits[B & 15];
}

const uint8_t* ColourLibrary::record(int64_t index) const {
    return buffer_.data() + (index - 1) * kColourRecordSize;
}

std::array<int, 4> ColourLibrary::cmyk(int64_t index) const { return colour_cmyk(record(index)); }
std::array<int, 3> ColourLibrary::rgb(int64_t index) const { return colour_rgb(record(index)); }
void ColourLibrary::hex_into(int64_t index, char out[7]) const { colour_hex(record(index), out); }

std::string ColourLibrary::hex(int64_t index) const {
    char out[7];
    hex_into(index, out);
    return std::string(out, 7);
}

}  // namespace tiven::mapgis
