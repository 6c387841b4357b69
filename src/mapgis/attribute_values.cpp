#include "mapgis/attribute_values.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/pynum.hpp"

namespace tiven::mapgis {

namespace {
// a-b-c with each part padded with zeros on the left to its width, as the
// '0>' fill of a format pads (zeros go before a sign).
std::string joined(const std::string (&parts)[3], const size_t (&widths)[3], char separator) {
    std::string out;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) out += separator;
        if (parts[k].size() < widths[k]) out.append(widths[k] - parts[k].size(), '0');
        out += parts[k];
    }
    return out;
}
}  // namespace

std::string format_date(unsigned year, unsigned month, unsigned day) {
    return joined({std::to_string(year), std::to_string(month), std::to_string(day)}, {4, 2, 2}, '-');
}

std::string format_time(unsigned hour, unsigned minute, double seconds) {
    return joined({std::to_string(hour), std::to_string(minute), format_fixed(seconds, 3)}, {2, 2, 6}, ':');
}

double round_through_text(double x, int decimals) {
    if (std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
    if (std::isinf(x)) return x;
    // The fixed-point text is exact and correctly rounded (ties to even on the
    // binary value), as the interpreter's '{:.Nf}' writes it.
    char buf[1400];  // 309 integer digits, the point, up to 1000 decimals, the sign
    if (decimals < 0 || decimals > 1000) decimals = decimals < 0 ? 0 : 1000;
    auto text = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    double value = 0.0;
    std::from_chars(buf, text.ptr, value);
    return value;
}

}  // namespace tiven::mapgis
