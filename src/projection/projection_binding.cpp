// The `Projection` class: Python values in, the formulas of projections.hpp,
// Python values out. Everything class-level (the `datum` table, `zone`,
// `centralMeridian`) is looked up on the class the call came through, at every
// call (or kept while that class is unchanged), so subclasses and edits of the
// table take effect.
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "core/boundary.hpp"
#include "core/class_builder.hpp"
#include "core/method.hpp"
#include "core/recursion_guard.hpp"
#include "core/module_state.hpp"
#include "core/pynum.hpp"
#include "core/pyvalues.hpp"
#include "projection/projections.hpp"
#include "projection/pymath.hpp"
#include "projection/reference_systems.hpp"

namespace tiven {

namespace {

using projection::Pair;

const InternedNames& names() { return state().names; }

// The three forms of angle text. `\s` and `\d` are Unicode-aware and `$`
// admits one final newline, as the interpreter's `re` has them; the matching
// is left to `re` itself. A white-space run followed only by an optional
// symbol and another run is possessive: the same matches, without trying
// every split of a long run of blanks (quadratic time).
enum AnglePattern : size_t { kDecimalDegrees, kPackedDms, kSymbolDms };
constexpr const char* kAnglePatternTexts[] = {
    // decimal degrees
    "^\\s*([+-]?)([0-3]?[0-9]{1,2}((\\.\\d*)|()))\\s*+(\xE5\xBA\xA6|\xC2\xB0)?\\s*$",
    // packed degrees, minutes and seconds
    "^\\s*([\\-+]?)([0-3]?[0-9]{1,2})(([0-5][0-9])|(60))((([0-5][0-9])|(60))((\\.\\d*)|()))"
    "(\xE5\xBA\xA6|\xC2\xB0)?\\s*$",
    // degrees, minutes and seconds with their symbols
    "^\\s*+([\\-+]?)(([0-3]?\\d{1,2})[\xC2\xB0\xE5\xBA\xA6])?((([0-5]?\\d)|(60))[\xE2\x80\xB2\xE5\x88\x86])?"
    "(((([0-5]?\\d)|(60))((\\.\\d*)|()))[\xE2\x80\xB3\xE7\xA7\x92])?\\s*$",
};
static_assert(std::size(kAnglePatternTexts) == std::extent_v<decltype(ModuleState::angle_patterns)>);

PyObject* angle_pattern(AnglePattern p) { return state().angle_patterns[p].get(); }

// ---- parameters -----------------------------------------------------------------

constexpr Param kCls{.name = "cls"};

constexpr Param real_or_none(const char* name) {
    return {.name = name, .annotation = "float", .check = Check::Float, .value = Default::none()};
}
constexpr Param real_default(const char* name, double v) {
    return {.name = name, .annotation = "float", .check = Check::Float, .value = Default::real(v)};
}
constexpr Param int_default(const char* name, long long v) {
    return {.name = name, .annotation = "int", .check = Check::Int, .value = Default::integer(v)};
}

constexpr auto kSelfOnly = std::to_array<Param>({{.name = "self"}});
constexpr auto kAngleParams = std::to_array<Param>({
    {.name = "deg", .annotation = "Union[float, str]", .value = Default::none()},
    {.name = "dms", .annotation = "Union[float, str]", .value = Default::none()},
    {.name = "digit", .annotation = "Union[int, str]", .value = Default::none()},
});
constexpr auto kGeodesicsParams = std::to_array<Param>({
    kCls,
    {.name = "point1", .annotation = "Union[list, tuple]"},
    {.name = "point2", .annotation = "Union[list, tuple]"},
    int_default("crs", 1984),
});
constexpr auto kZoneParams = std::to_array<Param>({
    kCls,
    {.name = "longitude", .annotation = "float", .check = Check::Float},
    int_default("zoneCode", 6),
});
constexpr auto kCentralMeridianParams = std::to_array<Param>({
    kCls,
    real_or_none("longitude"),
    {.name = "zone", .annotation = "int", .check = Check::Int, .value = Default::none()},
    int_default("zoneCode", 6),
});
constexpr auto kWebMercatorParams = std::to_array<Param>({
    kCls, real_or_none("longitude"), real_or_none("latitude"), real_or_none("x"), real_or_none("y"),
});
constexpr auto kGaussKrugerParams = std::to_array<Param>({
    kCls, real_or_none("centralMeridian"), real_or_none("x"), real_or_none("y"), real_or_none("longitude"),
    real_or_none("latitude"), int_default("crs", 2000),
});
// Albers and Lambert.
constexpr auto kConicParams = std::to_array<Param>({
    kCls,
    real_or_none("longitude"),
    real_or_none("latitude"),
    real_default("centralMeridian", 0.0),
    real_default("originLatitude", 0.0),
    real_default("parallel1", 20.0),
    real_default("parallel2", 50.0),
    real_or_none("x"),
    real_or_none("y"),
    int_default("crs", 2000),
});

// ---- small conversions --------------------------------------------------------

double as_double(PyObject* v) {
    if (PyFloat_CheckExact(v)) return PyFloat_AS_DOUBLE(v);
    double d = PyFloat_AsDouble(v);
    if (d == -1.0 && PyErr_Occurred()) throw PythonErrorSet{};
    return d;
}

// An exact int argument as a C integer; values beyond its range saturate,
// which every caller only compares with small numbers.
long long as_small_int(PyObject* v) {
    if (PyLong_CheckExact(v) && PyUnstable_Long_IsCompact(reinterpret_cast<PyLongObject*>(v)))
        return PyUnstable_Long_CompactValue(reinterpret_cast<PyLongObject*>(v));
    int overflow = 0;
    long long r = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (overflow) return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    if (r == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    return r;
}

Ref pair(Pair p) {
    Ref first = py_float(p.first);
    Ref second = py_float(p.second);
    Ref t = own(PyTuple_New(2));
    PyTuple_SET_ITEM(t.get(), 0, first.release());
    PyTuple_SET_ITEM(t.get(), 1, second.release());
    return t;
}

consteval size_t system_index(long long year) {
    for (size_t i = 0; i < projection::kReferenceSystems.size(); ++i)
        if (projection::kReferenceSystems[i].year == year) return i;
    throw "no reference system of that year";
}
constexpr size_t kWgs84 = system_index(1984);
static_assert(std::extent_v<decltype(ModuleState::crs_years)> == projection::kReferenceSystems.size());

// The reference system whose year an exact int names, or -1.
long system_of(PyObject* crs) {
    if (!PyLong_CheckExact(crs)) return -1;
    const long long year = as_small_int(crs);
    for (size_t i = 0; i < projection::kReferenceSystems.size(); ++i)
        if (projection::kReferenceSystems[i].year == year) return static_cast<long>(i);
    return -1;
}

// The table's own key object for an int equal to one of its years, else
// `crs` itself: a dict meets its own key by identity, without comparing.
PyObject* table_key(PyObject* crs) {
    const long i = system_of(crs);
    return i < 0 ? crs : state().crs_years[i].get();
}

// The datum table as the class was made with it, while it stays unchanged (a
// dict watcher lets it go at its first change, or when it goes). Its keys are
// then the module's own ints and texts, so a lookup in it runs no code of the
// caller's, and the answer is known: the record of a year, none for another
// int. Kept in the state.
static_assert(std::extent_v<decltype(PristineDatum::records)> == projection::kReferenceSystems.size());

int forget_pristine_table(PyDict_WatchEvent, PyObject* dict, PyObject*, PyObject*) {
    PristineDatum& pristine = state().pristine_datum;
    if (dict == pristine.table) pristine = PristineDatum{};
    return 0;
}

// Without a watcher (the interpreter has a few only) every lookup is made.
void watch_table(ModuleState& st, PyObject* table) {
    if (st.datum_watcher < 0) st.datum_watcher = PyDict_AddWatcher(forget_pristine_table);
    if (st.datum_watcher < 0 || PyDict_Watch(st.datum_watcher, table) < 0) {
        PyErr_Clear();
        return;
    }
    for (size_t i = 0; i < projection::kReferenceSystems.size(); ++i)
        st.pristine_datum.records[i] = PyDict_GetItemWithError(table, st.crs_years[i].get());
    st.pristine_datum.table = table;
}

// The KeyError of table[crs].
[[noreturn]] void missing_key(PyObject* crs) {
    Ref args = own(PyTuple_Pack(1, crs));
    PyErr_SetObject(PyExc_KeyError, args.get());
    throw PythonErrorSet{};
}

// What the calls look up on a class that only a change of the class can
// change: its `datum` entry (when a plain dict) and whether `centralMeridian`
// and `zone` are still the module's own. Kept for one class at its version
// tag: the interpreter gives a class a new tag whenever it or a base is
// changed, and never gives one twice. A class of another metaclass, or one
// without a tag, is asked every time.
//
// The facts kept for `cls` (in the state), emptied first if they describe
// another class or version; null when there is no tag to keep them by.
ProjectionClassFacts* facts_for(PyObject* cls) {
    if (!Py_IS_TYPE(cls, &PyType_Type)) return nullptr;
    const unsigned int tag = reinterpret_cast<PyTypeObject*>(cls)->tp_version_tag;
    if (tag == 0) return nullptr;
    ProjectionClassFacts& facts = state().projection_facts;
    if (facts.tag != tag) facts = ProjectionClassFacts{.tag = tag};
    return &facts;
}

// cls.datum
Ref datum_table(PyObject* cls) {
    ProjectionClassFacts* facts = facts_for(cls);
    if (!facts) return class_attribute(cls, names().datum);
    if (!facts->datum) {
        PyObject* entry = _PyType_Lookup(reinterpret_cast<PyTypeObject*>(cls), names().datum);
        if (!entry || !PyDict_CheckExact(entry)) return class_attribute(cls, names().datum);
        facts->datum = entry;
    }
    return Ref::borrow(facts->datum);
}

// Are cls.centralMeridian and cls.zone still the module's own?
bool own_meridian(PyObject* cls) {
    const ModuleState& st = state();
    ProjectionClassFacts* facts = facts_for(cls);
    if (facts && facts->own_meridian) return true;
    // For a class, a yes comes from the type's attribute cache alone.
    const bool own = is_own_method(cls, st.names.centralMeridian, st.own_central_meridian.get()) &&
                     is_own_method(cls, st.names.zone, st.own_zone.get());
    if (own && facts) facts->own_meridian = true;
    return own;
}

// crs in cls.datum
bool in_table(PyObject* table, PyObject* crs) {
    if (table == state().pristine_datum.table && PyLong_CheckExact(crs)) return system_of(crs) >= 0;
    if (PyDict_CheckExact(table)) return check(PyDict_Contains(table, table_key(crs))) != 0;
    return check(PySequence_Contains(table, crs)) != 0;
}

// cls.datum[crs]; a key missing from a plain dict raises the KeyError
// that subscription raises, without a second lookup.
Ref record(PyObject* cls, PyObject* crs) {
    Ref table = datum_table(cls);
    const PristineDatum& pristine = state().pristine_datum;
    if (table.get() == pristine.table && PyLong_CheckExact(crs)) {
        const long i = system_of(crs);
        if (i < 0) missing_key(crs);
        return Ref::borrow(pristine.records[i]);
    }
    if (!PyDict_CheckExact(table.get())) return own(PyObject_GetItem(table.get(), crs));
    if (PyObject* rec = PyDict_GetItemWithError(table.get(), table_key(crs))) return Ref::borrow(rec);
    if (PyErr_Occurred()) throw PythonErrorSet{};
    missing_key(crs);
}

double field(PyObject* rec, PyObject* name) {
    Ref v = own(PyObject_GetAttr(rec, name));
    return as_double(v.get());
}

// `round(x, abs(int(digit)))`.
double round_to_digit(double x, PyObject* digit) {
    Ref i = own(PyNumber_Long(digit));
    Ref n = own(PyNumber_Absolute(i.get()));
    return py_round(x, as_small_int(n.get()));
}

// ---- angle ----------------------------------------------------------------------

// re.search(pattern, text): the match, or an empty Ref.
Ref search(PyObject* pattern, PyObject* text) {
    Ref m = own(PyObject_CallMethodObjArgs(state().re.get(), names().search, pattern, text, nullptr));
    if (m.get() == Py_None) return Ref();
    return m;
}

Ref group(PyObject* match, long i) {
    Ref index = own(PyLong_FromLong(i));
    return own(PyObject_CallMethodOneArg(match, names().group, index.get()));
}

bool minus_sign(PyObject* match) {
    Ref g = group(match, 1);
    return PyUnicode_Check(g.get()) && PyUnicode_CompareWithASCIIString(g.get(), "-") == 0;
}

// float() and int() of a matched group, which may hold non-ASCII digits.
double group_float(PyObject* match, long i, double absent) {
    Ref g = group(match, i);
    if (g.get() == Py_None) return absent;
    Ref v = own(PyFloat_FromString(g.get()));
    return PyFloat_AS_DOUBLE(v.get());
}

long long group_int(PyObject* match, long i) {
    Ref g = group(match, i);
    if (g.get() == Py_None) return 0;
    Ref v = own(PyLong_FromUnicodeObject(g.get(), 10));
    return as_small_int(v.get());
}

Ref angle_impl(const Call& c) {
    PyObject* deg = c[arg(kAngleParams, "deg")];
    PyObject* dms = c[arg(kAngleParams, "dms")];
    PyObject* digit = c[arg(kAngleParams, "digit")];
    if (deg != Py_None) {
        Ref text = str_within_stack(deg);
        Ref m = search(angle_pattern(kDecimalDegrees), text.get());
        if (!m) fail("Invalid [deg] parameter.");
        const bool negative = minus_sign(m.get());
        const double value = group_float(m.get(), 2, 0.0);
        projection::DmsParts parts = projection::split_degrees(value);
        double seconds = parts.seconds;
        if (digit != Py_None) seconds = round_to_digit(seconds, digit);
        return py_str(projection::dms_text(negative, parts.degrees, parts.minutes, seconds));
    }
    if (dms != Py_None) {
        Ref text = str_within_stack(dms);
        double result;
        if (Ref m = search(angle_pattern(kDecimalDegrees), text.get())) {
            const bool negative = minus_sign(m.get());
            result = group_float(m.get(), 2, 0.0);
            if (negative) result = result * -1;
        } else if (Ref m = search(angle_pattern(kPackedDms), text.get())) {
            const bool negative = minus_sign(m.get());
            const long long d = group_int(m.get(), 2);
            const long long mi = group_int(m.get(), 3);
            result = projection::dms_value(negative, d, mi, group_float(m.get(), 6, 0.0));
        } else if (Ref m = search(angle_pattern(kSymbolDms), text.get())) {
            const bool negative = minus_sign(m.get());
            const long long d = group_int(m.get(), 3);
            const long long mi = group_int(m.get(), 5);
            result = projection::dms_value(negative, d, mi, group_float(m.get(), 9, 0.0));
        } else {
            fail("Invalid [dms] parameter.");
        }
        if (!(std::fabs(result) <= 360))
            fail_showing("[", dms, "] should be between [-360 \xEF\xBD\x9E +360] in [dms] parameter.");
        if (digit != Py_None) result = round_to_digit(result, digit);
        return py_float(result);
    }
    fail("Invalid parameter.");
}

// ---- zones ------------------------------------------------------------------------

bool is_three(PyObject* zone_code) { return as_small_int(zone_code) == 3; }

Ref zone_impl(const Call& c) {
    const double longitude = c.real(arg(kZoneParams, "longitude"));
    return py_int(projection::zone_of(longitude, is_three(c[arg(kZoneParams, "zoneCode")])));
}

double central_meridian_6(long long z) { return (static_cast<double>(z) - 0.5) * 6 - (z <= 30 ? 0 : 360); }

// cls.zone(longitude=longitude, zoneCode=zone_code), made directly while the
// class holds its own `zone`.
Ref zone_through(PyObject* cls, PyObject* longitude, PyObject* zone_code) {
    const ModuleState& st = state();
    if (is_own_method(cls, st.names.zone, st.own_zone.get()))
        return py_int(projection::zone_of(PyFloat_AS_DOUBLE(longitude), is_three(zone_code)));
    Ref method = own(PyObject_GetAttr(cls, st.names.zone));
    PyObject* args[] = {longitude, zone_code};
    Ref zone = own(PyObject_Vectorcall(method.get(), args, 0, st.zone_kwnames.get()));
    enforce_result(ResultCheck::Int, zone.get());
    return zone;
}

Ref central_meridian_impl(const Call& c) {
    PyObject* cls = c[arg(kCentralMeridianParams, "cls")];
    PyObject* longitude = c[arg(kCentralMeridianParams, "longitude")];
    PyObject* zone = c[arg(kCentralMeridianParams, "zone")];
    PyObject* zone_code = c[arg(kCentralMeridianParams, "zoneCode")];
    Ref computed;
    if (longitude != Py_None) {
        computed = zone_through(cls, longitude, zone_code);
        zone = computed.get();
    }
    if (zone == Py_None) fail("Invalid [zone] parameter.");
    const long long z = as_small_int(zone);
    if (is_three(zone_code)) {
        if (!(1 <= z && z <= 120))
            fail_showing("Invalid [zone: ", zone, "] parameter. Should be between 1 and 120.");
        return py_int(z * 3 - (z <= 60 ? 0 : 360));
    }
    if (!(1 <= z && z <= 60))
        fail_showing("Invalid [zone: ", zone, "] parameter. Should be between 1 and 60.");
    return py_float(central_meridian_6(z));
}

// ---- projections ---------------------------------------------------------------

Ref web_mercator_impl(const Call& c) {
    constexpr auto& p = kWebMercatorParams;
    constexpr size_t lon = arg(p, "longitude"), lat = arg(p, "latitude"), x = arg(p, "x"), y = arg(p, "y");
    Ref rec = record(c[arg(p, "cls")], state().crs_years[kWgs84].get());
    const double a = field(rec.get(), names().a);
    if (!c.is_none(lon) && !c.is_none(lat)) return pair(projection::web_mercator_forward(a, c.real(lon), c.real(lat)));
    if (!c.is_none(x) && !c.is_none(y)) return pair(projection::web_mercator_inverse(a, c.real(x), c.real(y)));
    fail("Invalid parameter.");
}

// point[i] of any subscriptable object.
Ref item(PyObject* point, Py_ssize_t i) {
    if (PyList_CheckExact(point) && i < PyList_GET_SIZE(point)) return Ref::borrow(PyList_GET_ITEM(point, i));
    if (PyTuple_CheckExact(point) && i < PyTuple_GET_SIZE(point)) return Ref::borrow(PyTuple_GET_ITEM(point, i));
    Ref index = own(PyLong_FromSsize_t(i));
    return own(PyObject_GetItem(point, index.get()));
}

// `a == b` as a condition (no identity shortcut: a NaN is unequal to itself).
bool equal(PyObject* a, PyObject* b) {
    if (PyFloat_CheckExact(a) && PyFloat_CheckExact(b)) return PyFloat_AS_DOUBLE(a) == PyFloat_AS_DOUBLE(b);
    Ref r = own(PyObject_RichCompare(a, b, Py_EQ));
    return check(PyObject_IsTrue(r.get())) != 0;
}

// b - a, as the interpreter subtracts the two numbers, as a float.
double difference(PyObject* b, PyObject* a) {
    if (PyFloat_CheckExact(a) && PyFloat_CheckExact(b)) return PyFloat_AS_DOUBLE(b) - PyFloat_AS_DOUBLE(a);
    Ref d = own(PyNumber_Subtract(b, a));
    return as_double(d.get());
}

Ref geodesics_impl(const Call& c) {
    PyObject* cls = c[arg(kGeodesicsParams, "cls")];
    PyObject* p1 = c[arg(kGeodesicsParams, "point1")];
    PyObject* p2 = c[arg(kGeodesicsParams, "point2")];
    PyObject* crs = c[arg(kGeodesicsParams, "crs")];
    {
        Ref x1 = item(p1, 0), x2 = item(p2, 0);
        if (equal(x1.get(), x2.get())) {
            Ref y1 = item(p1, 1), y2 = item(p2, 1);
            if (equal(y1.get(), y2.get())) return py_float(0.0);
        }
    }
    const double f = field(record(cls, crs).get(), names().f);
    const double U1 = projection::reduced_latitude(f, as_double(item(p1, 1).get()));
    const double U2 = projection::reduced_latitude(f, as_double(item(p2, 1).get()));
    Ref lon2 = item(p2, 0);
    Ref lon1 = item(p1, 0);
    const double L = difference(lon2.get(), lon1.get()) * pymath::kDegToRad;
    projection::VincentyResult v = projection::vincenty_iterate(f, U1, U2, L);
    if (v.coincident) return py_float(0.0);
    if (!v.converged) return py_none();
    const double a = field(record(cls, crs).get(), names().a);
    return py_float(projection::vincenty_length(v, a, f));
}

// A float or None argument as an optional double.
std::optional<double> optional_real(const Call& c, size_t i) {
    if (c.is_none(i)) return std::nullopt;
    return c.real(i);
}

// The central meridian of a forward projection given none:
// cls.centralMeridian(longitude=longitude, zoneCode=6), made directly while
// the class holds its own `centralMeridian` and `zone`.
double forward_meridian(PyObject* cls, PyObject* longitude) {
    const ModuleState& st = state();
    if (own_meridian(cls)) return central_meridian_6(projection::zone_of(PyFloat_AS_DOUBLE(longitude), false));
    Ref method = own(PyObject_GetAttr(cls, st.names.centralMeridian));
    PyObject* args[] = {longitude, st.int_6.get()};
    Ref r = own(PyObject_Vectorcall(method.get(), args, 0, st.zone_kwnames.get()));
    enforce_result(ResultCheck::FloatOrNone, r.get());
    if (r.get() == Py_None) {
        // The prefix comes first; then the range test cannot compare None.
        projection::gauss_kruger_prefix(PyFloat_AS_DOUBLE(longitude));
        fail(ErrorKind::TypeError, "'<=' not supported between instances of 'int' and 'NoneType'");
    }
    return PyFloat_AS_DOUBLE(r.get());
}

Ref gauss_kruger_impl(const Call& c) {
    constexpr auto& p = kGaussKrugerParams;
    constexpr size_t given_cm = arg(p, "centralMeridian"), x = arg(p, "x"), y = arg(p, "y");
    constexpr size_t lon = arg(p, "longitude"), lat = arg(p, "latitude");
    PyObject* cls = c[arg(p, "cls")];
    PyObject* crs = c[arg(p, "crs")];
    const projection::GaussKrugerRow* row = projection::gauss_kruger_row(as_small_int(crs));
    if (!row) fail("Invalid [crs] parameter.");
    const double a = field(record(cls, crs).get(), names().a);
    if (!c.is_none(x) && !c.is_none(y))
        return pair(projection::gauss_kruger_inverse(*row, a, optional_real(c, given_cm), c.real(x), c.real(y)));
    if (c.is_none(lon) || c.is_none(lat)) fail("Invalid parameter.");
    const double cm = c.is_none(given_cm) ? forward_meridian(cls, c[lon]) : c.real(given_cm);
    return pair(projection::gauss_kruger_forward(*row, a, cm, c.real(lon), c.real(lat)));
}

// Common road of the conic projections: the table membership of `crs` and
// the ranges of the cone's parameters, then the cone made by `make_cone`
// from the class's table, then forward when both geographic coordinates are
// given, else inverse when both plane ones are.
template <class Cone, class MakeCone>
Ref conic(const Call& c, MakeCone make_cone, Pair (*forward)(const Cone&, double, double, double),
          Pair (*inverse)(const Cone&, double, double, double)) {
    constexpr auto& p = kConicParams;
    constexpr size_t lon = arg(p, "longitude"), lat = arg(p, "latitude"), x = arg(p, "x"), y = arg(p, "y");
    PyObject* cls = c[arg(p, "cls")];
    PyObject* crs = c[arg(p, "crs")];
    const double cm = c.real(arg(p, "centralMeridian"));
    const double origin = c.real(arg(p, "originLatitude"));
    const double parallel1 = c.real(arg(p, "parallel1"));
    const double parallel2 = c.real(arg(p, "parallel2"));
    Ref table = datum_table(cls);
    if (!in_table(table.get(), crs)) fail("Invalid [crs] parameter.");
    projection::check_conic_parameters(cm, origin, parallel1, parallel2);
    const Cone cone = make_cone(cls, crs, origin, parallel1, parallel2);
    if (!c.is_none(lon) && !c.is_none(lat)) return pair(forward(cone, cm, c.real(lon), c.real(lat)));
    if (!c.is_none(x) && !c.is_none(y)) return pair(inverse(cone, cm, c.real(x), c.real(y)));
    fail("Invalid parameter.");
}

// The last cone made, kept with the bits of what it was made from: a run of
// calls on one cone (the usual use) computes it once. A cone is a function
// of these numbers alone, so the kept one has the bits a new one would have.
// The GIL orders the calls.
template <class Cone, size_t N>
class LastCone {
public:
    template <class Make>
    Cone get(const std::array<double, N>& inputs, Make make) {
        if (!made_ || std::memcmp(inputs.data(), inputs_.data(), sizeof inputs_) != 0) {
            cone_ = make();
            inputs_ = inputs;
            made_ = true;
        }
        return cone_;
    }

private:
    std::array<double, N> inputs_{};
    Cone cone_{};
    bool made_ = false;
};

Ref albers_impl(const Call& c) {
    auto make_cone = [](PyObject* cls, PyObject* crs, double origin, double parallel1, double parallel2) {
        static LastCone<projection::AlbersCone, 4> last;
        const double a = field(record(cls, crs).get(), names().a);
        return last.get({a, origin, parallel1, parallel2},
                        [&] { return projection::albers_cone(a, origin, parallel1, parallel2); });
    };
    return conic<projection::AlbersCone>(c, make_cone, projection::albers_forward, projection::albers_inverse);
}

Ref lambert_impl(const Call& c) {
    auto make_cone = [](PyObject* cls, PyObject* crs, double origin, double parallel1, double parallel2) {
        static LastCone<projection::LambertCone, 5> last;
        const double a = field(record(cls, crs).get(), names().a);
        const double f = field(record(cls, crs).get(), names().f);
        return last.get({a, f, origin, parallel1, parallel2},
                        [&] { return projection::lambert_cone(a, f, origin, parallel1, parallel2); });
    };
    return conic<projection::LambertCone>(c, make_cone, projection::lambert_forward, projection::lambert_inverse);
}

// ---- declarations ---------------------------------------------------------------

const Method kInit{"__init__", MethodKind::Instance, kSelfOnly, nullptr, ResultCheck::None, "",
                   init_calling_base};

const Method kAngle{
    "angle",
    MethodKind::Static,
    kAngleParams,
    "Union[float, str]",
    ResultCheck::None,
    "十进制度与度分秒互转（deg 优先）。\n\n"
    "deg: 十进制度（数值或文本，如 120.5125、'-120.5125度'），转为度分秒文本，如 120°30′45.0″；\n"
    "dms: 度分秒（文本或数值），可为十进制度 '120.5'、紧凑式 '1203045'（度分秒连写，秒可带小数）、\n"
    "     符号式 '120°30′45″' 或 '120度30分45秒'，转为十进制度（浮点数）；\n"
    "digit: 保留小数位数（取 abs(int(digit))），deg 方向作用于秒，dms 方向作用于结果；None 不舍入。\n"
    "角度范围 -360 ～ +360；失败抛出异常。",
    angle_impl};

const Method kGeodesics{
    "geodesics",
    MethodKind::Class,
    kGeodesicsParams,
    "Union[float, None]",
    ResultCheck::FloatOrNone,
    "Vincenty 反算公式计算椭球面上两点间的大地线长度（米）。\n\n"
    "point1, point2: (经度, 纬度) 十进制度，经度 -180 ～ +180，纬度 -90 ～ +90；\n"
    "crs: 参考椭球，1954 北京54、1980 西安80、1984 WGS84（默认）、2000 CGCS2000。\n"
    "示例：(0.0, 0.0)-(0.0, 0.0) 为 0.0；(0.0, 0.0)-(1.0, 0.0) 为 111319.4907932264；\n"
    "(0.0, 0.0)-(0.0, 1.0) 为 110574.38855796008；西安 (108.9423662424, 34.2610116842) 至\n"
    "北京 (116.3913112879, 39.9055966108) 约 910985.911；(0.0, 0.0)-(179.7, 0.5) 不收敛，为 None。\n"
    "迭代不收敛（近对跖点）返回 None；其他失败抛出异常。",
    geodesics_impl};

const Method kZone{
    "zone",
    MethodKind::Class,
    kZoneParams,
    "int",
    ResultCheck::Int,
    "经度所在的投影带号。\n\n"
    "longitude: 经度，-180 ～ +180；\n"
    "zoneCode: 3 为 3 度带（1 ～ 120），其他为 6 度带（1 ～ 60，默认）。",
    zone_impl};

const Method kCentralMeridian{
    "centralMeridian",
    MethodKind::Class,
    kCentralMeridianParams,
    "float",
    ResultCheck::None,
    "投影带的中央经线。\n\n"
    "longitude: 经度（给出时优先，由其求带号）；\n"
    "zone: 带号，6 度带 1 ～ 60，3 度带 1 ～ 120；\n"
    "zoneCode: 3 为 3 度带（结果为整数），其他为 6 度带（默认，结果为浮点数）。",
    central_meridian_impl};

const Method kWebMercator{
    "webMercator",
    MethodKind::Class,
    kWebMercatorParams,
    "tuple",
    ResultCheck::None,
    "球体墨卡托（Web Mercator）投影正反算，球半径取 WGS84 长半轴。\n\n"
    "longitude, latitude: 经纬度（十进制度），同时给出时正算，返回 (x, y) 米；\n"
    "x, y: 平面坐标（米），经纬度不全时反算，返回 (经度, 纬度)。\n"
    "失败抛出异常。",
    web_mercator_impl};

const Method kGaussKruger{
    "gaussKruger",
    MethodKind::Class,
    kGaussKrugerParams,
    "tuple",
    ResultCheck::None,
    "高斯-克吕格投影正反算。\n\n"
    "centralMeridian: 中央经线，-180 ～ +180；None 时正算取经度所在 6 度带的中央经线，\n"
    "                 反算由 y 的带号前缀推算（带号大于 30 视为 3 度带）；\n"
    "x, y: 纵坐标（北向）与横坐标（东向，可带带号前缀与 500 公里东伪偏移），同时给出时反算，\n"
    "      返回 (经度, 纬度)；\n"
    "longitude, latitude: 经纬度，正算返回 (带号前缀通用横坐标, 纵坐标)；\n"
    "crs: 1954 北京54、1980 西安80、1984 WGS84、2000 CGCS2000（默认）。\n"
    "比例尺小于 1:1万 宜用 6 度带，1:1万 及更大宜用 3 度带。失败抛出异常。",
    gauss_kruger_impl};

const char* const kAlbersDoc =
    "球体阿尔勃斯（Albers）双标准纬线等积割圆锥投影正反算。\n\n"
    "经纬度优先于平面坐标：longitude, latitude 同时给出时正算，返回 (x, y) 米；\n"
    "否则 x, y 同时给出时反算，返回 (经度, 纬度)。\n"
    "centralMeridian: 中央经线，-180 ～ +180，默认 0；originLatitude: 原点纬度，-90 ～ +90，默认 0；\n"
    "parallel1, parallel2: 第一、第二标准纬线，-90 ～ +90，默认 20 与 50；\n"
    "crs: 1954 北京54、1980 西安80、1984 WGS84、2000 CGCS2000（默认）。\n"
    "返回 (横坐标, 纵坐标)；失败抛出异常。";

const char* const kLambertDoc =
    "兰伯特（Lambert）双标准纬线等角割圆锥投影正反算。\n\n"
    "先识别经纬度，再识别平面坐标：longitude, latitude 同时给出时正算，返回 (x, y) 米；\n"
    "否则 x, y（米制横、纵坐标）同时给出时反算，返回 (经度, 纬度)。\n"
    "centralMeridian: 中央经线，-180 ～ +180，默认 0；originLatitude: 原点纬度，-90 ～ +90，默认 0；\n"
    "parallel1, parallel2: 第一、第二标准纬线，-90 ～ +90，默认 20 与 50；\n"
    "crs: 1954 北京54、1980 西安80、1984 WGS84、2000 CGCS2000（默认）。\n"
    "返回 (横坐标, 纵坐标)；失败抛出异常。";

const Method kAlbers{"albers", MethodKind::Class, kConicParams, "tuple", ResultCheck::None, kAlbersDoc, albers_impl};
const Method kLambert{"lambert", MethodKind::Class, kConicParams, "tuple", ResultCheck::None, kLambertDoc,
                      lambert_impl};

// ---- the record class and the table -------------------------------------------

Ref make_crs_class() {
    ClassBuilder b("CRS", nullptr,
                   "\n        参考椭球体-坐标参照系（Coordinate Reference System）概要结构\n        ",
                   "Projection.CRS");
    b.annotation("a", "float");
    b.annotation("f", "float");
    b.annotation("name", "str");
    b.annotation("spheroid", "str");
    b.annotation("datum", "str");
    Ref plain = b.finish(true);
    return own(PyObject_CallOneArg(state().dataclass.get(), plain.get()));
}

// Sixteen keys; all the keys of one system share one record. The int keys
// are kept in the state (see table_key).
Ref make_datum(PyObject* crs_class, Ref (&years)[std::size(projection::kReferenceSystems)]) {
    Ref table = own(PyDict_New());
    for (size_t i = 0; i < projection::kReferenceSystems.size(); ++i) {
        const projection::ReferenceSystem& rs = projection::kReferenceSystems[i];
        Ref rec = own(PyObject_CallFunction(crs_class, "ddsss", rs.a, 1.0 / rs.inverse_flattening, rs.name,
                                            rs.spheroid, rs.datum));
        years[i] = py_int(rs.year);
        check(PyDict_SetItem(table.get(), years[i].get(), rec.get()));
        for (const char* alias : rs.aliases)
            if (alias) check(PyDict_SetItemString(table.get(), alias, rec.get()));
    }
    return table;
}

}  // namespace

void add_projection_class(ModuleState& st) {
    st.int_6 = py_int(6);
    st.zone_kwnames = own(PyTuple_Pack(2, st.names.longitude, st.names.zoneCode));
    for (size_t i = 0; i < std::size(kAnglePatternTexts); ++i)
        st.angle_patterns[i] = own(PyUnicode_FromString(kAnglePatternTexts[i]));
    ClassBuilder b("Projection", st.TivenBase.get(),
                   "几何要素坐标投影变换类，支持高斯-克吕格、球体墨卡托、阿尔勃斯、兰伯特投影正反算\n\n"
                   "    参考椭球见 Projection.datum（1954 北京54、1980 西安80、1984 WGS84、2000 CGCS2000）；\n"
                   "    角度为十进制度，平面坐标为米；各运算均为类方法（angle 为静态方法）。\n");
    b.annotation("datum", "dict[Union[int, str], CRS]");
    b.method(kInit);
    Ref crs = make_crs_class();
    b.attr("CRS", crs.copy());
    Ref table = make_datum(crs.get(), st.crs_years);
    watch_table(st, table.get());
    b.attr("datum", std::move(table));
    b.method(kAngle);
    b.method(kGeodesics);
    b.method(kZone);
    b.method(kCentralMeridian);
    b.method(kWebMercator);
    b.method(kGaussKruger);
    b.method(kAlbers);
    b.method(kLambert);
    st.Projection = b.finish();
    // While the class still holds these, calls through them are made directly.
    st.own_zone = class_entry(st.Projection.get(), st.names.zone);
    st.own_central_meridian = class_entry(st.Projection.get(), st.names.centralMeridian);
}

}  // namespace tiven
