// The one place where C++ errors become Python exceptions.
#include "core/boundary.hpp"

#include <exception>
#include <new>

#include "core/module_state.hpp"
#include "core/recursion_guard.hpp"

namespace tiven {

namespace {
PyObject* exception_class(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::Exception: return PyExc_Exception;
        case ErrorKind::TypeError: return PyExc_TypeError;
        case ErrorKind::ValueError: return PyExc_ValueError;
        case ErrorKind::IndexError: return PyExc_IndexError;
        case ErrorKind::KeyError: return PyExc_KeyError;
        case ErrorKind::LookupError: return PyExc_LookupError;
        case ErrorKind::ZeroDivisionError: return PyExc_ZeroDivisionError;
        case ErrorKind::OverflowError: return PyExc_OverflowError;
        case ErrorKind::RecursionError: return PyExc_RecursionError;
        case ErrorKind::RuntimeError: return PyExc_RuntimeError;
        case ErrorKind::OSError: return PyExc_OSError;
        case ErrorKind::FileNotFoundError: return PyExc_FileNotFoundError;
        case ErrorKind::MemoryError: return PyExc_MemoryError;
        case ErrorKind::StructError: {
            PyObject* e = state().struct_error.get();
            return e ? e : PyExc_Exception;
        }
    }
    return PyExc_Exception;
}
}  // namespace

void set_python_error_from_current_exception() noexcept {
    try {
        throw;
    } catch (const PythonErrorSet&) {
        if (!PyErr_Occurred())
            PyErr_SetString(PyExc_SystemError, "error return without exception set");
    } catch (const Error& e) {
        PyErr_SetString(exception_class(e.kind()), e.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
}

void fail_showing(const char* before, PyObject* value, const char* after, ErrorKind kind) {
    Ref empty = own(PyUnicode_FromString(""));
    Ref shown = format_within_stack(value, empty.get());
    Ref message = own(PyUnicode_FromFormat("%s%U%s", before, shown.get(), after));
    PyErr_SetObject(exception_class(kind), message.get());
    throw PythonErrorSet{};
}

void argument_type_error(const char* name, PyTypeObject* expected, PyObject* given) {
    PyErr_Format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
                 expected->tp_name, Py_TYPE(given)->tp_name);
    if (PyObject_TypeCheck(given, expected)) {
        PyObject* exc = PyErr_GetRaisedException();
        PyObject* r = PyObject_CallMethod(exc, "add_note", "s",
                                          "Instances of subclasses of built-in types are refused; "
                                          "pass the built-in type itself.");
        Py_XDECREF(r);
        if (!r) {
            Py_DECREF(exc);
            throw PythonErrorSet{};
        }
        PyErr_SetRaisedException(exc);
    }
    throw PythonErrorSet{};
}

}  // namespace tiven
