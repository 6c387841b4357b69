#include "mapgis/binary_file_binding.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tiven::mapgis {

void open_binary(BinaryFile& file, PyObject* path) {
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(path, &raw)) throw PythonErrorSet{};
    Ref encoded = Ref::steal(raw);
    std::string name(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw)));
    if (int err = file.open(name)) {
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

}  // namespace tiven::mapgis
