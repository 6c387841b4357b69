// Python values to JSON text, byte for byte what json.dumps(value,
// ensure_ascii=False[, indent=N]) gives, written natively.
#pragma once
#include <Python.h>

#include <string>

namespace tiven {

struct JsonOptions {
    // < 0: one line with ", " and ": " separators; else json.dumps(indent=N) layout.
    int indent = -1;
    // true: anything the native walk does not take as it stands (objects json
    // cannot encode, dict subclasses, non-standard keys, lone surrogates, deep
    // nesting, errors on the way) is handed to json.dumps itself, so text and
    // errors are the interpreter's own; depth is bounded by a fixed limit.
    // false: the walk raises json's errors itself (TypeError for what cannot
    // be encoded, ValueError "Circular reference detected"), takes dict and
    // list subclasses as json does (items(), iteration), writes lone
    // surrogates in their three-byte form, and guards each non-empty
    // container as one level of a recursive walk.
    bool defer_to_interpreter = false;
};

// Appends the JSON text of `value`, UTF-8 encoded, and returns whether all it
// appended is ASCII. On error `out` is left as it was and the Python
// exception is thrown (PythonErrorSet).
bool encode_json(std::string& out, PyObject* value, const JsonOptions& options);

// Appends the UTF-8 form of a str, raising UnicodeEncodeError as a UTF-8
// text file would for a lone surrogate.
void append_utf8(std::string& out, PyObject* text);

}  // namespace tiven
