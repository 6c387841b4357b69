// The methods of the MapGIS classes as the classes defined them. Where an
// object still has its class's own method, the readers and the export run it
// natively; an override in a subclass or a replacement on the instance is
// called instead.
#pragma once
#include <Python.h>

#include "core/method.hpp"

namespace tiven::mapgis {

struct OwnMethods {
    PyObject* bytes_to_str = nullptr;  // TivenBase's static decoders
    PyObject* bytes_integer = nullptr;
    PyObject* get_feature = nullptr;   // MapGisFile's instance methods
    PyObject* get_capabilities = nullptr;
};

// Noted once at start-up, after MapGisFile is made; kept for the process.
void remember_own_methods(PyObject* tiven_base, PyObject* mapgis_file);
const OwnMethods& own_methods();

// Is `found`, self.<name> as looked up, still `original`? An instance method
// counts only when bound to `self`, a static one as the function itself.
bool is_own_method(PyObject* self, PyObject* found, PyObject* original, MethodKind kind) noexcept;

}  // namespace tiven::mapgis
