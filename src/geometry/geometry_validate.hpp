// The validation and normalisation stage of Geometry.loads: works in place on
// the lists it is handed, so the caller's lists come back normalised.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::geometry {

// Checks and normalises `coords` in place and returns
// {'type': type, 'coordinates': coords}; `code` is the family code (an int or None).
Ref validate(PyObject* type, PyObject* coords, PyObject* code);

// True when `code` is not None and equals v.
bool code_equals(PyObject* code, long v);
// True when `code` is None, -1 or `family`.
bool code_admits(PyObject* code, long family);

}  // namespace tiven::geometry
