// A generator object for the methods that are generator functions: iteration,
// send, throw and close, and the body's resources released on every way out.
#include "core/generator.hpp"

#include <cstddef>
#include <memory>

#include "core/boundary.hpp"
#include "core/pyvalues.hpp"
#include "core/static_type.hpp"

namespace tiven {

namespace {

struct GeneratorObject {
    PyObject_HEAD
    GeneratorBody* body;
    PyObject* name;
    PyObject* qualname;
    PyObject* weakrefs;  // weak references can be taken, as to a Python generator
    bool started;
    bool running;
    bool finished;
};

void finish(GeneratorObject* g) noexcept {
    if (g->finished) return;
    g->finished = true;
    if (g->body) {
        g->body->close();
        delete g->body;
        g->body = nullptr;
    }
}

// A generator function lets no StopIteration out of its body (it would read as
// the end of the items): it becomes a RuntimeError, as in a Python generator.
// Takes the exception and returns the one to raise.
PyObject* stop_iteration_escaped(PyObject* exc) {
    if (!PyErr_GivenExceptionMatches(exc, PyExc_StopIteration)) return exc;
    PyObject* text = PyUnicode_FromString("generator raised StopIteration");
    PyObject* err = text ? PyObject_CallOneArg(PyExc_RuntimeError, text) : nullptr;
    Py_XDECREF(text);
    if (!err) {
        Py_DECREF(exc);
        return PyErr_GetRaisedException();
    }
    PyException_SetCause(err, Py_NewRef(exc));
    PyException_SetContext(err, exc);
    return err;
}

// The next item; null with no exception set when exhausted.
PyObject* step(GeneratorObject* g) {
    if (g->running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    if (g->finished) return nullptr;
    g->started = true;
    g->running = true;
    PyObject* item = nullptr;
    try {
        Ref r = g->body->next();
        item = r.release();
    } catch (...) {
        set_python_error_from_current_exception();
        PyErr_SetRaisedException(stop_iteration_escaped(PyErr_GetRaisedException()));
    }
    g->running = false;
    if (!item) finish(g);
    return item;
}

PyObject* iternext(PyObject* self) { return step(reinterpret_cast<GeneratorObject*>(self)); }

PyObject* send(PyObject* self, PyObject* value) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    if (!g->started && !g->finished && value != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
        return nullptr;
    }
    PyObject* item = step(g);
    if (!item && !PyErr_Occurred()) PyErr_SetNone(PyExc_StopIteration);
    return item;
}

PyObject* close_method(PyObject* self, PyObject*) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    if (g->running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    finish(g);
    Py_RETURN_NONE;
}

// throw(value) / throw(type[, value[, traceback]]): the body cannot catch, so
// the generator ends, releases what it holds and the exception goes on.
PyObject* throw_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    if (nargs < 1 || nargs > 3) {
        if (nargs > 3) PyErr_Format(PyExc_TypeError, "throw expected at most 3 arguments, got %zd", nargs);
        else PyErr_Format(PyExc_TypeError, "throw expected at least 1 argument, got %zd", nargs);
        return nullptr;
    }
    if (nargs > 1 && PyErr_WarnEx(PyExc_DeprecationWarning,
                                  "the (type, exc, tb) signature of throw() is deprecated, "
                                  "use the single-arg signature instead.",
                                  1) < 0)
        return nullptr;
    PyObject* typ = args[0];
    PyObject* val = nargs > 1 ? args[1] : Py_None;
    PyObject* tb = nargs > 2 ? args[2] : Py_None;
    if (tb != Py_None && !PyTraceBack_Check(tb)) {
        PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
        return nullptr;
    }
    PyObject* exc = nullptr;
    if (PyExceptionClass_Check(typ)) {
        if (val != Py_None && PyObject_TypeCheck(val, reinterpret_cast<PyTypeObject*>(typ))) {
            exc = Py_NewRef(val);
        } else if (val == Py_None) {
            exc = PyObject_CallNoArgs(typ);
        } else if (PyTuple_Check(val)) {
            exc = PyObject_Call(typ, val, nullptr);
        } else {
            exc = PyObject_CallOneArg(typ, val);
        }
        if (!exc) return nullptr;
    } else if (PyExceptionInstance_Check(typ)) {
        if (val != Py_None) {
            PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
            return nullptr;
        }
        exc = Py_NewRef(typ);
    } else {
        PyErr_Format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(typ)->tp_name);
        return nullptr;
    }
    if (tb != Py_None) PyException_SetTraceback(exc, tb);
    if (g->running) {
        Py_DECREF(exc);
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    // Thrown into a suspended body, it leaves the body; before the start or
    // after the end it never enters it.
    bool suspended = g->started && !g->finished;
    finish(g);
    if (suspended) exc = stop_iteration_escaped(exc);
    PyErr_SetRaisedException(exc);
    return nullptr;
}

int traverse(PyObject* self, visitproc visit, void* arg) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    Py_VISIT(g->name);
    Py_VISIT(g->qualname);
    return g->body ? g->body->traverse(visit, arg) : 0;
}

// The cycle collector's way out: the body closes and lets go of what it holds.
int clear(PyObject* self) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    if (!g->running) finish(g);
    return 0;
}

void dealloc(PyObject* self) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    PyObject_GC_UnTrack(self);
    PyObject* pending = PyErr_GetRaisedException();
    if (g->weakrefs) PyObject_ClearWeakRefs(self);
    finish(g);
    PyErr_SetRaisedException(pending);
    Py_CLEAR(g->name);
    Py_CLEAR(g->qualname);
    PyObject_GC_Del(self);
}

PyObject* repr(PyObject* self) {
    auto* g = reinterpret_cast<GeneratorObject*>(self);
    return PyUnicode_FromFormat("<generator object %U at %p>", g->qualname, self);
}

PyObject* get_running(PyObject* self, void*) {
    return PyBool_FromLong(reinterpret_cast<GeneratorObject*>(self)->running);
}

PyMethodDef methods[] = {
    {"send", send, METH_O, "send(arg) -> send 'arg' into generator,\nreturn next yielded value or raise StopIteration."},
    {"throw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(throw_method)), METH_FASTCALL,
     "throw(value)\nthrow(type[,value[,tb]])\n\nRaise exception in generator, return next yielded value or raise\nStopIteration."},
    {"close", close_method, METH_NOARGS, "close() -> raise GeneratorExit inside generator."},
    {nullptr, nullptr, 0, nullptr},
};

PyMemberDef members[] = {
    {"__name__", Py_T_OBJECT_EX, offsetof(GeneratorObject, name), 0, nullptr},
    {"__qualname__", Py_T_OBJECT_EX, offsetof(GeneratorObject, qualname), 0, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyGetSetDef getset[] = {
    {"gi_running", get_running, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyTypeObject GeneratorType = static_type({
    .tp_name = "tivenpy_generator",
    .tp_basicsize = sizeof(GeneratorObject),
    .tp_dealloc = dealloc,
    .tp_repr = repr,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_traverse = traverse,
    .tp_clear = clear,
    .tp_weaklistoffset = offsetof(GeneratorObject, weakrefs),
    .tp_iter = PyObject_SelfIter,
    .tp_iternext = iternext,
    .tp_methods = methods,
    .tp_members = members,
    .tp_getset = getset,
});

}  // namespace

Ref make_generator(std::unique_ptr<GeneratorBody> body, const char* name, const char* qualname) {
    PyTypeObject* type = ready(GeneratorType);
    Ref n = py_str(name);
    Ref q = py_str(qualname);
    auto* g = PyObject_GC_New(GeneratorObject, type);
    if (!g) throw PythonErrorSet{};
    g->body = body.release();
    g->name = n.release();
    g->qualname = q.release();
    g->weakrefs = nullptr;
    g->started = false;
    g->running = false;
    g->finished = false;
    PyObject_GC_Track(reinterpret_cast<PyObject*>(g));
    return Ref::steal(reinterpret_cast<PyObject*>(g));
}

}  // namespace tiven
