// MapGisProject: the reader of MapGIS project files as a Python class.
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/binary_file_binding.hpp"
#include "mapgis/object_access.hpp"
#include "mapgis/project_reader.hpp"

namespace tiven {

namespace {

using namespace mapgis;

Ref entry_type(PyObject* code) {
    static const char* const names[] = {"LineString", "Point", "Polygon"};
    for (int k = 0; k < 3; ++k) {
        Ref n = py_int(k);
        if (check(PyObject_RichCompareBool(code, n.get(), Py_EQ))) return py_str(names[k]);
    }
    return py_str("Unknown");
}

constexpr auto kInitParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "file", .annotation = "str", .check = Check::Str},
    {.name = "encoding", .annotation = "str", .check = Check::Str, .value = Default::text("GB2312")},
});

// self.Description: the head, its texts decoded with `encoding`.
Ref describe_project(PyObject* self, const ProjectHead& head, Ref ident, PyObject* file, PyObject* encoding) {
    return DictBuilder()
        .set("identification", std::move(ident))
        .set("typeCode", py_int(head.type_code))
        .set("files", py_int(head.files))
        .set("title", decode_text(self, head.title, encoding))
        .set("environment", decode_text(self, head.environment, encoding))
        .set("layoutWidth", py_float(head.layout_width))
        .set("layoutHeight", py_float(head.layout_height))
        .set("layoutRotate", py_float(head.layout_rotate))
        .set("layoutXoffset", py_float(head.layout_x_offset))
        .set("layoutYoffset", py_float(head.layout_y_offset))
        .set("layoutXscale", py_float(head.layout_x_scale))
        .set("layoutYscale", py_float(head.layout_y_scale))
        .set("xMin", py_float(head.x_min))
        .set("yMin", py_float(head.y_min))
        .set("xMax", py_float(head.x_max))
        .set("yMax", py_float(head.y_max))
        .set("sourceFile", Ref::borrow(file))
        .take();
}

// One item of self.Files.
Ref describe_entry(PyObject* self, const ProjectEntry& e, PyObject* encoding) {
    Ref type = decode_integer(self, e.type);
    return DictBuilder()
        .set("type", entry_type(type.get()))
        .set("statusCode", decode_integer(self, e.status_code))
        .set("file", decode_text(self, e.file, encoding))
        .set("description", decode_text(self, e.description, encoding))
        .set("xmin", py_float(e.x_min))
        .set("ymin", py_float(e.y_min))
        .set("xmax", py_float(e.x_max))
        .set("ymax", py_float(e.y_max))
        .set("userType", decode_integer(self, e.user_type))
        .set("groupCode", decode_integer(self, e.group_code))
        .set("netWorkData", decode_text(self, e.net_work_data, encoding))
        .set("scaleMin", py_float(e.scale_min))
        .set("scaleMax", py_float(e.scale_max))
        .set("labelFlag", decode_integer(self, e.label_flag))
        .set("labelFields", decode_text(self, e.label_fields, encoding))
        .set("labelHeight", py_float(e.label_height))
        .set("labelColor", py_int(e.label_color))
        .set("labelFont", decode_integer(self, e.label_font))
        .set("legendType", decode_integer(self, e.legend_type))
        .take();
}

Ref project_init(const Call& c) {
    PyObject* self = c[arg(kInitParams, "self")];
    PyObject* file = c[arg(kInitParams, "file")];
    PyObject* encoding = c[arg(kInitParams, "encoding")];
    call_base_init(c, self);
    set_attr(self, "Description", py_none());
    set_attr(self, "Files", py_none());
    Ref isfile = os_path("isfile", file);
    if (!check(PyObject_IsTrue(isfile.get()))) return py_none();

    BinaryFile f;
    open_binary(f, file);
    const ProjectHead head = read_project_head(f);
    Ref ident = decode_text(self, head.identification, encoding);
    Ref magic = py_str(kProjectMagic);
    if (!check(PyObject_RichCompareBool(ident.get(), magic.get(), Py_EQ)) || head.type_code != kProjectTypeCode) {
        PyErr_SetObject(PyExc_Exception, own(PyUnicode_FromFormat("[%U] format invalid.", file)).get());
        throw PythonErrorSet{};
    }
    set_attr(self, "Description", describe_project(self, head, std::move(ident), file, encoding));
    Ref files = own(PyList_New(0));
    set_attr(self, "Files", files.copy());
    // Records follow the head back to back; a short one is the struct error.
    for (int k = 0; k < head.files; ++k) {
        const ProjectEntry e = read_project_entry(f);
        check(PyList_Append(files.get(), describe_entry(self, e, encoding).get()));
    }
    return py_none();
}

const Method kInit{
    "__init__", MethodKind::Instance,
    kInitParams,
    nullptr, ResultCheck::None,
    "读取 MapGis 工程文件（MPJ）。\n\n"
    "file: 工程文件路径；encoding: 文本字段的编码（默认 GB2312）。\n"
    "结果在 Description（工程描述）与 Files（成员文件列表）中；路径不是文件时二者均为 None。",
    project_init};

}  // namespace

void add_mapgis_project_class(ModuleState& st) {
    st.MapGisProject = make_reader_class("MapGisProject", st.TivenBase.get(),
                                         "MapGis工程文件（MPJ）读取类。\n\n"
                                         "    用法：\n"
                                         "        project = MapGisProject('demo.MPJ')\n"
                                         "        project.Description, project.Files\n",
                                         {{"__ProjectHead", kProjectHead}, {"__ProjectBody", kProjectBody}}, {&kInit});
}

}  // namespace tiven
