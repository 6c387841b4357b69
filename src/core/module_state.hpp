// What the module owns for its lifetime, in one place: the standard modules
// and built-ins it calls, its classes, the interned names the bindings look
// up, the objects they make once (patterns, constants, the methods as the
// classes were made), and what they keep borrowed while it is unchanged. One
// process serves one interpreter, so one instance; a failed start-up resets
// all of it.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven {

// Interned names, as `state().names.<member>`; X(member, text).
#define TIVEN_INTERNED_NAMES(X)                                                                                 \
    /* shared keys */                                                                                           \
    X(type, "type") X(coordinates, "coordinates") X(value, "value") X(values, "values") X(count, "count")       \
    X(name, "name") X(search, "search") X(match, "match") X(group, "group") X(groups, "groups")                 \
    X(upper, "upper") X(lower, "lower") X(strip, "strip") X(empty, "")                                          \
    X(LineString, "LineString") X(Point, "Point") X(Polygon, "Polygon") X(Feature, "Feature")                   \
    /* method names */                                                                                          \
    X(loads, "loads") X(toWkt, "toWkt") X(swapXY, "swapXY") X(getXY, "getXY") X(map, "map") X(parse, "parse")  \
    X(publish, "publish") X(bytesToStr, "bytesToStr") X(bytesInteger, "bytesInteger")                          \
    X(zone, "zone") X(centralMeridian, "centralMeridian") X(getFeature, "getFeature")                          \
    X(getCapabilities, "getCapabilities")                                                                       \
    /* Geometry */                                                                                              \
    X(geometries, "geometries") X(MultiPoint, "MultiPoint") X(MultiLineString, "MultiLineString")               \
    X(MultiPolygon, "MultiPolygon") X(GeometryCollection, "GeometryCollection")                                 \
    /* Projection */                                                                                            \
    X(datum, "datum") X(a, "a") X(f, "f") X(longitude, "longitude") X(latitude, "latitude")                    \
    X(zoneCode, "zoneCode")                                                                                     \
    /* MapGrid */                                                                                               \
    X(corner1000000, "_MapGrid__corner1000000") X(mapcode, "_MapGrid__mapcode")                                \
    X(mapword, "_MapGrid__mapword") X(mapword5000, "_MapGrid__mapword5000")                                    \
    X(scalecode, "_MapGrid__scalecode") X(key_new, "new") X(old, "old") X(boundary, "boundary")                \
    X(north, "north") X(south, "south") X(west, "west") X(east, "east") X(scale, "scale")                      \
    X(remarks, "remarks") X(step, "step")                                                                       \
    /* MapGisFile */                                                                                            \
    X(FileName, "FileName") X(FieldStruct, "FieldStruct") X(FeatureCount, "FeatureCount")                      \
    X(Encoding, "Encoding") X(TimeStamp, "TimeStamp") X(StyleItems, "StyleItems")                              \
    X(featureDataHeads, "_featureDataHeads") X(fields, "fields") X(typeCode, "typeCode") X(size, "size")       \
    X(length, "length") X(decimal, "decimal") X(id, "id") X(geometry, "geometry") X(properties, "properties")  \
    X(style, "style") X(subType, "subType") X(timeStamp, "timeStamp") X(progress, "progress")                  \
    X(index, "index") X(black, "#000000") X(white, "#FFFFFF")

struct InternedNames {
#define TIVEN_DECLARE_NAME(member, text) PyObject* member = nullptr;
    TIVEN_INTERNED_NAMES(TIVEN_DECLARE_NAME)
#undef TIVEN_DECLARE_NAME
};

// Projection's `datum` dict as the class was made with it, and its record of
// each reference system (in `crs_years` order), while the dict is unchanged:
// borrowed, let go by a dict watcher at its first change or when it goes.
struct PristineDatum {
    PyObject* table = nullptr;
    PyObject* records[4] = {};
};

// What Projection's calls look up on a class that only a change of the class
// can change, kept for one class at its version tag.
struct ProjectionClassFacts {
    unsigned int tag = 0;
    PyObject* datum = nullptr;  // borrowed: the unchanged class holds it
    bool own_meridian = false;
};

struct ModuleState {
    PyObject* module = nullptr;  // borrowed: `held` owns it
    // Owned for the life of the process, so that a later import after the
    // module was dropped from sys.modules (and by everyone else) finds it.
    Ref held;

    // standard modules, bound at start-up
    Ref os, re, sys, json, math, time, struct_;
    Ref dataclass;                        // dataclasses.dataclass
    Ref Callable, Any, Iterator, Union;   // typing names
    Ref struct_error;                     // struct.error

    // built-ins looked up at import
    Ref builtin_staticmethod, builtin_classmethod, builtin_print, builtin_open, builtin_super;

    // the classes, in creation order
    Ref Messenger, TivenBase, MapGisProject, MapGisColorLib, MapGisFile, Projection, MapGrid, Geometry;

    // interned names (made before the classes; owned here)
    InternedNames names;

    // The methods as their classes were made (the entries of the class
    // dictionaries): while a class still holds one, calls through it may be
    // made natively. See is_own_method().
    Ref own_zone, own_central_meridian, own_get_feature, own_get_capabilities, own_publish;
    Ref own_bytes_to_str, own_bytes_integer;

    // objects a binding makes once and keeps
    Ref angle_patterns[3];     // Projection.angle: decimal degrees, packed DMS, DMS with symbols
    Ref zone_kwnames;          // ("longitude", "zoneCode")
    Ref int_6;
    Ref crs_years[4];          // the int keys of Projection.datum, one per reference system
    Ref code_patterns[15];     // MapGrid sheet-code patterns, one per mapgrid::CodePattern, compiled on first use
    // MapGrid's methods and letter tables (mapcode, mapword, mapword5000, scalecode) as the class was made
    Ref own_map, own_parse, own_corner1000000, own_letter_tables[4];
    Ref dumps_kwnames[2];      // json.dumps keywords, without and with indent

    // borrowed, kept while what holds them is unchanged (projection_binding.cpp)
    PristineDatum pristine_datum;
    ProjectionClassFacts projection_facts;
    int datum_watcher = -1;    // the interpreter's dict watcher id, once added

    constexpr ModuleState() = default;
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;
    ~ModuleState() { clear(); }

    // Makes the interned names; throws on failure.
    void intern_names();
    int traverse(visitproc visit, void* arg);
    // Drops everything, back to the state before start-up.
    void clear();
};

// Constant-initialised, so `state()` is a plain address; never destroyed,
// since the process may exit after the interpreter is gone.
struct StateHolder {
    union {
        ModuleState value;
    };
    constexpr StateHolder() : value() {}
    ~StateHolder() {}
};
extern constinit StateHolder g_state;

inline ModuleState& state() { return g_state.value; }

// Is `owner.<name>` still `original`, the class-dictionary entry the class
// was made with? Then the caller may run it natively. `owner` is a class
// (class methods called through `cls`) or an instance. A class with the plain
// metaclass is asked through the type's attribute cache, without making a
// bound method; an instance is asked as Python would (its own attributes
// first), once. When the answer is no, `found` holds `owner.<name>` for the
// caller to use; a subclass override or a replacement is found that way.
bool is_own_method(PyObject* owner, PyObject* name, PyObject* original, Ref& found);
// The same question for a caller that looks the name up itself when the
// answer is no: for a class it is answered from the type's attribute cache
// alone, so no lookup is made twice; for an instance the lookup is made.
bool is_own_method(PyObject* owner, PyObject* name, PyObject* original);
// The entry `name` of the class's own dictionary (new reference; null if absent),
// to be kept as `original` for is_own_method().
Ref class_entry(PyObject* cls, PyObject* name);

// `cls.<name>` of a class (new reference): from the type's attribute cache
// when the class has the plain metaclass and the entry is no descriptor,
// else as Python looks it up.
Ref class_attribute(PyObject* cls, PyObject* name);

// Module attribute "src.tivenpy" for __module__ of classes and functions.
inline constexpr const char* kModuleName = "src.tivenpy";

// Class creators, called in this order by the start-up; each binds its class
// as a module attribute and stores it in the state.
void add_messenger_class(ModuleState& st);
void add_tivenbase_class(ModuleState& st);
void add_mapgis_project_class(ModuleState& st);
void add_mapgis_colorlib_class(ModuleState& st);
void add_mapgis_file_class(ModuleState& st);
void add_projection_class(ModuleState& st);
void add_mapgrid_class(ModuleState& st);
void add_geometry_class(ModuleState& st);

}  // namespace tiven
