// Where errors cross into Python: the one translation of C++ exceptions at
// the boundary of each call, and the two ways the bindings raise.
#pragma once
#include <Python.h>

#include "core/error.hpp"

namespace tiven {

// Sets the Python exception for a C++ exception in flight; call from a catch block.
void set_python_error_from_current_exception() noexcept;

// Raising: `fail(message)` / `fail(kind, message)` (core/error.hpp) for a fixed
// text, and this for a text that quotes a Python value as "{}".format(value)
// shows it: kind(before + format(value) + after).
[[noreturn]] void fail_showing(const char* before, PyObject* value, const char* after,
                               ErrorKind kind = ErrorKind::Exception);

// The argument type error of every call: TypeError naming `name`, the expected and
// the given type, with a note when `given` is an instance of a subclass of `expected`.
// Values checked outside the parser (attributes read by a method) raise it too.
[[noreturn]] void argument_type_error(const char* name, PyTypeObject* expected, PyObject* given);

}  // namespace tiven
