// The common base of the working classes and its two byte-field decoders.
#include <cstring>

#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {

Ref bytes_to_str(const Call& c) {
    PyObject* data = c[0];
    Py_ssize_t size = 0;
    const char* encoding = PyUnicode_AsUTF8AndSize(c[1], &size);
    if (!encoding) throw PythonErrorSet{};
    if (std::strlen(encoding) != static_cast<size_t>(size)) {
        PyErr_SetString(PyExc_ValueError, "embedded null character");
        throw PythonErrorSet{};
    }
    const char* bytes = PyBytes_AS_STRING(data);
    Py_ssize_t n = PyBytes_GET_SIZE(data);
    const void* zero = std::memchr(bytes, 0, static_cast<size_t>(n));
    if (zero) n = static_cast<const char*>(zero) - bytes;
    Ref text = own(PyUnicode_Decode(bytes, n, encoding, "ignore"));
    if (!PyUnicode_Check(text.get())) {
        PyErr_Format(PyExc_TypeError, "'%.400s' decoder returned '%.400s' instead of 'str'; use codecs.decode() to decode to arbitrary types",
                     encoding, Py_TYPE(text.get())->tp_name);
        throw PythonErrorSet{};
    }
    // Trailing whitespace goes as str.rstrip() drops it: every Unicode space.
    Py_ssize_t end = PyUnicode_GET_LENGTH(text.get());
    int kind = PyUnicode_KIND(text.get());
    const void* chars = PyUnicode_DATA(text.get());
    while (end > 0 && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, chars, end - 1))) --end;
    if (end == PyUnicode_GET_LENGTH(text.get())) return text;
    return own(PyUnicode_Substring(text.get(), 0, end));
}

Ref bytes_integer(const Call& c) {
    PyObject* data = c[0];
    Py_ssize_t n = PyBytes_GET_SIZE(data);
    if (n == 0) return py_int(0);
    return own(PyLong_FromUnsignedNativeBytes(PyBytes_AS_STRING(data), n,
                                              Py_ASNATIVEBYTES_LITTLE_ENDIAN | Py_ASNATIVEBYTES_UNSIGNED_BUFFER));
}

const Method kBytesToStr{
    "bytesToStr", MethodKind::Static,
    {{"data", "bytes", Check::Bytes}, {"encoding", "str", Check::Str, false, Default::text("GB2312")}},
    "str", ResultCheck::Str,
    "定长字节字段转文本：取首个零字节之前的部分，按 encoding 解码（无法解码的字节丢弃），去掉尾部空白。",
    bytes_to_str};

const Method kBytesInteger{
    "bytesInteger", MethodKind::Static,
    {{"data", "bytes", Check::Bytes}},
    "int", ResultCheck::Int,
    "字节串按小端无符号整数读取。",
    bytes_integer};

}  // namespace

void add_tivenbase_class(ModuleState& st) {
    ClassBuilder b("TivenBase", st.Messenger.get(), "GIS基础类\n\n    提供定长字节字段的文本与整数解码。\n");
    b.method(kBytesToStr).method(kBytesInteger);
    st.TivenBase = b.finish();
}

}  // namespace tiven
