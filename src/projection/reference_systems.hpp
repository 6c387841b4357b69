// The four national geodetic reference systems and the keys they are known by.
#pragma once
#include <array>

namespace tiven::projection {

struct ReferenceSystem {
    long long year;  // the int key
    std::array<const char*, 4> aliases;  // lower-case text keys; nullptr ends the list
    double a;        // semi-major axis, metres
    double inverse_flattening;
    const char* name;
    const char* spheroid;
    const char* datum;
};

inline constexpr std::array<ReferenceSystem, 4> kReferenceSystems{{
    {1954, {"beijing", "peking", "beijing1954", nullptr}, 6378245.0, 298.3,
     "1954 Beijing coordinate system", "Krassowsky 1940", "Krassowsky_1940"},
    {1980, {"xian", "xi'an", "xi an", "xian1980"}, 6378140.0, 298.257,
     "1980 Xi'an coordinate system", "IAG 1975", "IAG_1975"},
    {1984, {"wgs", "wgs84", "wgs1984", nullptr}, 6378137.0, 298.257223563,
     "1984 International geodetic coordinate system", "WGS 84", "WGS_1984"},
    {2000, {"cgcs", "cgcs2000", nullptr, nullptr}, 6378137.0, 298.257222101,
     "2000 National coordinate system", "GRS 1980", "GRS_1980"},
}};

}  // namespace tiven::projection
