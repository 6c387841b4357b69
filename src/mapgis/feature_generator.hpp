// MapGisFile.getFeature: the generator over the valid records of a vector file.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::mapgis {

// Called once at start-up, before any generator runs: the decoders of
// TivenBase as defined, so that a later override or replacement is noticed.
void remember_base_decoders(PyObject* tiven_base);

// A new generator over the features of `self` (a MapGisFile); reads nothing
// until the first item is requested.
Ref make_feature_generator(PyObject* self);

}  // namespace tiven::mapgis
