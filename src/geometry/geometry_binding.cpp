// The Geometry class: loading any accepted form into a GeoJSON-geometry
// dictionary, and the writers and vertex tools built on it.
#include <string>
#include <vector>

#include "core/boundary.hpp"
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/recursion_guard.hpp"
#include "geometry/free_text_reader.hpp"
#include "geometry/geojson_writer.hpp"
#include "geometry/geometry_dict.hpp"
#include "geometry/geometry_validate.hpp"
#include "geometry/sequence_items.hpp"
#include "geometry/text_values.hpp"
#include "geometry/vertex_walks.hpp"
#include "geometry/wkt_reader.hpp"
#include "geometry/wkt_writer.hpp"

namespace tiven {

namespace {

using namespace geometry;

Ref call_loads(PyObject* cls, PyObject* value) {
    return own(PyObject_CallMethodOneArg(cls, state().names.loads, value));
}

// The first member of a list, with the interpreter's error for an empty one.
PyObject* first(PyObject* list) {
    if (PyList_GET_SIZE(list) == 0) fail(ErrorKind::IndexError, "list index out of range");
    return PyList_GET_ITEM(list, 0);
}

// A bare nested list typed by the depth of its first members.
Ref load_nested_list(PyObject* list, PyObject* code) {
    PyObject* l1 = first(list);
    GeomType t;
    if (!PyList_CheckExact(l1)) {
        if (PyList_GET_SIZE(list) < 2) fail("Invalid [coordinates] parameter. Dimension should be greater than 1.");
        if (!code_admits(code, 0)) fail_showing("[", code, "] should be one of [-1,0] in [code] parameter.");
        t = GeomType::Point;
    } else if (PyObject* l2 = first(l1); !PyList_CheckExact(l2)) {
        if (code_equals(code, 0)) t = GeomType::MultiPoint;
        else if (code_equals(code, 1) || code_equals(code, -1)) t = GeomType::LineString;
        else fail_showing("[", code, "] should be one of [-1,0,1] in [code] parameter.");
    } else if (PyObject* l3 = first(l2); !PyList_CheckExact(l3)) {
        if (code_equals(code, 1)) t = GeomType::MultiLineString;
        else if (code_equals(code, 2) || code_equals(code, -1)) t = GeomType::Polygon;
        else fail_showing("[", code, "] should be one of [-1,1,2] in [code] parameter.");
    } else if (!PyList_CheckExact(first(l3))) {
        t = GeomType::MultiPolygon;
    } else {
        fail("Invalid [coordinates] parameter.");
    }
    return validate(type_str(t), list, code);
}

Ref load_dict(PyObject* cls, PyObject* d, PyObject* code) {
    const InternedNames& names = state().names;
    if (Ref coords = lookup(d, names.coordinates)) {
        if (!PyList_CheckExact(coords.get())) fail("Invalid type in [coordinates] parameter. Should be [list]");
        Ref type = lookup(d, names.type);
        if (type && type.get() != Py_None) return validate(type.get(), coords.get(), code);
        return load_nested_list(coords.get(), code);
    }
    if (Ref members = lookup(d, names.geometries)) {
        if (!PyList_Check(members.get())) fail("Invalid type in [coordinates] parameter. Should be [list]");
        Ref result = own(PyList_New(0));
        for_each_item(members.get(), [&](PyObject* m) {
            if (!PyDict_Check(m)) fail("Invalid type in [coordinates] parameter. Should be [dict]");
            Ref loaded = call_loads(cls, m);
            check(PyList_Append(result.get(), loaded.get()));
        });
        return geometry_collection(result.get());
    }
    fail("Invalid [coordinates] parameter. [\"coordinates/geometries\" not found]");
}

// ---- GeoJSON text -----------------------------------------------------------

// Type of a parsed coordinate list under a family code; None when it fits none.
GeomType family_type(PyObject* list, int code) {
    if (!list || !PyList_CheckExact(list)) return GeomType::None;
    PyObject* l1 = first(list);
    if (code == 0) return PyList_CheckExact(l1) ? GeomType::MultiPoint : GeomType::Point;
    if (!PyList_CheckExact(l1)) return GeomType::None;
    PyObject* l2 = first(l1);
    if (code == 1) {
        if (!PyList_CheckExact(l2)) return GeomType::LineString;
        return PyList_CheckExact(first(l2)) ? GeomType::None : GeomType::MultiLineString;
    }
    if (!PyList_CheckExact(l2)) return GeomType::None;
    PyObject* l3 = first(l2);
    if (!PyList_CheckExact(l3)) return GeomType::Polygon;
    return PyList_CheckExact(first(l3)) ? GeomType::None : GeomType::MultiPolygon;
}

// The two types of each family code.
constexpr GeomType kFamily[3][2] = {{GeomType::Point, GeomType::MultiPoint},
                                    {GeomType::LineString, GeomType::MultiLineString},
                                    {GeomType::Polygon, GeomType::MultiPolygon}};

Ref load_geojson_text(PyObject* cls, PyObject* str, Text t, int branch, PyObject* code) {
    const InternedNames& names = state().names;
    Ref value = json_value(str, t);
    PyObject* v = value.get();
    if (branch == -1) {
        if (PyDict_CheckExact(v)) {
            Ref type = lookup(v, names.type);
            if (Ref coords = lookup(v, names.coordinates)) {
                if (!PyList_CheckExact(coords.get())) fail("Invalid [coordinates] parameter.");
                if (!type || type.get() == Py_None) return call_loads(cls, coords.get());
                return validate(type.get(), coords.get(), code);
            }
            if (lookup(v, names.geometries)) return call_loads(cls, v);
            return validate(type ? type.get() : Py_None, Py_None, code);
        }
        if (PyList_CheckExact(v)) return call_loads(cls, v);
        return validate(Py_None, Py_None, code);
    }
    Ref type;
    Ref coords;
    if (PyDict_CheckExact(v)) {
        type = lookup(v, names.type);
        if (type && !is_type_name(type.get(), kFamily[branch][0]) && !is_type_name(type.get(), kFamily[branch][1]) &&
            !is_type_name(type.get(), GeomType::GeometryCollection))
            fail("Invalid [code] parameter.");
        if ((coords = lookup(v, names.coordinates))) {
            if (!PyList_CheckExact(coords.get())) fail("Invalid [coordinates] parameter.");
        } else if (lookup(v, names.geometries)) {
            return call_loads(cls, v);
        }
        if (type && type.get() != Py_None) return validate(type.get(), coords ? coords.get() : Py_None, code);
    } else if (PyList_CheckExact(v)) {
        coords = std::move(value);
    }
    GeomType found = family_type(coords.get(), branch);
    return validate(found == GeomType::None ? Py_None : type_str(found), coords ? coords.get() : Py_None, code);
}

// ---- WKT text ---------------------------------------------------------------

// The keyword as str.upper() writes it; "?" when that is no UTF-8.
std::string keyword_upper(Text t, Span k) {
    std::string upper;
    for (size_t i = k.begin; i < k.end; ++i) {
        char32_t c = t[i];
        if (c >= 128) {
            Ref word = str_of(t, k);
            Ref up = own(PyObject_CallMethodNoArgs(word.get(), state().names.upper));
            Py_ssize_t n = 0;
            const char* utf8 = PyUnicode_AsUTF8AndSize(up.get(), &n);
            if (!utf8) {
                PyErr_Clear();
                return "?";
            }
            return std::string(utf8, static_cast<size_t>(n));
        }
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return upper;
}

Ref load_wkt_text(PyObject* cls, Text t, int branch, PyObject* code) {
    WktSplit split = split_wkt(t);
    GeomType type = split.keyword.empty() ? GeomType::None : keyword_type(keyword_upper(t, split.keyword), branch);
    WktBody body = read_wkt_body(t, split.body, type, branch);
    if (body.type == GeomType::GeometryCollection) {
        Ref result = own(PyList_New(0));
        for (const Span& m : body.members) {
            Ref text = str_of(t, m);
            Ref loaded = call_loads(cls, text.get());
            check(PyList_Append(result.get(), loaded.get()));
        }
        return geometry_collection(result.get());
    }
    Ref coords = coords_value(t, body.coords);
    if (body.point_groups) {
        // One point to a group: the groups' single vertices make the MultiPoint.
        Py_ssize_t n = PyList_GET_SIZE(coords.get());
        Ref points = own(PyList_New(n));
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* group = PyList_GET_ITEM(coords.get(), i);
            if (!PyList_CheckExact(group) || PyList_GET_SIZE(group) != 1) fail("Invalid [coordinates] parameter.");
            PyObject* point = PyList_GET_ITEM(group, 0);
            Py_INCREF(point);
            PyList_SET_ITEM(points.get(), i, point);
        }
        coords = std::move(points);
    }
    return validate(type_str(body.type), coords.get(), code);
}

Ref load_text(PyObject* cls, PyObject* str, PyObject* code) {
    int branch;
    if (code == Py_None || code_equals(code, -1)) branch = -1;
    else if (code_equals(code, 0)) branch = 0;
    else if (code_equals(code, 1)) branch = 1;
    else if (code_equals(code, 2)) branch = 2;
    else fail_showing("[", code, "] should be one of [-1,0,1,2] in [code] parameter.");

    CodePoints text(str);
    Text t = text.text();
    if (has_bracket_pair(t, U'[', U']')) return load_geojson_text(cls, str, t, branch, code);
    if (has_bracket_pair(t, U'(', U')')) return load_wkt_text(cls, t, branch, code);
    // GeoJSON text without a non-empty bracket pair, such as an empty collection.
    Span s = strip(t, {0, t.size()});
    if (!s.empty() && t[s.begin] == U'{') return load_geojson_text(cls, str, t, branch, code);
    FreeText free = read_free_text(t, branch);
    if (free.type == GeomType::None) return validate(Py_None, Py_None, code);
    Ref coords = coords_value(t, free.coords);
    return validate(type_str(free.type), coords.get(), code);
}

// ---- methods ----------------------------------------------------------------

constexpr auto kSelfOnly = std::to_array<Param>({{.name = "self"}});
constexpr auto kLoadsParams = std::to_array<Param>({
    {.name = "cls"},
    {.name = "coordinates", .annotation = "Union[str, list, dict]"},
    {.name = "code",
     .annotation = "Union[int, None]",
     .check = Check::Int,
     .or_none = true,
     .value = Default::integer(-1)},
});
// dumps, toWkt and swapXY
constexpr auto kGeometryParams = std::to_array<Param>({
    {.name = "cls"},
    {.name = "geometry", .annotation = "Union[dict, list, str]"},
});
constexpr auto kGetXYParams = std::to_array<Param>({
    {.name = "cls"},
    {.name = "geometry", .annotation = "Union[dict, list, str]"},
    {.name = "endpoint", .annotation = "bool", .value = Default::boolean(true)},
});

Ref loads(const Call& c) {
    RecursionGuard guard(" while loading a geometry");
    PyObject* cls = c[arg(kLoadsParams, "cls")];
    PyObject* value = c[arg(kLoadsParams, "coordinates")];
    PyObject* code = c[arg(kLoadsParams, "code")];
    if (PyList_CheckExact(value)) return load_nested_list(value, code);
    if (PyDict_CheckExact(value)) return load_dict(cls, value, code);
    if (PyUnicode_CheckExact(value)) return load_text(cls, value, code);
    Ref type_name = own(PyType_GetName(Py_TYPE(value)));
    fail_showing("[", type_name.get(), "] is not a valid type in [coordinates] parameter.");
}

// The argument as a dictionary: itself when exactly a dict, else loaded.
Ref as_geometry(PyObject* cls, PyObject* value) {
    if (PyDict_CheckExact(value)) return Ref::borrow(value);
    return call_loads(cls, value);
}

Ref dumps(const Call& c) {
    Ref g = as_geometry(c[arg(kGeometryParams, "cls")], c[arg(kGeometryParams, "geometry")]);
    return geojson_text(g.get());
}

Ref to_wkt(const Call& c) {
    RecursionGuard guard(" while writing WKT");
    const InternedNames& names = state().names;
    PyObject* cls = c[arg(kGeometryParams, "cls")];
    Ref g = as_geometry(cls, c[arg(kGeometryParams, "geometry")]);
    PyObject* d = g.get();
    Ref type = member(d, names.type);
    if (!check(PyObject_IsTrue(type.get()))) fail("Invalid geometry type.");
    if (has_member(d, names.coordinates)) {
        Ref coords = member(d, names.coordinates);
        GeomType t = coordinates_type(type.get());
        if (t == GeomType::None) fail("Invalid geometry type.");
        return wkt_text(t, coords.get());
    }
    Ref members = has_member(d, names.geometries) ? member(d, names.geometries) : Ref();
    if (!members || !is_type_name(type.get(), GeomType::GeometryCollection) || !PyList_CheckExact(members.get()))
        fail("Invalid geometry type.");
    // Every member is written before the texts are joined, as a join of the
    // written members would; only then is a text that is no str refused.
    std::vector<Ref> texts;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(members.get()); ++i) {
        Ref member = Ref::borrow(PyList_GET_ITEM(members.get(), i));
        texts.push_back(own(PyObject_CallMethodOneArg(cls, names.toWkt, member.get())));
    }
    return wkt_collection_text(texts);
}

Ref swap(const Call& c) {
    RecursionGuard guard(" while swapping axes");
    PyObject* cls = c[arg(kGeometryParams, "cls")];
    Ref g = as_geometry(cls, c[arg(kGeometryParams, "geometry")]);
    swap_axes(cls, g.get());
    return g;
}

Ref listing(const Call& c) {
    RecursionGuard guard(" while listing vertices");
    PyObject* cls = c[arg(kGetXYParams, "cls")];
    Ref g = as_geometry(cls, c[arg(kGetXYParams, "geometry")]);
    return list_vertices(cls, g.get(), c[arg(kGetXYParams, "endpoint")]);
}

const char kLoadsDoc[] =
    "加载几何要素：自由坐标文本、WKT文本、GeoJSON文本、嵌套坐标列表或GeoJSON-geometry字典，\n"
    "返回经校验与规范化的GeoJSON-geometry字典。\n\n"
    ":param coordinates: 几何要素（文本、列表或字典）\n"
    ":param code: 几何族代码：-1自动识别，0点族，1线族，2面族\n"
    ":return: GeoJSON-geometry字典\n\n"
    ">>> Geometry.loads('120 38,122 39')\n"
    "{'type': 'LineString', 'coordinates': [[120.0, 38.0], [122.0, 39.0]]}\n";

const Method kInit{"__init__", MethodKind::Instance, kSelfOnly, nullptr, ResultCheck::None, "", init_calling_base};
const Method kLoads{"loads", MethodKind::Class, kLoadsParams, "dict", ResultCheck::Dict, kLoadsDoc, loads};
const Method kDumps{"dumps", MethodKind::Class, kGeometryParams, "str", ResultCheck::Str,
                    "几何要素序列化为GeoJSON文本（缩进4，保留非ASCII字符）。", dumps};
const Method kToWkt{"toWkt", MethodKind::Class, kGeometryParams, "str", ResultCheck::Str, "几何要素序列化为WKT文本。",
                    to_wkt};
const Method kSwapXY{"swapXY", MethodKind::Class, kGeometryParams, "dict", ResultCheck::Dict,
                     "原位交换几何要素全部顶点的X、Y坐标，返回该字典。", swap};
const Method kGetXY{"getXY", MethodKind::Class, kGetXYParams, "list", ResultCheck::List,
                    "列出几何要素的顶点元组；endpoint为真时仅列出每条线或环的首末顶点。", listing};

}  // namespace

void add_geometry_class(ModuleState& st) {
    ClassBuilder b("Geometry", st.TivenBase.get(),
                   "地学几何要素加载、编码、转换与序列化类，几何要素主体采用{Python-dict}类型存储并符合{GeoJson-geometry}格式要求。\n");
    b.method(kInit);
    b.method(kLoads);
    b.method(kDumps);
    b.method(kToWkt);
    b.method(kSwapXY);
    b.method(kGetXY);
    st.Geometry = b.finish();

    // The docstring of loads carries a worked example that doctest runs.
    Ref tests = own(PyDict_New());
    Ref loads_method = own(PyObject_GetAttr(st.Geometry.get(), st.names.loads));
    Ref doc = own(PyObject_GetAttrString(loads_method.get(), "__doc__"));
    check(PyDict_SetItemString(tests.get(), "Geometry.loads", doc.get()));
    check(PyObject_SetAttrString(st.module, "__test__", tests.get()));
}

}  // namespace tiven
