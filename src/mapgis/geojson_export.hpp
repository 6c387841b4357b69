// MapGisFile.saveAsGeoJson: the whole file as one GeoJSON FeatureCollection.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::mapgis {

// Streams the capabilities and every feature of self.getFeature() into
// `file_name`, publishing "progress" before each feature; "]" and "}" are
// written however the iteration ends. Returns None.
Ref save_as_geojson(PyObject* self, PyObject* file_name);

}  // namespace tiven::mapgis
