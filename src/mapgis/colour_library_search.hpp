// The colour library a MapGIS object names, found and loaded.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"
#include "mapgis/colour_library.hpp"

namespace tiven::mapgis {

// The colour library named by `name` (str or None): searched for when the name
// is blank, loaded when it names a regular file. `resolved` receives the name
// that was used (None when nothing was found); `loaded` whether it was read.
ColourLibrary colour_library_for(PyObject* name, Ref* resolved, bool* loaded);

}  // namespace tiven::mapgis
