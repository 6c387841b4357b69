// What the module owns for its lifetime: the standard modules and built-ins it
// calls, and its classes. One process serves one interpreter, so one instance.
#pragma once
#include <Python.h>

#include "core/pyref.hpp"

namespace tiven {

struct ModuleState {
    PyObject* module = nullptr;  // borrowed: the module object keeps this state alive

    // standard modules, bound at start-up
    Ref os, re, sys, json, math, time, struct_;
    Ref dataclass;                        // dataclasses.dataclass
    Ref Callable, Any, Iterator, Union;   // typing names
    Ref struct_error;                     // struct.error

    // built-ins looked up at import
    Ref builtin_staticmethod, builtin_classmethod, builtin_print, builtin_open, builtin_super;

    // the classes, in creation order
    Ref Messenger, TivenBase, MapGisProject, MapGisColorLib, MapGisFile, Projection, MapGrid, Geometry;
};

ModuleState& state();

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
