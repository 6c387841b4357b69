// The common base of the working classes and its two byte-field decoders.
#include <cstring>

#include "core/byte_fields.hpp"
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"

namespace tiven {

namespace {

constexpr auto kBytesToStrParams = std::to_array<Param>({
    {.name = "data", .annotation = "bytes", .check = Check::Bytes},
    {.name = "encoding", .annotation = "str", .check = Check::Str, .value = Default::text("GB2312")},
});
constexpr auto kBytesIntegerParams = std::to_array<Param>({
    {.name = "data", .annotation = "bytes", .check = Check::Bytes},
});

Ref bytes_to_str(const Call& c) {
    PyObject* data = c[arg(kBytesToStrParams, "data")];
    Py_ssize_t size = 0;
    const char* encoding = PyUnicode_AsUTF8AndSize(c[arg(kBytesToStrParams, "encoding")], &size);
    if (!encoding) throw PythonErrorSet{};
    if (std::strlen(encoding) != static_cast<size_t>(size)) {
        PyErr_SetString(PyExc_ValueError, "embedded null character");
        throw PythonErrorSet{};
    }
    return fixed_field_text(PyBytes_AS_STRING(data), static_cast<size_t>(PyBytes_GET_SIZE(data)), encoding);
}

Ref bytes_integer(const Call& c) {
    PyObject* data = c[arg(kBytesIntegerParams, "data")];
    Py_ssize_t n = PyBytes_GET_SIZE(data);
    if (n == 0) return py_int(0);
    return own(PyLong_FromUnsignedNativeBytes(PyBytes_AS_STRING(data), n,
                                              Py_ASNATIVEBYTES_LITTLE_ENDIAN | Py_ASNATIVEBYTES_UNSIGNED_BUFFER));
}

const Method kBytesToStr{
    "bytesToStr", MethodKind::Static,
    kBytesToStrParams,
    "str", ResultCheck::Str,
    "定长字节字段转文本：取首个零字节之前的部分，按 encoding 解码（无法解码的字节丢弃），去掉尾部空白。",
    bytes_to_str};

const Method kBytesInteger{
    "bytesInteger", MethodKind::Static,
    kBytesIntegerParams,
    "int", ResultCheck::Int,
    "字节串按小端无符号整数读取。",
    bytes_integer};

}  // namespace

void add_tivenbase_class(ModuleState& st) {
    ClassBuilder b("TivenBase", st.Messenger.get(), "GIS基础类\n\n    提供定长字节字段的文本与整数解码。\n");
    b.method(kBytesToStr).method(kBytesInteger);
    st.TivenBase = b.finish();
    st.own_bytes_to_str = class_entry(st.TivenBase.get(), st.names.bytesToStr);
    st.own_bytes_integer = class_entry(st.TivenBase.get(), st.names.bytesInteger);
}

}  // namespace tiven
