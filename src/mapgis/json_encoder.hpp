// Python values to JSON text, byte for byte what json.dumps(value,
// ensure_ascii=False) gives, written natively. Anything the native walk does
// not take (objects json cannot encode, cycles, lone surrogates, errors on
// the way) is handed to json.dumps itself, so errors are the interpreter's own.
#pragma once
#include <Python.h>

#include <string>

namespace tiven::mapgis {

// Appends the JSON text of `value`, UTF-8 encoded. On error `out` is left as
// it was and the Python exception is thrown (PythonErrorSet).
void encode_json(std::string& out, PyObject* value);

// Appends the UTF-8 form of a str, raising UnicodeEncodeError as a UTF-8
// text file would for a lone surrogate.
void append_utf8(std::string& out, PyObject* text);

}  // namespace tiven::mapgis
