#include "mapgis/own_methods.hpp"

namespace tiven::mapgis {

namespace {
OwnMethods g_own;
}

void remember_own_methods(PyObject* tiven_base, PyObject* mapgis_file) {
    g_own.bytes_to_str = own(PyObject_GetAttrString(tiven_base, "bytesToStr")).release();
    g_own.bytes_integer = own(PyObject_GetAttrString(tiven_base, "bytesInteger")).release();
    g_own.get_feature = own(PyObject_GetAttrString(mapgis_file, "getFeature")).release();
    g_own.get_capabilities = own(PyObject_GetAttrString(mapgis_file, "getCapabilities")).release();
}

const OwnMethods& own_methods() { return g_own; }

bool is_own_method(PyObject* self, PyObject* found, PyObject* original, MethodKind kind) noexcept {
    if (!original) return false;
    if (kind == MethodKind::Static) return found == original;
    return PyMethod_Check(found) && PyMethod_GET_FUNCTION(found) == original && PyMethod_GET_SELF(found) == self;
}

}  // namespace tiven::mapgis
