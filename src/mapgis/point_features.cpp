// Point branch of the feature generator.
#include "mapgis/feature_kinds.hpp"

namespace tiven::mapgis {

void start_point_kind(const FeatureContext&) {}

Ref read_point_feature(const FeatureContext&, int64_t, long long) { return Ref(); }

}  // namespace tiven::mapgis
