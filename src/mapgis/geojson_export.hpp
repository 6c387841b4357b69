// MapGisFile.saveAsGeoJson: the whole file as one GeoJSON FeatureCollection.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::mapgis {

// MapGisFile.getCapabilities: the members of the collection's head (type,
// time stamp, name, extent, coordinate system, attribute summary), or None
// before the file type is known.
Ref file_capabilities(PyObject* self);

// Streams the capabilities and every feature of self.getFeature() into
// `file_name`, publishing "progress" before each feature; "]" and "}" are
// written however the iteration ends. Returns None.
Ref save_as_geojson(PyObject* self, PyObject* file_name);

}  // namespace tiven::mapgis
