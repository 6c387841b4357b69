// MapGisFile.getFeature: the generator over the valid records of a vector file.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::mapgis {

// A new generator over the features of `self` (a MapGisFile); reads nothing
// until the first item is requested.
Ref make_feature_generator(PyObject* self);

}  // namespace tiven::mapgis
