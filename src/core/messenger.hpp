// The message bus every object of the module carries.
#pragma once
#include <Python.h>

namespace tiven {

// Messenger.publish as the class defines it: calls each slot subscribed under
// `key` with `value`, in order; a slot's error is printed and the rest still
// run. Errors are thrown.
void publish_message(PyObject* self, PyObject* key, PyObject* value);

}  // namespace tiven
