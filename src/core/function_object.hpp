// The function objects that carry the module's methods.
#pragma once
#include <Python.h>

#include <string>

#include "core/method.hpp"
#include "core/pyref.hpp"

namespace tiven {

// A new function object for `m`, named `qualname` ("Class.method").
Ref make_function(const Method& m, const std::string& qualname);
// Binds the class whose body holds the function (for the constructors' super()).
void set_defining_class(PyObject* function, PyObject* cls);

}  // namespace tiven
