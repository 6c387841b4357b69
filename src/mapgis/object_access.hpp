// Access to the Python objects the MapGIS bindings read and build:
// attributes, items, integers, os.path, and the object's own byte decoders.
#pragma once
#include <Python.h>

#include <cstdint>
#include <string_view>

#include "core/pyref.hpp"

namespace tiven::mapgis {

Ref get_attr(PyObject* obj, const char* name);
void set_attr(PyObject* obj, const char* name, Ref value);
Ref get_item(PyObject* obj, const char* key);
void set_item(PyObject* dict, const char* key, Ref value);
Ref py_bytes(std::string_view data);

// The value as a 64-bit offset or count: an int (or an object with
// __index__), OverflowError beyond 64 bits.
int64_t as_int64(PyObject* value);

// self.bytesToStr(data, encoding) / self.bytesInteger(data), looked up on the object.
Ref decode_text(PyObject* self, std::string_view data, PyObject* encoding);
Ref decode_integer(PyObject* self, std::string_view data);

// The module's os.path.<fn>(arg).
Ref os_path(const char* fn, PyObject* arg);

}  // namespace tiven::mapgis
