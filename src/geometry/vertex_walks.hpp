// swapXY and getXY: walks over the vertices of a loaded geometry dictionary.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven::geometry {

// Swaps x and y of every vertex of `g` in place; members of a collection go
// through cls.swapXY.
void swap_axes(PyObject* cls, PyObject* g);
// The vertices of `g` as tuples, or with `endpoint` true only the first and
// last of each line or ring; members of a collection go through cls.getXY.
Ref list_vertices(PyObject* cls, PyObject* g, PyObject* endpoint);

}  // namespace tiven::geometry
