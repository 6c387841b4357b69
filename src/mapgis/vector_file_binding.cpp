// MapGisFile: the reader of MapGIS point, line and polygon files as a Python
// class: constructor (head, section table, field structure), the summary
// queries, the feature generator and the GeoJSON export.
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/binary_file_binding.hpp"
#include "mapgis/feature_generator.hpp"
#include "mapgis/geojson_export.hpp"
#include "mapgis/object_access.hpp"
#include "mapgis/vector_header.hpp"
#include "mapgis/vertices.hpp"

namespace tiven {

namespace {

using namespace mapgis;

bool text_equals(PyObject* text, const char* literal) {
    Ref lit = py_str(literal);
    return check(PyObject_RichCompareBool(text, lit.get(), Py_EQ));
}

Ref time_stamp_of(PyObject* path) {
    Ref mtime = os_path("getmtime", path);
    Ref local = own(PyObject_CallMethod(state().time.get(), "localtime", "O", mtime.get()));
    return own(PyObject_CallMethod(state().time.get(), "strftime", "sO", "%Y-%m-%dT%H:%M:%S%z", local.get()));
}

constexpr auto kInitParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "mapGisFile", .annotation = "str", .check = Check::Str},
    {.name = "mapGisColorLib", .annotation = "str", .check = Check::Str, .value = Default::none()},
    {.name = "encoding", .annotation = "str", .check = Check::Str, .value = Default::text("GB2312")},
});
constexpr auto kSelfOnly = std::to_array<Param>({{.name = "self"}});
constexpr auto kSaveAsGeoJsonParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "fileName", .annotation = "str", .check = Check::Str},
});

[[noreturn]] void fail_file_format(PyObject* path) {
    PyErr_SetObject(PyExc_Exception, own(PyUnicode_FromFormat("[%U] invalid file format.", path)).get());
    throw PythonErrorSet{};
}

// Every attribute the object has before the file is read.
void start_attributes(PyObject* self, PyObject* colour_library, PyObject* encoding) {
    for (const char* name : {"FileName", "FileType", "BBox", "EPSG", "Parameters", "TimeStamp", "RecordCount", "FeatureCount"})
        set_attr(self, name, py_none());
    set_attr(self, "PcolorLibFile", Ref::borrow(colour_library));
    set_attr(self, "Encoding", Ref::borrow(encoding));
    set_attr(self, "FieldStruct", py_none());
    set_attr(self, "StyleItems", py_none());
}

// BBox, EPSG and Parameters from the head.
void set_reference_system(PyObject* self, const FileHead& h) {
    set_attr(self, "BBox", own(Py_BuildValue("[dddd]", h.x_min, h.y_min, h.x_max, h.y_max)));
    // The one-byte codes go through the object's decoder, in this order.
    auto code = [self](uint8_t byte) {
        return decode_integer(self, std::string_view(reinterpret_cast<const char*>(&byte), 1));
    };
    Ref projection_type = code(h.projection_type);
    Ref ellipsoid_code = code(h.ellipsoid_code);
    Ref units = code(h.units);
    Ref crs = code(h.crs);
    int64_t epsg = epsg_code(as_int64(crs.get()), as_int64(projection_type.get()), as_int64(ellipsoid_code.get()),
                             as_int64(units.get()));
    set_attr(self, "EPSG", py_int(epsg));
    set_attr(self, "Parameters", DictBuilder()
                                     .set("projectionTypeCode", std::move(projection_type))
                                     .set("fileTypeCode", py_int(h.file_type_code))
                                     .set("ellipsoidCode", std::move(ellipsoid_code))
                                     .set("unitsCode", std::move(units))
                                     .set("central_meridian", py_float(h.central_meridian))
                                     .set("latitude_of_origin", py_float(h.latitude_of_origin))
                                     .set("standard_parallel_1", py_float(h.standard_parallel_1))
                                     .set("standard_parallel_2", py_float(h.standard_parallel_2))
                                     .set("false_easting", py_float(h.false_easting))
                                     .set("false_northing", py_float(h.false_northing))
                                     .set("ellipsoidElevation", py_float(h.ellipsoid_elevation))
                                     .set("projectionElevation", py_float(h.projection_elevation))
                                     .take());
}

// self._featureDataHeads. The table is read entry by entry: a count larger
// than the file holds ends in the struct error at the first short entry,
// nothing allocated ahead.
Ref read_section_table(PyObject* self, BinaryFile& f, const FileHead& h) {
    Ref heads = own(PyList_New(0));
    set_attr(self, "_featureDataHeads", heads.copy());
    seek_file(f, h.start);
    for (int32_t k = 0; k < h.heads; ++k) {
        const DataHead d = read_data_head(f);
        Ref entry = own(Py_BuildValue("(iii)", d.start, d.count, static_cast<int>(d.end_flag)));
        check(PyList_Append(heads.get(), entry.get()));
    }
    return heads;
}

struct Counts {
    int64_t records, features;
};

// FileType and the counts, for a type code that agrees with the magic text.
Counts set_file_type(PyObject* self, const FileHead& h, PyObject* magic, PyObject* path) {
    Counts n;
    if (h.file_type_code == 0 && text_equals(magic, kLineMagic)) {
        set_attr(self, "FileType", py_str("LineString"));
        n = {int64_t{h.total} - 1, h.valid};
    } else if (h.file_type_code == 1 && text_equals(magic, kPointMagic)) {
        set_attr(self, "FileType", py_str("Point"));
        n = {int64_t{h.total} - 1, h.valid};
    } else if (h.file_type_code == 2 && text_equals(magic, kPolygonMagic)) {
        set_attr(self, "FileType", py_str("Polygon"));
        n = {int64_t{h.total_polygons} - 1, h.valid_polygons};
    } else {
        fail_file_format(path);
    }
    set_attr(self, "RecordCount", py_int(n.records));
    set_attr(self, "FeatureCount", py_int(n.features));
    if (h.file_type_code == 2) {
        set_attr(self, "ArcTotalCount", py_int(int64_t{h.total} - 1));
        set_attr(self, "ArcValidCount", py_int(h.valid));
    }
    return n;
}

// self.FieldStruct: the attribute section's head and its field descriptions.
void read_field_structure(PyObject* self, BinaryFile& f, PyObject* heads, int32_t file_type_code, Counts n,
                          PyObject* encoding) {
    Py_ssize_t section = file_type_code == 2 ? 9 : 2;
    if (PyList_GET_SIZE(heads) <= section) {
        PyErr_SetString(PyExc_IndexError, "list index out of range");
        throw PythonErrorSet{};
    }
    int64_t data_start = PyLong_AsLongLong(PyTuple_GET_ITEM(PyList_GET_ITEM(heads, section), 0));
    seek_file(f, data_start);
    const FieldHead fh = read_field_head(f);
    Ref field_struct = DictBuilder()
                           .set("fieldCount", py_int(fh.field_count))
                           .set("fieldLength", py_int(fh.fields_length))
                           .set("fieldSize", py_int(fh.field_size))
                           .set("recordCount", py_int(n.records))
                           .set("featureCount", py_int(n.features))
                           .take();
    set_attr(self, "FieldStruct", field_struct.copy());

    Ref fields = own(PyList_New(0));
    for (int k = 0; k < fh.field_count; ++k) {
        const FieldDescription d = read_field(f);
        DictBuilder field;
        field.set("name", decode_text(self, d.name, encoding))
            .set("type", py_str(field_type_text(d.type_code)))
            .set("typeCode", py_int(d.type_code))
            .set("size", py_int(d.size))
            .set("length", py_int(d.length));
        if (field_has_decimal(d.type_code)) field.set("decimal", py_int(d.digits));
        check(PyList_Append(fields.get(), field.take().get()));
    }
    set_item(field_struct.get(), "fields", std::move(fields));
}

Ref file_init(const Call& c) {
    PyObject* self = c[arg(kInitParams, "self")];
    PyObject* path = c[arg(kInitParams, "mapGisFile")];
    PyObject* encoding = c[arg(kInitParams, "encoding")];
    call_base_init(c, self);
    start_attributes(self, c[arg(kInitParams, "mapGisColorLib")], encoding);
    Ref isfile = os_path("isfile", path);
    if (!check(PyObject_IsTrue(isfile.get()))) {
        PyErr_SetObject(PyExc_FileNotFoundError, path);
        throw PythonErrorSet{};
    }
    set_attr(self, "FileName", Ref::borrow(path));
    set_attr(self, "TimeStamp", time_stamp_of(path));

    BinaryFile f;
    open_binary(f, path);
    const FileHead h = read_file_head(f);
    Ref magic = decode_text(self, h.identification, encoding);
    if (!text_equals(magic.get(), kLineMagic) && !text_equals(magic.get(), kPointMagic) &&
        !text_equals(magic.get(), kPolygonMagic))
        fail_file_format(path);
    set_reference_system(self, h);
    Ref heads = read_section_table(self, f, h);
    const Counts n = set_file_type(self, h, magic.get(), path);
    read_field_structure(self, f, heads.get(), h.file_type_code, n, encoding);
    return py_none();
}

Ref describe_property(const Call& c) {
    Ref fs = get_attr(c[arg(kSelfOnly, "self")], "FieldStruct");
    if (fs.get() == Py_None) return py_none();
    return own(PyObject_CallMethod(fs.get(), "get", "s", "fields"));
}

Ref get_capabilities(const Call& c) { return file_capabilities(c[arg(kSelfOnly, "self")]); }

Ref get_feature(const Call& c) { return make_feature_generator(c[arg(kSelfOnly, "self")]); }

Ref save_geojson(const Call& c) {
    return save_as_geojson(c[arg(kSaveAsGeoJsonParams, "self")], c[arg(kSaveAsGeoJsonParams, "fileName")]);
}

const Method kInit{
    "__init__", MethodKind::Instance,
    kInitParams,
    nullptr, ResultCheck::None,
    "打开 MapGis 点、线、面文件，读取文件头、数据区表与属性结构。\n\n"
    "mapGisFile: 文件路径；mapGisColorLib: 色库路径（为空时自动查找）；encoding: 文本编码（默认 GB2312）。",
    file_init};

const Method kDescribeProperty{
    "describeProperty", MethodKind::Instance, kSelfOnly, "Union[list, None]", ResultCheck::List,
    "属性字段列表（FieldStruct 中的 fields）；无属性结构时为 None。", describe_property};

const Method kGetCapabilities{
    "getCapabilities", MethodKind::Instance, kSelfOnly, "Union[dict, None]", ResultCheck::Dict,
    "文件概要：FeatureCollection 的头部成员（类型、时间戳、名称、范围、坐标系、属性概况）。", get_capabilities};

const Method kGetFeature{
    "getFeature", MethodKind::Instance, kSelfOnly, "Iterator[dict]", ResultCheck::None,
    "逐个生成有效要素（GeoJSON Feature 字典）；首次取值时才打开文件，结束、出错或关闭时关闭文件。", get_feature};

const Method kSaveAsGeoJson{
    "saveAsGeoJson", MethodKind::Instance, kSaveAsGeoJsonParams, "None", ResultCheck::None,
    "将整个文件写为一个 GeoJSON FeatureCollection（UTF-8，单行），每写一个要素前发布 \"progress\" 消息。",
    save_geojson};

}  // namespace

void add_mapgis_file_class(ModuleState& st) {
    const char* doc =
        "MapGis点线面文件读取类\n\n"
        "    用法：MapGisFile('roads.WL').saveAsGeoJson('roads.geojson')\n";
    st.MapGisFile = make_reader_class("MapGisFile", st.TivenBase.get(), doc, {
        {"__FeatureFileHead", kFeatureFileHead},
        {"__FeatureDataHead", kFeatureDataHead},
        {"__FeatureFieldHead", kFeatureFieldHead},
        {"__FeatureField", kFeatureField},
        {"__FeaturePointHead", kFeaturePointHead},
        {"__FeaturePointString", kFeaturePointString},
        {"__FeaturePointMarker", kFeaturePointMarker},
        {"__FeaturePointCircle", kFeaturePointCircle},
        {"__FeaturePointArc", kFeaturePointArc},
        {"__FeaturePointImage", kFeaturePointImage},
        {"__FeaturePointText", kFeaturePointText},
        {"__FeaturePolyline", kFeaturePolyline},
        {"__FeaturePolygon", kFeaturePolygon},
        {"__Topology", kTopology},
        {"__FeatureNode", kFeatureNode},
    }, {&kInit, &kDescribeProperty, &kGetCapabilities, &kGetFeature, &kSaveAsGeoJson});
    st.own_get_feature = class_entry(st.MapGisFile.get(), st.names.getFeature);
    st.own_get_capabilities = class_entry(st.MapGisFile.get(), st.names.getCapabilities);
}

}  // namespace tiven
