// MapGisColorLib: the colour library as a Python class.
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/colour_library.hpp"
#include "mapgis/colour_library_search.hpp"
#include "mapgis/object_access.hpp"
#include "mapgis/record_fields.hpp"

namespace tiven {

namespace {

using mapgis::ColourLibrary;

constexpr auto kInitParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "mapGisColorLib", .annotation = "str", .check = Check::Str, .value = Default::none()},
});

constexpr long long kDefaultCmyk[] = {0, 0, 0, 100};
constexpr long long kDefaultRgb[] = {0, 0, 0};

constexpr auto kCmykParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "index", .annotation = "int", .check = Check::Int, .value = Default::integer(1)},
    {.name = "defaultColor", .annotation = "tuple", .check = Check::Tuple, .value = Default::int_tuple(kDefaultCmyk, 4)},
});
constexpr auto kRgbParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "index", .annotation = "int", .check = Check::Int, .value = Default::integer(1)},
    {.name = "defaultColor", .annotation = "tuple", .check = Check::Tuple, .value = Default::int_tuple(kDefaultRgb, 3)},
});
constexpr auto kHexParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "index", .annotation = "int", .check = Check::Int, .value = Default::integer(1)},
    {.name = "defaultColor", .annotation = "str", .check = Check::Str, .value = Default::text("#000000")},
});

Ref colorlib_init(const Call& c) {
    PyObject* self = c[arg(kInitParams, "self")];
    call_base_init(c, self);
    Ref name;
    bool loaded = false;
    ColourLibrary lib = mapgis::colour_library_for(c[arg(kInitParams, "mapGisColorLib")], &name, &loaded);
    mapgis::set_attr(self, "PcolorLibFile", py_none());
    mapgis::set_attr(self, "count", py_int(0));
    mapgis::set_attr(self, "_MapGisColorLib__ColorBuffer", py_none());
    if (loaded) {
        const auto& buf = lib.buffer();
        mapgis::set_attr(self, "_MapGisColorLib__ColorBuffer",
                         own(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(buf.data()),
                                                       static_cast<Py_ssize_t>(buf.size()))));
        mapgis::set_attr(self, "count", py_int(lib.count()));
        mapgis::set_attr(self, "PcolorLibFile", std::move(name));
    }
    return py_none();
}

// The 32 bytes of colour `index`, or false when the number is outside 1..count.
class ColourRecord {
public:
    bool find(PyObject* self, PyObject* index) {
        Ref count = mapgis::get_attr(self, "count");
        Ref one = py_int(1);
        if (!check(PyObject_RichCompareBool(one.get(), index, Py_LE))) return false;
        if (!check(PyObject_RichCompareBool(index, count.get(), Py_LE))) return false;
        long long i = PyLong_AsLongLong(index);
        if (i == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        buffer_ = mapgis::get_attr(self, "_MapGisColorLib__ColorBuffer");
        if (buffer_.get() == Py_None) {
            PyErr_SetString(PyExc_TypeError, "'NoneType' object is not subscriptable");
            throw PythonErrorSet{};
        }
        if (PyObject_GetBuffer(buffer_.get(), &view_, PyBUF_SIMPLE) < 0) throw PythonErrorSet{};
        has_view_ = true;
        // A count larger than the buffer holds gives a short record.
        if (i > view_.len / mapgis::kColourRecordSize) mapgis::fail_struct_size(mapgis::kColourRecordSize);
        record_ = static_cast<const uint8_t*>(view_.buf) + (i - 1) * mapgis::kColourRecordSize;
        return true;
    }
    const uint8_t* record() const { return record_; }
    ~ColourRecord() {
        if (has_view_) PyBuffer_Release(&view_);
    }

private:
    Ref buffer_;
    Py_buffer view_{};
    bool has_view_ = false;
    const uint8_t* record_ = nullptr;
};

Ref cmyk_tuple(const uint8_t* record) {
    auto v = mapgis::colour_cmyk(record);
    return own(Py_BuildValue("(iiii)", v[0], v[1], v[2], v[3]));
}

Ref rgb_tuple(const uint8_t* record) {
    auto v = mapgis::colour_rgb(record);
    return own(Py_BuildValue("(iii)", v[0], v[1], v[2]));
}

Ref hex_text(const uint8_t* record) {
    char out[7];
    mapgis::colour_hex(record, out);
    return own(PyUnicode_FromStringAndSize(out, 7));
}

// Colour `index` in the form `convert` makes, or defaultColor as it was given.
template <const auto& kParams, Ref (*convert)(const uint8_t*)>
Ref colour_lookup(const Call& c) {
    ColourRecord r;
    if (!r.find(c[arg(kParams, "self")], c[arg(kParams, "index")])) return Ref::borrow(c[arg(kParams, "defaultColor")]);
    return convert(r.record());
}

const Method kInit{
    "__init__", MethodKind::Instance,
    kInitParams,
    nullptr, ResultCheck::None,
    "打开 MapGis 色库。\n\n"
    "mapGisColorLib: 色库文件 Pcolor.lib 的路径；为空时依次在模块所在目录与根目录下的\n"
    "MapGIS/Slib/Pcolor.lib 查找。找不到或读不出时 count 为 0，所有颜色取默认值。",
    colorlib_init};

const Method kCmyk{
    "CMYK", MethodKind::Instance,
    kCmykParams,
    "Union[tuple, None]", ResultCheck::None,
    "颜色号 → (C, M, Y, K) 百分比；颜色号不在 1..count 内时原样返回 defaultColor。",
    colour_lookup<kCmykParams, cmyk_tuple>};

const Method kRgb{
    "RGB", MethodKind::Instance,
    kRgbParams,
    "Union[tuple, None]", ResultCheck::None,
    "颜色号 → (R, G, B) 0..255；颜色号不在 1..count 内时原样返回 defaultColor。",
    colour_lookup<kRgbParams, rgb_tuple>};

const Method kHex{
    "HEX", MethodKind::Instance,
    kHexParams,
    "Union[str, None]", ResultCheck::Str,
    "颜色号 → HTML 颜色 \"#RRGGBB\"；颜色号不在 1..count 内时原样返回 defaultColor。",
    colour_lookup<kHexParams, hex_text>};

}  // namespace

void add_mapgis_colorlib_class(ModuleState& st) {
    st.MapGisColorLib = mapgis::make_reader_class(
        "MapGisColorLib", st.TivenBase.get(),
        "MapGis色库（青品黄黑-红绿蓝）读取类\n\n"
        "    用法：lib = MapGisColorLib(); lib.HEX(5, \"#FFFFFF\")\n",
        {{"__PcolorLibHead", mapgis::kColourHeadLayout}, {"__PcolorLibBody", mapgis::kColourRecordLayout}},
        {&kInit, &kCmyk, &kRgb, &kHex});
}

}  // namespace tiven
