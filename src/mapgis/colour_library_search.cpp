#include "mapgis/colour_library_search.hpp"

#include "core/boundary.hpp"
#include "core/pyvalues.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "mapgis/object_access.hpp"

namespace tiven::mapgis {

namespace {

// pathlib.Path(base).joinpath("MapGIS", "Slib", "Pcolor.lib"), or empty when
// nothing exists there.
Ref library_place(PyObject* pathlib, PyObject* base) {
    Ref p = own(PyObject_CallMethod(pathlib, "Path", "O", base));
    Ref lib = own(PyObject_CallMethod(p.get(), "joinpath", "sss", "MapGIS", "Slib", "Pcolor.lib"));
    Ref exists = own(PyObject_CallMethod(lib.get(), "exists", nullptr));
    if (!check(PyObject_IsTrue(exists.get()))) return Ref();
    return lib;
}

// The search for a blank name: beside the module, then under the root.
Ref search_library() {
    Ref pathlib = own(PyImport_ImportModule("pathlib"));
    Ref file = get_attr(state().module, "__file__");
    Ref here = os_path("dirname", file.get());
    Ref found = library_place(pathlib.get(), here.get());
    if (!found) {
        try {
            Ref sep = get_attr(state().os.get(), "sep");
            Ref root = os_path("abspath", sep.get());
            found = library_place(pathlib.get(), root.get());
        } catch (const PythonErrorSet&) {
            // Only ordinary errors count as "not found".
            if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
            PyErr_Clear();
        } catch (const Error&) {
        }
    }
    if (!found) return Ref();
    Ref resolved = own(PyObject_CallMethod(found.get(), "resolve", nullptr));
    return own(PyObject_Str(resolved.get()));
}

bool is_blank(PyObject* name) {
    if (name == Py_None) return true;
    if (PyUnicode_GET_LENGTH(name) == 0) return true;
    Ref stripped = own(PyObject_CallMethod(name, "strip", nullptr));
    return PyUnicode_GET_LENGTH(stripped.get()) == 0;
}

}  // namespace

ColourLibrary colour_library_for(PyObject* name, Ref* resolved, bool* loaded) {
    if (name != Py_None && !PyUnicode_CheckExact(name)) argument_type_error("mapGisColorLib", &PyUnicode_Type, name);
    Ref chosen = is_blank(name) ? search_library() : Ref::borrow(name);
    ColourLibrary lib;
    *loaded = false;
    if (chosen && PyUnicode_GET_LENGTH(chosen.get()) > 0) {
        Ref isfile = os_path("isfile", chosen.get());
        if (PyObject_IsTrue(isfile.get()) == 1) {
            PyObject* raw = nullptr;
            if (PyUnicode_FSConverter(chosen.get(), &raw)) {
                Ref encoded = Ref::steal(raw);
                *loaded = lib.load(std::string(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw))));
            } else {
                PyErr_Clear();
            }
        }
    }
    *resolved = chosen ? std::move(chosen) : py_none();
    return lib;
}

}  // namespace tiven::mapgis
