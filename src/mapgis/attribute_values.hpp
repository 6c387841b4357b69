// Attribute values of a MapGIS attribute record: the decoding of each field
// type as it is stored, and the texts of dates and times. Text fields are
// decoded by the caller with the file's codec.
#pragma once
#include <cstdint>
#include <string>

namespace tiven::mapgis {

// "{:0>4d}-{:0>2d}-{:0>2d}" of year, month, day.
std::string format_date(unsigned year, unsigned month, unsigned day);
// "{:0>2d}:{:0>2d}:{:0>6.3f}" of hour, minute, seconds.
std::string format_time(unsigned hour, unsigned minute, double seconds);

// float('{:.Nf}'.format(x)): x rounded to N decimals through its decimal
// text, ties to even on the exact binary value; NaN stays NaN.
double round_through_text(double x, int decimals);

}  // namespace tiven::mapgis
