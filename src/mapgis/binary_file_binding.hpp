// Binary files named by Python paths, failing as the interpreter's file
// objects fail.
#pragma once
#include <Python.h>

#include <cstdint>

#include "core/pyref.hpp"
#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

// Opens `path` (str, bytes or path-like) for binary reading; failures raise
// the interpreter's OSError subclass with errno and file name, as open() does.
void open_binary(BinaryFile& file, PyObject* path);

// Raises a reader error "[Errno N] text" as the interpreter's OSError(N, text),
// errno attribute included, as a file object raises it (a negative seek).
[[noreturn]] void raise_reader_os_error(const Error& e);

// file.seek(pos), a bad position raising the file object's OSError.
void seek_file(BinaryFile& file, int64_t pos);

}  // namespace tiven::mapgis
