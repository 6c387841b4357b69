// MapGrid: national map sheets. Python values in and out; the sheet
// arithmetic lives in the pure cores beside this file. Codes are matched by
// the interpreter's `re`, so case folding and Unicode classes are its own;
// plain ASCII codes are matched natively, with the same answers. While the
// class still holds its own tables and methods, the lookups and calls that
// go through `cls` are made directly.
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "core/boundary.hpp"
#include "core/class_builder.hpp"
#include "core/generator.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "core/recursion_guard.hpp"
#include "mapgrid/sheet_code_match.hpp"
#include "mapgrid/sheet_code_parser.hpp"
#include "mapgrid/sheet_grid_lines.hpp"
#include "mapgrid/sheet_of_position.hpp"
#include "mapgrid/sheet_tables.hpp"

namespace tiven {

namespace {

using namespace mapgrid;

const InternedNames& names() { return state().names; }

// ---- text ------------------------------------------------------------------

// UTF-8 of a str; lone surrogates pass through so every str round-trips.
std::string utf8_of(PyObject* s) {
    Py_ssize_t len = 0;
    if (const char* p = PyUnicode_AsUTF8AndSize(s, &len)) return std::string(p, static_cast<size_t>(len));
    PyErr_Clear();
    Ref b = own(PyUnicode_AsEncodedString(s, "utf-8", "surrogatepass"));
    return std::string(PyBytes_AS_STRING(b.get()), static_cast<size_t>(PyBytes_GET_SIZE(b.get())));
}

Ref str_of(const std::string& s) {
    return own(PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogatepass"));
}

// The interpreter's `re` and str methods for the code reader; on ASCII text
// their answers are worked out here.
class PythonCodeText final : public CodeText {
public:
    bool search(CodePattern p, const std::string& text, std::vector<std::string>& groups) override {
        if (is_plain(text)) return match_plain(p, text, groups);
        Ref s = str_of(text);
        Ref match = starts_with_blank_run(p) ? search_line_starts(pattern(p), s.get())
                                             : own(PyObject_CallMethodOneArg(pattern(p), st_.names.search, s.get()));
        if (match.get() == Py_None) return false;
        Ref g = own(PyObject_CallMethodNoArgs(match.get(), st_.names.groups));
        groups.clear();
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(g.get()); ++i) {
            PyObject* item = PyTuple_GET_ITEM(g.get(), i);
            groups.push_back(item == Py_None ? std::string() : utf8_of(item));
        }
        return true;
    }
    std::string upper(const std::string& s) override {
        return is_ascii(s) ? ascii_upper(s) : method(s, st_.names.upper);
    }
    std::string lower(const std::string& s) override {
        return is_ascii(s) ? ascii_lower(s) : method(s, st_.names.lower);
    }
    std::string strip(const std::string& s) override {
        return is_ascii(s) ? ascii_strip(s) : method(s, st_.names.strip);
    }
    long long to_int(const std::string& digits) override {
        if (const auto v = small_ascii_number(digits)) return *v;
        Ref s = str_of(digits);
        Ref v = own(PyLong_FromUnicodeObject(s.get(), 10));
        long long out = PyLong_AsLongLong(v.get());
        if (out == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        return out;
    }

private:
    ModuleState& st_ = state();

    // Up to 18 ASCII digits, which int() reads as a decimal number.
    static std::optional<long long> small_ascii_number(const std::string& digits) {
        if (digits.empty() || digits.size() > 18) return std::nullopt;
        long long v = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            v = v * 10 + (c - '0');
        }
        return v;
    }

    // The patterns that open with "^" and a run of white space that may
    // cross line feeds.
    static bool starts_with_blank_run(CodePattern p) {
        return p == CodePattern::Corner || p == CodePattern::PrefixHyphen || p == CodePattern::PrefixPlain;
    }

    // re.search of such a pattern, tried at line starts only. Every line
    // start inside one run of white space reaches the same first non-blank
    // character, and nothing else of the match depends on where it began, so
    // after a failed try the rest of that run is skipped: a text of many
    // blank lines is read once, not once per line.
    Ref search_line_starts(PyObject* compiled, PyObject* text) {
        const Py_ssize_t len = PyUnicode_GET_LENGTH(text);
        const int kind = PyUnicode_KIND(text);
        const void* data = PyUnicode_DATA(text);
        Py_ssize_t pos = 0;
        for (;;) {
            Ref at = own(PyLong_FromSsize_t(pos));
            Ref m = own(PyObject_CallMethodObjArgs(compiled, st_.names.match, text, at.get(), nullptr));
            if (m.get() != Py_None) return m;
            Py_ssize_t q = pos;
            while (q < len && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, q))) ++q;
            while (q < len && PyUnicode_READ(kind, data, q) != '\n') ++q;
            if (q >= len) return m;  // None: no line start left
            pos = q + 1;
        }
    }

    static std::string method(const std::string& s, PyObject* name) {
        Ref o = str_of(s);
        Ref r = own(PyObject_CallMethodNoArgs(o.get(), name));
        return utf8_of(r.get());
    }

    // re.compile(pattern, IGNORECASE | MULTILINE), once per pattern.
    PyObject* pattern(CodePattern p) {
        static_assert(static_cast<size_t>(CodePattern::Count_) ==
                      std::extent_v<decltype(ModuleState::code_patterns)>);
        Ref& slot = st_.code_patterns[static_cast<size_t>(p)];
        if (!slot) {
            PyObject* re = st_.re.get();
            Ref ic = own(PyObject_GetAttrString(re, "IGNORECASE"));
            Ref ml = own(PyObject_GetAttrString(re, "MULTILINE"));
            Ref flags = own(PyNumber_Or(ic.get(), ml.get()));
            Ref text = str_of(pattern_text(p));
            Ref compile = own(PyObject_GetAttrString(re, "compile"));
            slot = own(PyObject_CallFunctionObjArgs(compile.get(), text.get(), flags.get(), nullptr));
        }
        return slot.get();
    }
};

// The four letter tables as the class (or a subclass) holds them now; the
// built-in ones while the class still holds its own.
struct ClassTables {
    std::string text[4];
    LetterTables tables;
    bool all_own = true;

    explicit ClassTables(PyObject* cls) {
        const ModuleState& st = state();
        PyObject* const names_of[] = {st.names.mapcode, st.names.mapword, st.names.mapword5000, st.names.scalecode};
        std::string_view* views[] = {&tables.mapcode, &tables.mapword, &tables.mapword5000, &tables.scalecode};
        for (int i = 0; i < 4; ++i) {
            Ref v;
            if (is_own_method(cls, names_of[i], st.own_letter_tables[i].get(), v)) continue;
            all_own = false;
            if (!PyUnicode_Check(v.get())) {
                PyErr_Format(PyExc_TypeError, "%U should be a str, not %.200s", names_of[i],
                             Py_TYPE(v.get())->tp_name);
                throw PythonErrorSet{};
            }
            text[i] = utf8_of(v.get());
            *views[i] = text[i];
        }
    }
    ClassTables(const ClassTables&) = delete;
    ClassTables& operator=(const ClassTables&) = delete;
};

// What `cls.__corner1000000(code)` reads.
SheetCorner corner_of(PyObject* cls, const std::string& code) {
    ClassTables t(cls);
    PythonCodeText text;
    return corner_of_code(text, t.tables, code);
}

// ---- values ----------------------------------------------------------------

Ref new_dict() { return own(PyDict_New()); }
void put(PyObject* d, PyObject* key, Ref value) { check(PyDict_SetItem(d, key, value.get())); }

Ref boundary_dict(const SheetBoundary& b) {
    const InternedNames& n = names();
    Ref d = new_dict();
    put(d.get(), n.north, py_float(b.north));
    put(d.get(), n.south, py_float(b.south));
    put(d.get(), n.west, py_float(b.west));
    put(d.get(), n.east, py_float(b.east));
    return d;
}

// North, south, west, east of a whole 1:1,000,000 sheet, in the corner's own
// number type (ints from the class's own lookup).
Ref whole_sheet_boundary(PyObject* lon, PyObject* lat) {
    const InternedNames& n = names();
    Ref four = py_int(4), six = py_int(6);
    Ref d = new_dict();
    put(d.get(), n.north, own(PyNumber_Add(lat, four.get())));
    put(d.get(), n.south, Ref::borrow(lat));
    put(d.get(), n.west, Ref::borrow(lon));
    put(d.get(), n.east, own(PyNumber_Add(lon, six.get())));
    return d;
}

// A corner value in float arithmetic, as `float - value` would take it.
double corner_double(PyObject* v) {
    if (PyFloat_Check(v)) return PyFloat_AS_DOUBLE(v);
    if (PyLong_Check(v)) {
        double d = PyLong_AsDouble(v);
        if (d == -1.0 && PyErr_Occurred()) throw PythonErrorSet{};
        return d;
    }
    PyErr_Format(PyExc_TypeError, "unsupported operand type(s) for -: 'float' and '%.200s'", Py_TYPE(v)->tp_name);
    throw PythonErrorSet{};
}

// `lon1000000, lat1000000 = cls.__corner1000000(code).values()`
struct CornerValues {
    Ref lon, lat;
    bool own = false;  // read by the class's own lookup
};
CornerValues corner_through(PyObject* cls, const std::string& code) {
    const InternedNames& n = names();
    Ref fn;
    if (is_own_method(cls, n.corner1000000, state().own_corner1000000.get(), fn)) {
        const SheetCorner c = corner_of(cls, code);
        return {py_int(c.longitude), py_int(c.latitude), true};
    }
    Ref arg = str_of(code);
    Ref corner = own(PyObject_CallOneArg(fn.get(), arg.get()));
    Ref values = own(PyObject_CallMethodNoArgs(corner.get(), n.values));
    Ref it = own(PyObject_GetIter(values.get()));
    CornerValues out;
    out.lon = Ref::steal(PyIter_Next(it.get()));
    if (out.lon) out.lat = Ref::steal(PyIter_Next(it.get()));
    if (!out.lat) {
        if (PyErr_Occurred()) throw PythonErrorSet{};
        fail(ErrorKind::ValueError, out.lon ? "not enough values to unpack (expected 2, got 1)"
                                            : "not enough values to unpack (expected 2, got 0)");
    }
    Ref extra = Ref::steal(PyIter_Next(it.get()));
    if (extra) fail(ErrorKind::ValueError, "too many values to unpack (expected 2)");
    if (PyErr_Occurred()) throw PythonErrorSet{};
    return out;
}

// ---- parameters ------------------------------------------------------------

constexpr auto kSelfOnly = std::to_array<Param>({{.name = "self"}});
// __corner1000000 and parse
constexpr auto kCodeParams = std::to_array<Param>({
    {.name = "cls"},
    {.name = "code", .annotation = "str", .check = Check::Str},
});
constexpr auto kMapParams = std::to_array<Param>({
    {.name = "cls"},
    {.name = "longitude", .annotation = "float", .check = Check::Float},
    {.name = "latitude", .annotation = "float", .check = Check::Float},
    {.name = "scale", .annotation = "int", .check = Check::Int, .value = Default::integer(1000000)},
});
constexpr auto kGridParams = std::to_array<Param>({
    {.name = "north", .annotation = "float", .check = Check::Float},
    {.name = "south", .annotation = "float", .check = Check::Float},
    {.name = "west", .annotation = "float", .check = Check::Float},
    {.name = "east", .annotation = "float", .check = Check::Float},
    {.name = "zoom", .annotation = "int", .check = Check::Int, .value = Default::integer(0)},
    {.name = "summary", .annotation = "bool", .value = Default::boolean(false)},
});

// ---- methods ---------------------------------------------------------------

Ref init_impl(const Call& call) {
    call_base_init(call, call[arg(kSelfOnly, "self")]);
    return py_none();
}

Ref corner_impl(const Call& call) {
    const InternedNames& n = names();
    const SheetCorner c = corner_of(call[arg(kCodeParams, "cls")], utf8_of(call[arg(kCodeParams, "code")]));
    Ref d = new_dict();
    put(d.get(), n.longitude, py_int(c.longitude));
    put(d.get(), n.latitude, py_int(c.latitude));
    return d;
}

// The scale of a map call: the caller's int, or a ladder entry when map
// asks itself for a coarser sheet.
struct ScaleArg {
    PyObject* given = nullptr;
    const SheetScale* known = nullptr;
};

const SheetScale& scale_of(ScaleArg arg) {
    if (arg.known) return *arg.known;
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(arg.given, &overflow);
    if (value == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    const SheetScale* scale = overflow ? nullptr : find_scale(value);
    return scale ? *scale : require_scale(value, utf8_of(own(PyObject_Str(arg.given)).get()), true);
}

// What `cls.map(longitude, latitude, scale)` answers, before it becomes a dict.
struct MapAnswer {
    std::string new_code;
    std::string old_code;  // UTF-8, unless `old` holds it
    Ref old;               // the old code, when a replaced `map` gave its head
    CornerValues corner;   // 1:1,000,000: the corner as looked up
    bool whole = false;
    SheetBoundary boundary{};
};

MapAnswer answer_map(PyObject* cls, double longitude, double latitude, ScaleArg scale_arg);

// A position inside the 1:1,000,000 sheet that map chose for it.
struct MapPosition {
    double longitude, latitude;
    PositionFrame frame;
    double lon0, lat0;  // the corner
};

// The old code made of the coarser sheet's old code, as `cls.map` gives it,
// and the sheet's tail. `own_lookups`: the tables and the corner were the
// class's own, and no Python code has run since, so a coarser call would
// read the same: its old code is worked out here.
void old_code_through(PyObject* cls, const ClassTables& t, const MapPosition& p, bool own_lookups,
                      const SheetOfPosition& sheet, MapAnswer& out) {
    const InternedNames& n = names();
    const double longitude = p.longitude, latitude = p.latitude;
    RecursionGuard guard(" in MapGrid.map");
    Ref fn;
    if (is_own_method(cls, n.map, state().own_map.get(), fn)) {
        const SheetScale& scale = *find_scale(sheet.nested_scale);
        if (own_lookups) {
            out.old_code = old_code_of(t.tables, p.frame, longitude, latitude, p.lon0, p.lat0, scale) + sheet.old_tail;
            return;
        }
        MapAnswer coarser = answer_map(cls, longitude, latitude, {nullptr, &scale});
        if (!coarser.old) {
            out.old_code = coarser.old_code + sheet.old_tail;
            return;
        }
        Ref tail = str_of(sheet.old_tail);
        out.old = own(PyUnicode_Concat(coarser.old.get(), tail.get()));
        return;
    }
    Ref lon = py_float(longitude), lat = py_float(latitude), s = py_int(sheet.nested_scale);
    PyObject* args[] = {lon.get(), lat.get(), s.get()};
    Ref coarser = own(PyObject_Vectorcall(fn.get(), args, 3, nullptr));
    Ref prefix = own(PyObject_GetItem(coarser.get(), n.old));
    Ref prefix_text = format_within_stack(prefix.get(), n.empty);
    Ref tail = str_of(sheet.old_tail);
    out.old = own(PyUnicode_Concat(prefix_text.get(), tail.get()));
}

MapAnswer answer_map(PyObject* cls, double longitude, double latitude, ScaleArg scale_arg) {
    ClassTables t(cls);
    MapPosition p{longitude, latitude, position_frame(t.tables, longitude, latitude), 0.0, 0.0};
    MapAnswer out;
    out.corner = corner_through(cls, p.frame.new1000000);
    const SheetScale& scale = scale_of(scale_arg);
    if (scale.scale == 1000000) {
        out.new_code = p.frame.new1000000;
        out.old_code = p.frame.old1000000;
        out.whole = true;
        return out;
    }
    p.lon0 = corner_double(out.corner.lon.get());
    p.lat0 = corner_double(out.corner.lat.get());
    SheetOfPosition sheet = sheet_of_position(t.tables, p.frame, longitude, latitude, p.lon0, p.lat0, scale);
    out.new_code = std::move(sheet.new_code);
    if (sheet.nested_scale == 0) out.old_code = std::move(sheet.old_code);
    else old_code_through(cls, t, p, t.all_own && out.corner.own, sheet, out);
    out.boundary = sheet.boundary;
    return out;
}

Ref map_impl(const Call& call) {
    const InternedNames& n = names();
    MapAnswer a = answer_map(call[arg(kMapParams, "cls")], call.real(arg(kMapParams, "longitude")),
                             call.real(arg(kMapParams, "latitude")), {call[arg(kMapParams, "scale")], nullptr});
    Ref result = new_dict();
    put(result.get(), n.key_new, str_of(a.new_code));
    put(result.get(), n.old, a.old ? std::move(a.old) : str_of(a.old_code));
    put(result.get(), n.boundary, a.whole ? whole_sheet_boundary(a.corner.lon.get(), a.corner.lat.get())
                                          : boundary_dict(a.boundary));
    return result;
}

Ref parse_code(PyObject* cls, const std::string& code);

Ref parse_impl(const Call& call) {
    try {
        return parse_code(call[arg(kCodeParams, "cls")], utf8_of(call[arg(kCodeParams, "code")]));
    } catch (const CodeQuoteError& e) {
        // The whole text, NULs and lone surrogates of the quoted code included.
        fail_showing("", str_of(e.text).get(), "");
    }
}

// What `cls.parse(code)` answers; an old-style code is read again, as its
// new-style code, through `cls.parse`.
Ref parse_code(PyObject* cls, const std::string& code) {
    const InternedNames& n = names();
    ClassTables t(cls);
    PythonCodeText text;

    const CodePrefix prefix = read_code_prefix(text, code);
    CornerValues corner = corner_through(cls, prefix.joined());

    Ref result = new_dict();
    if (text.strip(prefix.rest).empty()) {
        put(result.get(), n.scale, py_int(1000000));
        put(result.get(), n.boundary, whole_sheet_boundary(corner.lon.get(), corner.lat.get()));
        return result;
    }
    const double lon0 = corner_double(corner.lon.get());
    const double lat0 = corner_double(corner.lat.get());
    const CodeAnswer answer = read_code_rest(text, t.tables, code, prefix, lon0, lat0);
    if (answer.kind == CodeAnswer::Kind::Reparse) {
        RecursionGuard guard(" in MapGrid.parse");
        Ref fn;
        if (is_own_method(cls, n.parse, state().own_parse.get(), fn)) return parse_code(cls, answer.new_code);
        Ref arg = str_of(answer.new_code);
        Ref r = own(PyObject_CallOneArg(fn.get(), arg.get()));
        enforce_result(ResultCheck::Dict, r.get());
        return r;
    }
    put(result.get(), n.scale, py_int(answer.scale));
    put(result.get(), n.boundary, boundary_dict(answer.boundary));
    return result;
}

// ---- grid ------------------------------------------------------------------

Ref pair(double a, double b) {
    Ref l = own(PyList_New(2));
    PyList_SET_ITEM(l.get(), 0, py_float(a).release());
    PyList_SET_ITEM(l.get(), 1, py_float(b).release());
    return l;
}

class GridBody final : public GeneratorBody {
public:
    GridBody(double north, double south, double west, double east, GridStep step, Ref summary)
        : north_(north), south_(south), west_(west), east_(east), step_(step), summary_(std::move(summary)) {}

    Ref next() override {
        if (done_) return {};
        const InternedNames& n = names();
        if (!lines_) {
            lines_.emplace(north_, south_, west_, east_, step_);
            scale_ = py_int(step_.scale);
            if (check(PyObject_IsTrue(summary_.get()))) {
                done_ = true;
                Ref d = new_dict();
                Ref count = own(PyList_New(2));
                PyList_SET_ITEM(count.get(), 0, py_int(lines_->meridian_count()).release());
                PyList_SET_ITEM(count.get(), 1, py_int(lines_->parallel_count()).release());
                put(d.get(), n.count, std::move(count));
                put(d.get(), n.step, pair(step_.delta_lng, step_.delta_lat));
                put(d.get(), n.scale, scale_.copy());
                return d;
            }
        }
        GridLine line;
        if (!lines_->next(line)) {
            done_ = true;
            return {};
        }
        Ref coords = own(PyList_New(2));
        PyList_SET_ITEM(coords.get(), 0, pair(line.x0, line.y0).release());
        PyList_SET_ITEM(coords.get(), 1, pair(line.x1, line.y1).release());
        Ref d = new_dict();
        put(d.get(), n.remarks, Ref::borrow(line.meridian ? n.longitude : n.latitude));
        put(d.get(), n.type, Ref::borrow(n.LineString));
        put(d.get(), n.coordinates, std::move(coords));
        put(d.get(), n.scale, scale_.copy());
        return d;
    }

    void close() noexcept override { done_ = true; }
    int traverse(visitproc visit, void* arg) override {
        Py_VISIT(summary_.get());
        Py_VISIT(scale_.get());
        return 0;
    }

private:
    double north_, south_, west_, east_;
    GridStep step_;
    Ref summary_;
    Ref scale_;
    std::optional<GridLines> lines_;
    bool done_ = false;
};

Ref grid_impl(const Call& call) {
    constexpr auto& p = kGridParams;
    int overflow = 0;
    const long long zoom = PyLong_AsLongLongAndOverflow(call[arg(p, "zoom")], &overflow);
    if (zoom == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    const GridStep step = grid_step(overflow < 0 ? -1 : zoom, overflow > 0);
    auto body = std::make_unique<GridBody>(call.real(arg(p, "north")), call.real(arg(p, "south")),
                                           call.real(arg(p, "west")), call.real(arg(p, "east")), step,
                                           Ref::borrow(call[arg(p, "summary")]));
    return make_generator(std::move(body), "grid", "MapGrid.grid");
}

// ---- declarations ----------------------------------------------------------

const char kInitDoc[] = "构造图幅分幅网格与编号对象（仅运行基类构造函数）。";

const char kCornerDoc[] =
    "由1:100万图幅编号求图幅西南角经纬度（整数度）。\n\n"
    ":param code: 图幅编号，如 J47、SJ-47，忽略大小写\n"
    ":return: {'longitude': 西边经度, 'latitude': 南边纬度}\n"
    ":raise Exception: 编号无法识别时";

const char kMapDoc[] =
    "由经纬度与比例尺求所在图幅的新旧编号与图廓范围。\n\n"
    ":param longitude: 经度，-180～+180\n"
    ":param latitude: 纬度，-90～+90\n"
    ":param scale: 比例尺分母：1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000, 500\n"
    ":return: {'new': 新编号, 'old': 旧编号, 'boundary': {'north', 'south', 'west', 'east'}}\n\n"
    "示例：\n"
    "    map(101, 37, 1000000) -> J47 / J-47\n"
    "    map(101, 37, 500000) -> J47B002002 / J-47-D\n"
    "    map(101, 37, 250000) -> J47C003004 / J-47-[12]\n"
    "    map(101, 37, 200000) -> J-47-(30) / J-47-(30)\n"
    "    map(101, 37, 100000) -> J47D009011 / J-47-107\n"
    "    map(101, 37, 50000) -> J47E018021 / J-47-107-C\n"
    "    map(101, 37, 25000) -> J47F036041 / J-47-107-C-3\n"
    "    map(101, 37, 10000) -> J47G072081 / J-47-107-(57)\n"
    "    map(101, 37, 5000) -> J47H144161 / J-47-107-(57)-c\n"
    "    map(101, 37, 2000) -> J47I432481 / J-47-107-(57)-c-7\n"
    "    map(101, 37, 1000) -> J47J08640961 / J-47-107-(57)-c-7-3\n"
    "    map(101, 37, 500) -> J47K17281921 / J-47-107-(57)-c-7-3-3";

const char kParseDoc[] =
    "解析图幅编号（新旧编号均可，忽略大小写），返回比例尺与图廓范围。\n\n"
    ":param code: 图幅编号\n"
    ":return: {'scale': 比例尺分母, 'boundary': {'north', 'south', 'west', 'east'}}\n"
    ":raise Exception: 编号无效时\n\n"
    "示例：\n"
    "    parse('J47') -> {'scale': 1000000, 'boundary': {'north': 40, 'south': 36, 'west': 96, 'east': 102}}\n"
    "    parse('J47B002002') -> 500000\n"
    "    parse('J47C003004') -> 250000\n"
    "    parse('J47D009011') -> 100000\n"
    "    parse('J47E018021') -> 50000\n"
    "    parse('J47F036041') -> 25000\n"
    "    parse('J47G072081') -> 10000\n"
    "    parse('J47H144161') -> 5000\n"
    "    parse('J47I432481') -> 2000\n"
    "    parse('J47J08640961') -> 1000\n"
    "    parse('J47K17281921') -> 500\n"
    "    parse('J-47-(30)') -> 200000";

const char kGridDoc[] =
    "按视窗范围与缩放级别生成图幅分幅网格线（生成器）。\n\n"
    ":param north: 北边纬度\n"
    ":param south: 南边纬度\n"
    ":param west: 西边经度\n"
    ":param east: 东边经度\n"
    ":param zoom: 缩放级别，决定比例尺（6 为 1:50万 …… 16 及以上为 1:500，其余为 1:100万）\n"
    ":param summary: 为真时只给出网格线数量\n"
    ":return: 经线（自西向东）再纬线（自南向北），或一条汇总";

const Method kInit{"__init__", MethodKind::Instance, kSelfOnly, nullptr, ResultCheck::None, kInitDoc, init_impl};

const Method kCorner{"__corner1000000",
                     MethodKind::Class,
                     kCodeParams,
                     "Union[dict, None]",
                     ResultCheck::Dict,
                     kCornerDoc,
                     corner_impl};

const Method kMap{"map",
                  MethodKind::Class,
                  kMapParams,
                  "dict",
                  ResultCheck::Dict,
                  kMapDoc,
                  map_impl};

const Method kParse{"parse", MethodKind::Class, kCodeParams, "dict", ResultCheck::Dict, kParseDoc, parse_impl};

const Method kGrid{"grid",
                   MethodKind::Static,
                   kGridParams,
                   "Iterator",
                   ResultCheck::None,
                   kGridDoc,
                   grid_impl};

}  // namespace

void add_mapgrid_class(ModuleState& st) {
    ClassBuilder b("MapGrid", st.TivenBase.get(),
                   "国际标准比例尺图幅分幅网格与编号类\n\n"
                   "    按 GB/T 13989-2012 划分与编号 1:100万 至 1:500 共十二种比例尺的图幅：\n"
                   "    由经纬度求新旧图幅编号与图廓，由图幅编号求比例尺与图廓，按视窗生成分幅网格线。\n");
    b.method(kInit);
    b.attr("__mapcode", py_str(kMapCode));
    b.attr("__mapword", py_str(kMapWord));
    b.attr("__mapword5000", py_str(kMapWord5000));
    b.attr("__scalecode", py_str(kScaleCode));
    b.method(kCorner);
    b.method(kMap);
    b.method(kParse);
    b.method(kGrid);
    st.MapGrid = b.finish();
    // While the class still holds these, lookups and calls through them are made directly.
    PyObject* cls = st.MapGrid.get();
    st.own_map = class_entry(cls, st.names.map);
    st.own_parse = class_entry(cls, st.names.parse);
    st.own_corner1000000 = class_entry(cls, st.names.corner1000000);
    PyObject* const tables[] = {st.names.mapcode, st.names.mapword, st.names.mapword5000, st.names.scalecode};
    for (int i = 0; i < 4; ++i) st.own_letter_tables[i] = class_entry(cls, tables[i]);
}

}  // namespace tiven
