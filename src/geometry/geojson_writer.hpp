// GeoJSON text as json.dumps(value, ensure_ascii=False, indent=4) writes it.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::geometry {

Ref geojson_text(PyObject* value);

}  // namespace tiven::geometry
