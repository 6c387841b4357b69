// Function objects that bind like Python functions, and the one argument
// parser every method goes through. The parser follows the interpreter's
// conventions for compiled functions: counts ("exactly"/"at least"/"at most",
// the receiver counted), keyword errors, exact built-in types.
#include "core/function_object.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "core/boundary.hpp"
#include "core/module_state.hpp"
#include "core/pynum.hpp"
#include "core/pyvalues.hpp"
#include "core/static_type.hpp"

namespace tiven {

namespace {

constexpr size_t kMaxParams = 16;

// What the parser tests of one parameter's value, taken from its declaration.
struct ParamTest {
    PyTypeObject* exact;  // the one type taken; null: any value
    bool converts;        // a real number, handed on as a float
    bool none_ok;         // None taken besides `exact`
};

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    const Method* method;
    PyObject* defaults;        // list: one default per parameter (None where required)
    PyObject* names;           // tuple of the interned parameter names
    Py_ssize_t num_min;        // parameters without a default
    Py_ssize_t num_max;
    ParamTest tests[kMaxParams];
    // The keyword names of the last call bound by identity (a call site
    // passes the same tuple each time), its positional count, and the
    // parameter each keyword named.
    PyObject* kw_names;
    Py_ssize_t kw_nargs;
    unsigned char kw_params[kMaxParams];
    PyObject* name;
    PyObject* qualname;
    PyObject* doc;
    PyObject* annotations;
    PyObject* module;
    PyObject* defining_class;
    PyObject* dict;
};

[[noreturn]] void count_error(const Method& m, Py_ssize_t num_min, Py_ssize_t found) {
    const Py_ssize_t num_max = static_cast<Py_ssize_t>(m.params.size());
    Py_ssize_t expected;
    const char* more_or_less;
    if (found < num_min) {
        expected = num_min;
        more_or_less = "at least";
    } else {
        expected = num_max;
        more_or_less = "at most";
    }
    if (num_min == num_max) more_or_less = "exactly";
    PyErr_Format(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)", m.name,
                 more_or_less, expected, expected == 1 ? "" : "s", found);
    throw PythonErrorSet{};
}

PyTypeObject* exact_type(Check c) {
    switch (c) {
        case Check::Str: return &PyUnicode_Type;
        case Check::Bytes: return &PyBytes_Type;
        case Check::Int: return &PyLong_Type;
        case Check::Tuple: return &PyTuple_Type;
        case Check::List: return &PyList_Type;
        case Check::Dict: return &PyDict_Type;
        case Check::Float: return &PyFloat_Type;
        case Check::Any: return nullptr;
    }
    return nullptr;
}

bool float_takes_none(const Param& p) { return p.value.kind == Default::Kind::None || p.or_none; }

// Matches a keyword name against the parameters: identity first, then equality.
Py_ssize_t find_param(const Method& m, PyObject* const* names, PyObject* key) {
    const size_t n = m.params.size();
    for (size_t i = 0; i < n; ++i)
        if (names[i] == key) return static_cast<Py_ssize_t>(i);
    for (size_t i = 0; i < n; ++i) {
        int eq = PyUnicode_Compare(names[i], key);
        if (eq == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (eq == 0) return static_cast<Py_ssize_t>(i);
    }
    return -1;
}

// The keyword value for parameter `name`, or null. Two interned texts that are
// not the same object differ, so equality is tested only for the others.
PyObject* keyword_value(PyObject* name, PyObject* kwnames, PyObject* const* kwvalues, Py_ssize_t nkw) {
    for (Py_ssize_t k = 0; k < nkw; ++k)
        if (PyTuple_GET_ITEM(kwnames, k) == name) return kwvalues[k];
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        if (PyUnicode_CHECK_INTERNED(key)) continue;
        int eq = PyUnicode_Compare(name, key);
        if (eq == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (eq == 0) return kwvalues[k];
    }
    return nullptr;
}

// The common case: each keyword is one of the parameter names themselves
// (the interned texts of the call site) and names a distinct parameter after
// the positional ones. Then the binding below would find the same, and fail,
// if at all, on the first required parameter left out. Anything else is left
// to it, with values[nargs:] null again.
bool bind_keywords_by_identity(FunctionObject& f, PyObject* kwnames, PyObject* const* kwvalues, Py_ssize_t nargs,
                               PyObject** values) {
    PyObject* const* names = &PyTuple_GET_ITEM(f.names, 0);
    const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
    unsigned char params[kMaxParams];
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        Py_ssize_t i = nargs;
        while (i < f.num_max && names[i] != PyTuple_GET_ITEM(kwnames, k)) ++i;
        if (i == f.num_max || values[i]) {
            for (Py_ssize_t j = nargs; j < f.num_max; ++j) values[j] = nullptr;
            return false;
        }
        values[i] = kwvalues[k];
        params[k] = static_cast<unsigned char>(i);
    }
    for (Py_ssize_t i = nargs; i < f.num_min; ++i)
        if (!values[i]) count_error(*f.method, f.num_min, i);
    Py_XSETREF(f.kw_names, Py_NewRef(kwnames));
    f.kw_nargs = nargs;
    std::copy(params, params + nkw, f.kw_params);
    return true;
}

// Fills values[nargs:] from the keyword arguments; what none names stays null.
void bind_keywords(FunctionObject& f, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                   PyObject** values) {
    const Method& m = *f.method;
    const Py_ssize_t num_min = f.num_min;
    const Py_ssize_t num_max = f.num_max;
    const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
    PyObject* const* names = &PyTuple_GET_ITEM(f.names, 0);
    PyObject* const* kwvalues = args + nargs;
    if (bind_keywords_by_identity(f, kwnames, kwvalues, nargs, values)) return;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        if (!PyUnicode_Check(PyTuple_GET_ITEM(kwnames, k))) {
            PyErr_Format(PyExc_TypeError, "%.200s() keywords must be strings", m.name);
            throw PythonErrorSet{};
        }
    }
    Py_ssize_t left = nkw;
    for (Py_ssize_t i = nargs; i < num_max && left > 0; ++i) {
        values[i] = keyword_value(names[i], kwnames, kwvalues, nkw);
        if (values[i]) --left;
        else if (i < num_min) count_error(m, num_min, i);
    }
    for (Py_ssize_t i = nargs; i < num_min; ++i)
        if (!values[i]) count_error(m, num_min, i);
    if (left == 0) return;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t at = find_param(m, names, key);
        if (at < 0) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", m.name, key);
            throw PythonErrorSet{};
        }
        if (at < nargs) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'", m.name, key);
            throw PythonErrorSet{};
        }
    }
}

// Fills values[0:num_max]: the positional arguments, then the keyword ones,
// then the defaults.
void bind(FunctionObject& f, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** values) {
    const Py_ssize_t n = f.num_max;
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    if (nargs > n || (nkw == 0 && nargs < f.num_min)) count_error(*f.method, f.num_min, nargs);
    for (Py_ssize_t i = 0; i < nargs; ++i) values[i] = args[i];
    if (nkw > 0 && kwnames == f.kw_names && nargs == f.kw_nargs) {
        for (Py_ssize_t i = nargs; i < n; ++i) values[i] = PyList_GET_ITEM(f.defaults, i);
        for (Py_ssize_t k = 0; k < nkw; ++k) values[f.kw_params[k]] = args[nargs + k];
    } else if (nkw > 0) {
        for (Py_ssize_t i = nargs; i < n; ++i) values[i] = nullptr;
        bind_keywords(f, args, nargs, kwnames, values);
        for (Py_ssize_t i = nargs; i < n; ++i)
            if (!values[i]) values[i] = PyList_GET_ITEM(f.defaults, i);
    } else {
        for (Py_ssize_t i = nargs; i < n; ++i) values[i] = PyList_GET_ITEM(f.defaults, i);
    }
}

// Does every value pass its test as it stands (no real number to convert,
// no type to refuse)? Then the tests below would change and raise nothing.
bool all_pass(const FunctionObject& f, PyObject* const* values) {
    for (Py_ssize_t i = 0; i < f.num_max; ++i) {
        const ParamTest& t = f.tests[i];
        if (!t.exact || Py_IS_TYPE(values[i], t.exact)) continue;
        if (t.none_ok && values[i] == Py_None) continue;
        return false;
    }
    return true;
}

// The exact-type tests, in order, once every real number is a float.
void check_types(const FunctionObject& f, PyObject* const* values) {
    for (Py_ssize_t i = 0; i < f.num_max; ++i) {
        const ParamTest& t = f.tests[i];
        if (!t.exact || Py_IS_TYPE(values[i], t.exact) || t.converts) continue;
        if (t.none_ok && values[i] == Py_None) continue;
        argument_type_error(f.method->params[i].name, t.exact, values[i]);
    }
}

PyObject* run(const FunctionObject& f, PyObject* const* values) {
    const Method& m = *f.method;
    Call call{m, values, f.defining_class};
    Ref result = m.impl(call);
    enforce_result(m.result, result.get());
    return result.release();
}

// Real-number parameters are converted first, in order, then the exact-type
// tests run. A converted value is kept alive in `converted`.
PyObject* run_tested(const FunctionObject& f, PyObject** values) {
    Ref converted[kMaxParams];
    for (Py_ssize_t i = 0; i < f.num_max; ++i) {
        if (!f.tests[i].converts || PyFloat_CheckExact(values[i])) continue;
        double v = PyFloat_AsDouble(values[i]);
        if (v == -1.0 && PyErr_Occurred()) throw PythonErrorSet{};
        converted[i] = py_float(v);
        values[i] = converted[i].get();
    }
    check_types(f, values);
    return run(f, values);
}

PyObject* call_function(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto& f = *reinterpret_cast<FunctionObject*>(callable);
    PyObject* values[kMaxParams];
    try {
        bind(f, args, PyVectorcall_NARGS(nargsf), kwnames, values);
        if (!all_pass(f, values)) return run_tested(f, values);
        return run(f, values);
    } catch (...) {
        set_python_error_from_current_exception();
        return nullptr;
    }
}

PyObject* descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

int traverse(PyObject* o, visitproc visit, void* arg) {
    auto* f = reinterpret_cast<FunctionObject*>(o);
    Py_VISIT(f->defaults);
    Py_VISIT(f->names);
    Py_VISIT(f->doc);
    Py_VISIT(f->annotations);
    Py_VISIT(f->module);
    Py_VISIT(f->defining_class);
    Py_VISIT(f->dict);
    Py_VISIT(f->kw_names);
    return 0;
}

int clear(PyObject* o) {
    auto* f = reinterpret_cast<FunctionObject*>(o);
    Py_CLEAR(f->defaults);
    Py_CLEAR(f->names);
    Py_CLEAR(f->name);
    Py_CLEAR(f->qualname);
    Py_CLEAR(f->doc);
    Py_CLEAR(f->annotations);
    Py_CLEAR(f->module);
    Py_CLEAR(f->defining_class);
    Py_CLEAR(f->dict);
    Py_CLEAR(f->kw_names);
    return 0;
}

void dealloc(PyObject* o) {
    PyObject_GC_UnTrack(o);
    clear(o);
    PyObject_GC_Del(o);
}

PyObject* repr(PyObject* o) {
    auto* f = reinterpret_cast<FunctionObject*>(o);
    return PyUnicode_FromFormat("<function %U at %p>", f->qualname, o);
}

PyMemberDef members[] = {
    {"__name__", Py_T_OBJECT_EX, offsetof(FunctionObject, name), 0, nullptr},
    {"__qualname__", Py_T_OBJECT_EX, offsetof(FunctionObject, qualname), 0, nullptr},
    {"__doc__", Py_T_OBJECT_EX, offsetof(FunctionObject, doc), 0, nullptr},
    {"__annotations__", Py_T_OBJECT_EX, offsetof(FunctionObject, annotations), 0, nullptr},
    {"__module__", Py_T_OBJECT_EX, offsetof(FunctionObject, module), 0, nullptr},
    {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(FunctionObject, vectorcall), Py_READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

Ref default_object(const Default& d) {
    switch (d.kind) {
        case Default::Kind::Required:
        case Default::Kind::None: return py_none();
        case Default::Kind::Int: return py_int(d.i);
        case Default::Kind::Float: return py_float(d.f);
        case Default::Kind::Str: return own(PyUnicode_FromString(d.s));
        case Default::Kind::Bool: return py_bool(d.i != 0);
        case Default::Kind::IntTuple: {
            Ref t = own(PyTuple_New(static_cast<Py_ssize_t>(d.i)));
            for (long long k = 0; k < d.i; ++k) PyTuple_SET_ITEM(t.get(), k, py_int(d.ints[k]).release());
            return t;
        }
    }
    return py_none();
}

// Made afresh from the declaration on each request, as inspect does for Python
// functions. Every parameter is positional-or-keyword, receiver included, as
// the parser takes them; binding drops the receiver through the method object.
PyObject* get_signature(PyObject* o, void*) {
    const Method& m = *reinterpret_cast<FunctionObject*>(o)->method;
    try {
        Ref inspect = own(PyImport_ImportModule("inspect"));
        Ref parameter = own(PyObject_GetAttrString(inspect.get(), "Parameter"));
        Ref kind = own(PyObject_GetAttrString(parameter.get(), "POSITIONAL_OR_KEYWORD"));
        Ref params = own(PyList_New(0));
        for (const Param& p : m.params) {
            Ref args = own(Py_BuildValue("(sO)", p.name, kind.get()));
            Ref kwargs = own(PyDict_New());
            if (p.value.kind != Default::Kind::Required)
                check(PyDict_SetItemString(kwargs.get(), "default", default_object(p.value).get()));
            if (p.annotation) check(PyDict_SetItemString(kwargs.get(), "annotation", py_str(p.annotation).get()));
            Ref param = own(PyObject_Call(parameter.get(), args.get(), kwargs.get()));
            check(PyList_Append(params.get(), param.get()));
        }
        Ref signature = own(PyObject_GetAttrString(inspect.get(), "Signature"));
        Ref args = own(PyTuple_Pack(1, params.get()));
        Ref kwargs = own(PyDict_New());
        if (m.result_annotation)
            check(PyDict_SetItemString(kwargs.get(), "return_annotation", py_str(m.result_annotation).get()));
        return PyObject_Call(signature.get(), args.get(), kwargs.get());
    } catch (...) {
        set_python_error_from_current_exception();
        return nullptr;
    }
}

PyGetSetDef getset[] = {
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {"__signature__", get_signature, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyTypeObject FunctionType = static_type({
    .tp_name = "tivenpy_function",
    .tp_basicsize = sizeof(FunctionObject),
    .tp_dealloc = dealloc,
    .tp_vectorcall_offset = offsetof(FunctionObject, vectorcall),
    .tp_repr = repr,
    .tp_call = PyVectorcall_Call,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR,
    .tp_traverse = traverse,
    .tp_clear = clear,
    .tp_members = members,
    .tp_getset = getset,
    .tp_descr_get = descr_get,
    .tp_dictoffset = offsetof(FunctionObject, dict),
});

std::string default_text(const Default& d) {
    switch (d.kind) {
        case Default::Kind::Required: return "";
        case Default::Kind::None: return "None";
        case Default::Kind::Int: return std::to_string(d.i);
        case Default::Kind::Float: return float_repr(d.f);
        case Default::Kind::Str: return std::string("'") + d.s + "'";
        case Default::Kind::Bool: return d.i ? "True" : "False";
        case Default::Kind::IntTuple: {
            std::string t = "(";
            for (long long k = 0; k < d.i; ++k) t += (k ? ", " : "") + std::to_string(d.ints[k]);
            return t + (d.i == 1 ? ",)" : ")");
        }
    }
    return "";
}

// "name(self, key: str, slot: Callable) -> None", from the one declaration.
std::string signature_text(const Method& m) {
    std::string s = m.name;
    s += '(';
    for (size_t i = 0; i < m.params.size(); ++i) {
        const Param& p = m.params[i];
        if (i) s += ", ";
        s += p.name;
        if (p.annotation) {
            s += ": ";
            s += p.annotation;
        }
        if (p.value.kind != Default::Kind::Required) {
            s += p.annotation ? " = " : "=";
            s += default_text(p.value);
        }
    }
    s += ')';
    if (m.result_annotation) {
        s += " -> ";
        s += m.result_annotation;
    }
    return s;
}

}  // namespace

void enforce_result(ResultCheck check, PyObject* value) {
    if (check == ResultCheck::None || value == Py_None) return;
    PyTypeObject* expected = nullptr;
    const char* name = nullptr;
    switch (check) {
        case ResultCheck::Str: expected = &PyUnicode_Type; name = "str"; break;
        case ResultCheck::Int: expected = &PyLong_Type; name = "int"; break;
        case ResultCheck::List: expected = &PyList_Type; name = "list"; break;
        case ResultCheck::Dict: expected = &PyDict_Type; name = "dict"; break;
        case ResultCheck::FloatOrNone: expected = &PyFloat_Type; name = "float"; break;
        case ResultCheck::None: return;
    }
    if (Py_IS_TYPE(value, expected)) return;
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", name, Py_TYPE(value)->tp_name);
    throw PythonErrorSet{};
}

Ref make_function(const Method& m, const std::string& qualname) {
    if (m.params.size() > kMaxParams) throw Error(ErrorKind::RuntimeError, "too many parameters");
    PyTypeObject* type = ready(FunctionType);
    Ref defaults = own(PyList_New(static_cast<Py_ssize_t>(m.params.size())));
    for (size_t i = 0; i < m.params.size(); ++i)
        PyList_SET_ITEM(defaults.get(), static_cast<Py_ssize_t>(i), default_object(m.params[i].value).release());
    Ref names = own(PyTuple_New(static_cast<Py_ssize_t>(m.params.size())));
    Py_ssize_t num_min = 0;
    for (size_t i = 0; i < m.params.size(); ++i) {
        PyObject* name = PyUnicode_InternFromString(m.params[i].name);
        if (!name) throw PythonErrorSet{};
        PyTuple_SET_ITEM(names.get(), static_cast<Py_ssize_t>(i), name);
        if (m.params[i].value.kind == Default::Kind::Required) ++num_min;
    }
    Ref annotations = own(PyDict_New());
    for (const Param& p : m.params)
        if (p.annotation) check(PyDict_SetItemString(annotations.get(), p.name, py_str(p.annotation).get()));
    if (m.result_annotation)
        check(PyDict_SetItemString(annotations.get(), "return", py_str(m.result_annotation).get()));
    std::string doc = signature_text(m);
    if (m.doc && *m.doc) {
        doc += "\n\n";
        doc += m.doc;
    }

    auto* f = PyObject_GC_New(FunctionObject, type);
    if (!f) throw PythonErrorSet{};
    f->vectorcall = call_function;
    f->method = &m;
    f->defaults = defaults.release();
    f->names = names.release();
    f->num_min = num_min;
    f->num_max = static_cast<Py_ssize_t>(m.params.size());
    f->kw_names = nullptr;
    f->kw_nargs = 0;
    for (size_t i = 0; i < m.params.size(); ++i) {
        const Param& p = m.params[i];
        const bool converts = p.check == Check::Float && !float_takes_none(p);
        f->tests[i] = {exact_type(p.check), converts, p.or_none || p.value.kind == Default::Kind::None};
    }
    f->name = nullptr;
    f->qualname = nullptr;
    f->doc = nullptr;
    f->annotations = annotations.release();
    f->module = nullptr;
    f->defining_class = Py_NewRef(Py_None);
    f->dict = nullptr;
    Ref result = Ref::steal(reinterpret_cast<PyObject*>(f));
    PyObject_GC_Track(result.get());
    f->name = py_str(m.name).release();
    f->qualname = py_str(qualname).release();
    f->doc = py_str(doc).release();
    f->module = py_str(kModuleName).release();
    return result;
}

void set_defining_class(PyObject* function, PyObject* cls) {
    auto* f = reinterpret_cast<FunctionObject*>(function);
    Py_XSETREF(f->defining_class, Py_NewRef(cls));
}

}  // namespace tiven
