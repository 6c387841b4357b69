// Decimal degrees and degree-minute-second values. The text matching is done
// by the binding with the interpreter's `re`; this is the arithmetic.
#include <cmath>

#include "core/error.hpp"
#include "core/pynum.hpp"
#include "projection/projections.hpp"

namespace tiven::projection {

DmsParts split_degrees(double value) {
    if (!(value <= 360.0))
        fail("[" + float_repr(value) + "] should be between [-360 \xEF\xBD\x9E +360] in [deg] parameter.");
    double d = std::floor(value);
    double m = std::floor((value - d) * 60);
    double s = (value - d) * 3600.0 - m * 60.0;
    // Carried one at a time: rounding of the seconds later may still show 60.0.
    if (s >= 60.0) {
        s = s - 60;
        m = m + 1;
    }
    if (m >= 60) {
        m = m - 60;
        d = d + 1;
    }
    return {static_cast<long long>(d), static_cast<long long>(m), s};
}

std::string dms_text(bool negative, long long degrees, long long minutes, double seconds) {
    std::string out = negative ? "-" : "";
    out += std::to_string(degrees);
    out += "\xC2\xB0";  // °
    out += std::to_string(minutes);
    out += "\xE2\x80\xB2";  // ′
    out += float_repr(seconds);
    out += "\xE2\x80\xB3";  // ″
    return out;
}

double dms_value(bool negative, long long degrees, long long minutes, double seconds) {
    double v = (static_cast<double>(degrees) + static_cast<double>(minutes) / 60.0) + seconds / 3600.0;
    return negative ? -1.0 * v : v;
}

}  // namespace tiven::projection
