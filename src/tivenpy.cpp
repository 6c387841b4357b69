// Module entry: two-phase initialisation. PyInit hands back the definition;
// creation and execution follow what the import machinery hands over.
#include <Python.h>

#include "core/boundary.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"

// Exported by the interpreter (internal header): adds a frame to the traceback
// of the exception being raised, so a failed start-up shows where it failed.
extern "C" void _PyTraceback_Add(const char* funcname, const char* filename, int lineno);

namespace tiven {

namespace {

constexpr int kCompiledMajor = 3;
constexpr int kCompiledMinor = 13;

// One interpreter per process, one module object per process (held in the state).
int64_t g_main_interpreter_id = -1;

const char kModuleDoc[] =
    "\n"
    "    主要模块包括：\n"
    "    ● Messenger - 信使消息事件订阅与发布类；\n"
    "    ● MapGisProject - MapGis工程文件（MPJ）读取类；\n"
    "    ● MapGisColorLib - MapGis色库（青品黄黑-红绿蓝）读取类；\n"
    "    ● MapGisFile - MapGis点线面文件读取类\n"
    "    ● Projection - 轻量级几何要素坐标投影变换类\n"
    "    ● MapGrid - 国际标准比例尺图幅分幅网格与编号类\n"
    "    ● Geometry - 地学几何要素加载、编码、转换与序列化类\n";

const char* const kPublic[] = {"Messenger", "MapGisProject", "MapGisColorLib", "MapGisFile",
                               "Projection", "MapGrid", "Geometry"};

int check_interpreter() {
    int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (id == -1) return -1;
    if (g_main_interpreter_id == -1) {
        g_main_interpreter_id = id;
        return 0;
    }
    if (g_main_interpreter_id != id) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one interpreter per process.");
        return -1;
    }
    return 0;
}

void copy_spec_attr(PyObject* spec, PyObject* module, const char* from, const char* to, bool none_skips) {
    PyObject* value = nullptr;
    check(PyObject_GetOptionalAttrString(spec, from, &value));
    Ref v = Ref::steal(value);
    if (!v) return;
    if (none_skips && v.get() == Py_None) return;
    check(PyObject_SetAttrString(module, to, v.get()));
}

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    if (check_interpreter() < 0) return nullptr;
    if (PyObject* held = state().held.get()) return Py_NewRef(held);
    try {
        Ref name = own(PyObject_GetAttrString(spec, "name"));
        Ref module = own(PyModule_NewObject(name.get()));
        copy_spec_attr(spec, module.get(), "loader", "__loader__", false);
        copy_spec_attr(spec, module.get(), "origin", "__file__", false);
        copy_spec_attr(spec, module.get(), "parent", "__package__", false);
        copy_spec_attr(spec, module.get(), "submodule_search_locations", "__path__", true);
        return module.release();
    } catch (...) {
        set_python_error_from_current_exception();
        return nullptr;
    }
}

Ref import_attr(const char* module, const char* name) {
    Ref m = own(PyImport_ImportModule(module));
    return own(PyObject_GetAttrString(m.get(), name));
}

Ref builtin(const char* name) {
    PyObject* b = PyEval_GetFrameBuiltins();
    Ref builtins = b ? Ref::steal(b) : own(PyImport_ImportModule("builtins"));
    if (PyDict_Check(builtins.get())) {
        PyObject* found = nullptr;
        check(PyDict_GetItemStringRef(builtins.get(), name, &found));
        if (found) return Ref::steal(found);
        PyErr_SetString(PyExc_NameError, name);
        throw PythonErrorSet{};
    }
    return own(PyObject_GetAttrString(builtins.get(), name));
}

void run_body(PyObject* module) {
    ModuleState& st = state();
    st.module = module;
    st.intern_names();

    Ref builtins = own(PyImport_ImportModule("builtins"));
    check(PyObject_SetAttrString(module, "__builtins__", builtins.get()));

    if (PY_MAJOR_VERSION != kCompiledMajor || PY_MINOR_VERSION != kCompiledMinor ||
        ((Py_Version >> 24) & 0xFF) != kCompiledMajor || ((Py_Version >> 16) & 0xFF) != kCompiledMinor) {
        check(PyErr_WarnFormat(PyExc_RuntimeWarning, 1,
                               "compile time Python version %d.%d of module '%.100s' %s runtime version %d.%d",
                               kCompiledMajor, kCompiledMinor, kModuleName, "does not match",
                               static_cast<int>((Py_Version >> 24) & 0xFF),
                               static_cast<int>((Py_Version >> 16) & 0xFF)));
    }

    st.builtin_staticmethod = builtin("staticmethod");
    st.builtin_classmethod = builtin("classmethod");
    st.builtin_print = builtin("print");
    st.builtin_open = builtin("open");
    st.builtin_super = builtin("super");

    Ref modules = Ref::borrow(PyImport_GetModuleDict());
    PyObject* present = nullptr;
    check(PyDict_GetItemStringRef(modules.get(), kModuleName, &present));
    Ref present_ref = Ref::steal(present);
    if (!present_ref) check(PyDict_SetItemString(modules.get(), kModuleName, module));

    check(PyObject_SetAttrString(module, "__doc__", py_str(kModuleDoc).get()));
    check(PyObject_SetAttrString(module, "__version__", py_str("2025.9.10").get()));
    Ref all = own(PyList_New(0));
    for (const char* name : kPublic) check(PyList_Append(all.get(), py_str(name).get()));
    check(PyObject_SetAttrString(module, "__all__", all.get()));

    struct Std {
        const char* name;
        Ref ModuleState::*slot;
    };
    const Std std_modules[] = {{"os", &ModuleState::os},     {"re", &ModuleState::re},
                               {"sys", &ModuleState::sys},   {"json", &ModuleState::json},
                               {"math", &ModuleState::math}, {"time", &ModuleState::time},
                               {"struct", &ModuleState::struct_}};
    for (const Std& s : std_modules) {
        Ref m = own(PyImport_ImportModule(s.name));
        check(PyObject_SetAttrString(module, s.name, m.get()));
        st.*(s.slot) = std::move(m);
    }
    st.struct_error = own(PyObject_GetAttrString(st.struct_.get(), "error"));
    st.dataclass = import_attr("dataclasses", "dataclass");
    check(PyObject_SetAttrString(module, "dataclass", st.dataclass.get()));
    const Std typing_names[] = {{"Callable", &ModuleState::Callable}, {"Any", &ModuleState::Any},
                                {"Iterator", &ModuleState::Iterator}, {"Union", &ModuleState::Union}};
    for (const Std& s : typing_names) {
        Ref v = import_attr("typing", s.name);
        check(PyObject_SetAttrString(module, s.name, v.get()));
        st.*(s.slot) = std::move(v);
    }

    add_messenger_class(st);
    add_tivenbase_class(st);
    add_mapgis_project_class(st);
    add_mapgis_colorlib_class(st);
    add_mapgis_file_class(st);
    add_projection_class(st);
    add_mapgrid_class(st);
    add_geometry_class(st);
}

void forget_module(PyObject* module) {
    PyObject* pending = PyErr_GetRaisedException();
    PyObject* modules = PyImport_GetModuleDict();
    PyObject* entered = nullptr;
    if (PyDict_GetItemStringRef(modules, kModuleName, &entered) > 0) {
        if (entered == module) PyDict_DelItemString(modules, kModuleName);
        Py_DECREF(entered);
    }
    PyErr_Clear();
    state().clear();
    PyErr_SetRaisedException(pending);
}

int module_exec(PyObject* module) {
    ModuleState& st = state();
    if (st.held) {
        if (st.held.get() == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'tivenpy' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    st.held = Ref::borrow(module);
    try {
        run_body(module);
        return 0;
    } catch (...) {
        set_python_error_from_current_exception();
        _PyTraceback_Add("init src.tivenpy", "src/tivenpy.cpp", __LINE__);
        forget_module(module);
        return -1;
    }
}

PyModuleDef_Slot slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(module_create)},
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

int module_traverse(PyObject* module, visitproc visit, void* arg) {
    ModuleState& st = state();
    return st.module == module ? st.traverse(visit, arg) : 0;
}

PyModuleDef module_def = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "tivenpy",
    .m_doc = nullptr,
    .m_size = 0,
    .m_methods = nullptr,
    .m_slots = slots,
    .m_traverse = module_traverse,
    .m_clear = nullptr,  // the state is held for the life of the process
    .m_free = nullptr,
};

}  // namespace

}  // namespace tiven

PyMODINIT_FUNC PyInit_tivenpy() { return PyModuleDef_Init(&tiven::module_def); }
