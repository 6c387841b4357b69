// Small Python-side helpers shared by the MapGIS bindings.
#pragma once
#include <Python.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "core/pyref.hpp"
#include "mapgis/binary_file.hpp"
#include "mapgis/colour_library.hpp"

namespace tiven::mapgis {

Ref get_attr(PyObject* obj, const char* name);
void set_attr(PyObject* obj, const char* name, Ref value);
Ref get_item(PyObject* obj, const char* key);
Ref py_bytes(std::string_view data);

// The value as a 64-bit offset or count: an int (or an object with
// __index__), OverflowError beyond 64 bits.
int64_t as_int64(PyObject* value);

// Opens `path` (str, bytes or path-like) for binary reading; failures raise
// the interpreter's OSError subclass with errno and file name, as open() does.
void open_binary(BinaryFile& file, PyObject* path);

// Raises a reader error "[Errno N] text" as the interpreter's OSError(N, text),
// errno attribute included, as a file object raises it (a negative seek).
[[noreturn]] void raise_reader_os_error(const Error& e);

// file.seek(pos), a bad position raising the file object's OSError.
void seek_file(BinaryFile& file, int64_t pos);

// self.bytesToStr(data, encoding) / self.bytesInteger(data), looked up on the object.
Ref decode_text(PyObject* self, std::string_view data, PyObject* encoding);
Ref decode_integer(PyObject* self, std::string_view data);

// The colour library named by `name` (str or None): searched for when the name
// is blank, loaded when it names a regular file. `resolved` receives the name
// that was used (None when nothing was found); `loaded` whether it was read.
ColourLibrary colour_library_for(PyObject* name, Ref* resolved, bool* loaded);

// The module's os.path.<fn>(arg).
Ref os_path(const char* fn, PyObject* arg);

}  // namespace tiven::mapgis
