#include "mapgis/py_helpers.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven::mapgis {

Ref get_attr(PyObject* obj, const char* name) { return own(PyObject_GetAttrString(obj, name)); }

void set_attr(PyObject* obj, const char* name, Ref value) {
    check(PyObject_SetAttrString(obj, name, value.get()));
}

Ref get_item(PyObject* obj, const char* key) {
    Ref k = own(PyUnicode_FromString(key));
    return own(PyObject_GetItem(obj, k.get()));
}

Ref py_bytes(std::string_view data) {
    return own(PyBytes_FromStringAndSize(data.data(), static_cast<Py_ssize_t>(data.size())));
}

int64_t as_int64(PyObject* value) {
    if (PyLong_CheckExact(value)) {
        long long v = PyLong_AsLongLong(value);
        if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        return v;
    }
    Ref index = own(PyNumber_Index(value));
    long long v = PyLong_AsLongLong(index.get());
    if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    return v;
}

void open_binary(BinaryFile& file, PyObject* path) {
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(path, &raw)) throw PythonErrorSet{};
    Ref encoded = Ref::steal(raw);
    std::string name(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw)));
    struct stat st;
    if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
        throw PythonErrorSet{};
    }
    try {
        file.open(name);
    } catch (const Error& e) {
        // The reader's message starts "[Errno N]"; raise what open() raises.
        const char* m = e.what();
        int err = EIO;
        if (std::strncmp(m, "[Errno ", 7) == 0) err = std::atoi(m + 7);
        errno = err;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
        throw PythonErrorSet{};
    }
}

void raise_reader_os_error(const Error& e) {
    const char* m = e.what();
    errno = std::strncmp(m, "[Errno ", 7) == 0 ? std::atoi(m + 7) : EIO;
    PyErr_SetFromErrno(PyExc_OSError);
    throw PythonErrorSet{};
}

void seek_file(BinaryFile& file, int64_t pos) {
    try {
        file.seek(pos);
    } catch (const Error& e) {
        if (e.kind() != ErrorKind::OSError) throw;
        raise_reader_os_error(e);
    }
}

Ref decode_text(PyObject* self, std::string_view data, PyObject* encoding) {
    static PyObject* name = interned("bytesToStr");
    Ref b = py_bytes(data);
    PyObject* args[3] = {self, b.get(), encoding};
    return own(PyObject_VectorcallMethod(name, args, 3, nullptr));
}

Ref decode_integer(PyObject* self, std::string_view data) {
    static PyObject* name = interned("bytesInteger");
    Ref b = py_bytes(data);
    PyObject* args[2] = {self, b.get()};
    return own(PyObject_VectorcallMethod(name, args, 2, nullptr));
}

Ref os_path(const char* fn, PyObject* arg) {
    Ref path = get_attr(state().os.get(), "path");
    Ref f = get_attr(path.get(), fn);
    return own(PyObject_CallOneArg(f.get(), arg));
}

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
