// Methods of the module's classes: one declaration per method drives the
// argument parser, `__annotations__` and the docstring signature.
#pragma once
#include <Python.h>

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "core/pyref.hpp"

namespace tiven {

enum class MethodKind { Instance, Static, Class };

// How the parser tests a parameter's value.
enum class Check {
    Any,    // no test ("Any", "Callable", unions, bool flags, the receiver)
    Str,    // exactly str
    Bytes,  // exactly bytes
    Int,    // exactly int (bool refused)
    Tuple,  // exactly tuple
    List,   // exactly list
    Dict,   // exactly dict
    Float,  // any real number, handed on as a float object; exactly a float when the default is None
};

// A default value, made once when the class is created.
struct Default {
    enum class Kind { Required, None, Int, Float, Str, Bool, IntTuple } kind = Kind::Required;
    long long i = 0;
    double f = 0.0;
    const char* s = nullptr;
    const long long* ints = nullptr;  // IntTuple: `i` items

    static constexpr Default required() { return {}; }
    static constexpr Default none() { return {Kind::None, 0, 0.0, nullptr}; }
    static constexpr Default integer(long long v) { return {Kind::Int, v, 0.0, nullptr}; }
    static constexpr Default real(double v) { return {Kind::Float, 0, v, nullptr}; }
    static constexpr Default text(const char* v) { return {Kind::Str, 0, 0.0, v}; }
    static constexpr Default boolean(bool v) { return {Kind::Bool, v ? 1 : 0, 0.0, nullptr}; }
    // A tuple of ints, such as (0, 0, 0, 100); `v` must outlive the module.
    static constexpr Default int_tuple(const long long* v, long long n) {
        return {Kind::IntTuple, n, 0.0, nullptr, v};
    }
};

struct Param {
    const char* name;
    const char* annotation = nullptr;  // declared type text; nullptr: not annotated
    Check check = Check::Any;
    bool or_none = false;  // declared as a union with None ("Union[str, None]")
    Default value = Default::required();
};

// A method's parameters, declared once as a constexpr array:
//     constexpr auto kSubscribeParams = std::to_array<Param>({{.name = "self"}, {.name = "key", ...}});
// The parser, `__annotations__` and the signature read it, and the
// implementation finds each argument in it by name: `c[arg(kSubscribeParams, "key")]`.
// A misspelt name does not compile, and reordering the declaration cannot
// shift an implementation's arguments.
template <size_t N>
consteval size_t arg(const std::array<Param, N>& params, std::string_view name) {
    for (size_t i = 0; i < N; ++i)
        if (std::string_view(params[i].name) == name) return i;
    throw "no parameter of that name";
}

// The parameter list a Method holds: a copy of its declared array (or, while a
// declaration is still written inline, of its braced list).
struct ParamList : std::vector<Param> {
    using std::vector<Param>::vector;
    template <size_t N>
    ParamList(const std::array<Param, N>& declared) : std::vector<Param>(declared.begin(), declared.end()) {}
};

// Declared result types that are enforced ("Expected %s, got %.200s").
enum class ResultCheck { None, Str, Int, List, Dict, FloatOrNone };

struct Method;

// What an implementation sees of one call.
struct Call {
    const Method& method;
    PyObject* const* args;      // one per declared parameter, receiver first; never null
    PyObject* defining_class;   // the class whose body holds the method (for super())

    PyObject* operator[](size_t i) const { return args[i]; }
    double real(size_t i) const { return PyFloat_AS_DOUBLE(args[i]); }
    bool is_none(size_t i) const { return args[i] == Py_None; }
};

// Returns a new reference; errors are thrown (tiven::Error or PythonErrorSet).
using Impl = Ref (*)(const Call& call);

struct Method {
    const char* name;
    MethodKind kind;
    ParamList params;                     // receiver (`self`/`cls`) first for instance and class methods
    const char* result_annotation = nullptr;  // nullptr: no declared result
    ResultCheck result = ResultCheck::None;
    const char* doc = "";
    Impl impl = nullptr;
};

// TypeError "Expected %s, got %.200s" unless `value` is of the named exact type or None.
void enforce_result(ResultCheck check, PyObject* value);

}  // namespace tiven
