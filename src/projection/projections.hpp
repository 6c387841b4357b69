// The geodesy and projection formulas, on doubles. Each routine is a strict
// transcription of its float formula (same grouping, same libm calls), so its
// results agree bit for bit with the same formula evaluated in Python; the
// failures are raised as the messages of the `Projection` class.
#pragma once
#include <optional>
#include <string>

namespace tiven::projection {

struct Pair {
    double first;
    double second;
};

// ---- shared argument tests ---------------------------------------------------

// Exception "Invalid [name: value] parameter. Should be between bounds."
[[noreturn]] void range_error(double value, const char* name, const char* bounds);
// A closed chained comparison, so NaN fails it.
inline void check_range(double v, double lo, double hi, const char* name, const char* bounds) {
    if (!(lo <= v && v <= hi)) range_error(v, name, bounds);
}
// -180..180, NaN refused
inline void check_longitude(double longitude) { check_range(longitude, -180.0, 180.0, "longitude", "-180 and +180"); }
inline void check_latitude(double latitude) { check_range(latitude, -90.0, 90.0, "latitude", "-90 and +90"); }
inline void check_central_meridian(double cm) {
    check_range(cm, -180.0, 180.0, "centralMeridian", "-180 and +180");
}
// centralMeridian, originLatitude, parallel1, parallel2 of the conic projections.
void check_conic_parameters(double cm, double origin, double parallel1, double parallel2);
// A longitude brought within 180 degrees of the central meridian (+-360).
double near_meridian(double longitude, double cm);
// An inverse longitude beyond +-180 brought back by whole turns; one inside
// the range, an infinity or a NaN is returned as it is.
double wrap_longitude(double longitude);

// ---- zones (6 and 3 degrees) ---------------------------------------------------

// The zone number holding a longitude; any zone code but 3 means 6 degrees.
long long zone_of(double longitude, bool three_degree);

// ---- angles ------------------------------------------------------------------

struct DmsParts {
    long long degrees;
    long long minutes;
    double seconds;
};
// Splits an unsigned decimal angle (<= 360) into degrees, minutes and seconds
// with the minute and degree carries.
DmsParts split_degrees(double value);
// "{sign}{d}°{m}′{s}″" with the seconds printed as a Python float.
std::string dms_text(bool negative, long long degrees, long long minutes, double seconds);
// Sign times degrees + minutes/60 + seconds/3600, summed in this order.
double dms_value(bool negative, long long degrees, long long minutes, double seconds);

// ---- Web Mercator (sphere of radius a) ---------------------------------------

Pair web_mercator_forward(double a, double longitude, double latitude);
Pair web_mercator_inverse(double a, double x, double y);

// ---- Vincenty inverse --------------------------------------------------------

// Reduced latitude atan((1 - f) tan(lat)).
double reduced_latitude(double f, double latitude_deg);

struct VincentyResult {
    bool converged = false;
    bool coincident = false;  // sin(sigma) reached 0: the length is 0.0
    double sinSigma = 0, cosSigma = 0, sigma = 0, cosSqAlpha = 0, cos2SigmaM = 0;
};
// Iterates on the longitude difference L (radians); at most 200 passes.
VincentyResult vincenty_iterate(double f, double U1, double U2, double L);
// Length of the converged geodesic on the ellipsoid (a, f).
double vincenty_length(const VincentyResult& v, double a, double f);

// ---- Albers equal-area conic on the sphere of radius a ----------------------

struct AlbersCone {
    double a, n, c, ro0;
};
AlbersCone albers_cone(double a, double originLatitude, double parallel1, double parallel2);
Pair albers_forward(const AlbersCone& cone, double cm, double longitude, double latitude);
Pair albers_inverse(const AlbersCone& cone, double cm, double x, double y);

// ---- Lambert conformal conic (EPSG 9802, no false origin) -------------------

struct LambertCone {
    double a, e, n, F, rF;
};
LambertCone lambert_cone(double a, double f, double originLatitude, double parallel1, double parallel2);
Pair lambert_forward(const LambertCone& cone, double cm, double longitude, double latitude);
Pair lambert_inverse(const LambertCone& cone, double cm, double x, double y);

// ---- Gauss-Krueger ------------------------------------------------------------

// Series constants of one reference system: eccentricities and the meridian
// arc coefficients.
struct GaussKrugerRow {
    double e12, e22, a1, b1, c1, d1, e1, f1, g1;
};
// The row of 1954, 1980, 1984 or 2000; nullptr for any other system.
const GaussKrugerRow* gauss_kruger_row(long long crs);

// Plane (northing x, easting y with or without zone prefix) to geographic.
// `cm` empty: taken from the zone prefix of y.
Pair gauss_kruger_inverse(const GaussKrugerRow& row, double a, std::optional<double> cm, double x, double y);
// Zone prefix of the forward easting, from the longitude alone.
double gauss_kruger_prefix(double longitude);
// Geographic to plane: (easting with zone prefix and false easting, northing).
Pair gauss_kruger_forward(const GaussKrugerRow& row, double a, double cm, double longitude, double latitude);

}  // namespace tiven::projection
