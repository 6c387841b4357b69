#include "core/byte_fields.hpp"

#include <cstring>

namespace tiven {

Ref fixed_field_text(const char* data, size_t size, const char* encoding) {
    if (size > 0) {
        const void* zero = std::memchr(data, 0, size);
        if (zero) size = static_cast<size_t>(static_cast<const char*>(zero) - data);
    }
    Ref text = own(PyUnicode_Decode(size ? data : "", static_cast<Py_ssize_t>(size), encoding, "ignore"));
    if (!PyUnicode_Check(text.get())) {
        PyErr_Format(PyExc_TypeError,
                     "'%.400s' decoder returned '%.400s' instead of 'str'; use codecs.decode() to decode to "
                     "arbitrary types",
                     encoding, Py_TYPE(text.get())->tp_name);
        throw PythonErrorSet{};
    }
    Py_ssize_t n = PyUnicode_GET_LENGTH(text.get());
    int kind = PyUnicode_KIND(text.get());
    const void* chars = PyUnicode_DATA(text.get());
    Py_ssize_t end = n;
    while (end > 0 && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, chars, end - 1))) --end;
    if (end == n) return text;
    return own(PyUnicode_Substring(text.get(), 0, end));
}

}  // namespace tiven
