// Range tests shared by the projections. Each is a closed chained
// comparison, so NaN fails it; the value is shown as Python prints a float.
#include <cmath>

#include "core/error.hpp"
#include "core/pynum.hpp"
#include "projection/projections.hpp"

namespace tiven::projection {

void range_error(double value, const char* name, const char* bounds) {
    fail(std::string("Invalid [") + name + ": " + float_repr(value) + "] parameter. Should be between " + bounds +
         ".");
}

void check_conic_parameters(double cm, double origin, double parallel1, double parallel2) {
    check_central_meridian(cm);
    check_range(origin, -90.0, 90.0, "originLatitude", "-90 and +90");
    check_range(parallel1, -90.0, 90.0, "parallel1", "-90 and +90");
    check_range(parallel2, -90.0, 90.0, "parallel2", "-90 and +90");
}

// The series and cone formulas only hold within half a turn of the central
// meridian: a longitude on the far side is taken the short way round.
double near_meridian(double longitude, double cm) {
    double d = longitude - cm;
    if (d > 180.0) return longitude - 360.0;
    if (d < -180.0) return longitude + 360.0;
    return longitude;
}

// The inverses' counterpart of near_meridian: the answer is the point the
// forward accepts. fmod and the one turn after it are exact, so the result is
// the true remainder (the usual single turn, or as many as a far point needs).
double wrap_longitude(double longitude) {
    if ((-180.0 <= longitude && longitude <= 180.0) || !std::isfinite(longitude)) return longitude;
    double r = std::fmod(longitude, 360.0);
    if (r > 180.0) r -= 360.0;
    else if (r < -180.0) r += 360.0;
    return r == 0.0 ? 0.0 : r;  // a whole turn lands on +0.0, as -360 + 360 does
}

}  // namespace tiven::projection
