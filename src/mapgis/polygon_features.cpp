// Polygon branch of the feature generator.
#include "mapgis/feature_kinds.hpp"

namespace tiven::mapgis {

void start_polygon_kind(const FeatureContext&) {}

Ref read_polygon_feature(const FeatureContext&, int64_t, long long) { return Ref(); }

}  // namespace tiven::mapgis
