// Methods of the module's classes: one declaration per method drives the
// argument parser, `__annotations__` and the docstring signature.
#pragma once
#include <Python.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/boundary.hpp"
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

// Calls `super(defining_class, obj).__init__()`: the constructors' base call.
void call_base_init(const Call& call, PyObject* obj);
// An `__init__(self)` that only runs the base constructor.
Ref init_calling_base(const Call& call);

// Builds one class of the module in the order of its body.
class ClassBuilder {
public:
    // `base` null: derives from object alone. `qualname` null: the name.
    ClassBuilder(const char* name, PyObject* base, std::string doc, const char* qualname = nullptr);
    ~ClassBuilder();

    // Creates the function object (wrapped in staticmethod/classmethod as declared)
    // under the method's name, mangled when private. The Method must outlive the module.
    ClassBuilder& method(const Method& m);
    // Sets a class attribute; a private name is stored under its mangled name.
    ClassBuilder& attr(const char* name, Ref value);
    // Adds an entry to the class's own `__annotations__`.
    ClassBuilder& annotation(const char* name, const char* text);
    // Creates the class with the default metaclass and binds it as a module attribute
    // (unless `nested`). Returns a new reference to the class.
    Ref finish(bool nested = false);

    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::string qualname_;
    Ref bases_;
    Ref ns_;
    Ref annotations_;
    std::vector<Ref> functions_;  // the raw function objects, to bind the class to afterwards
};

std::string mangle(const std::string& class_name, const std::string& attr);

// ---- generators -------------------------------------------------------------

// The body of a generator method. next() gives the next item, or an empty Ref
// when the generator is exhausted; errors are thrown. close() releases what the
// body holds (open files); it is called once on exhaustion, error, close(),
// throw() and when the generator is dropped.
class GeneratorBody {
public:
    virtual ~GeneratorBody() = default;
    virtual Ref next() = 0;
    virtual void close() noexcept {}
    // Visits the Python objects the body owns, so that a generator kept alive
    // only through a cycle (stored on the object it reads) is collected and closed.
    virtual int traverse(visitproc, void*) { return 0; }
};

Ref make_generator(std::unique_ptr<GeneratorBody> body, const char* name, const char* qualname);

// ---- helpers shared by the bindings ----------------------------------------

// TypeError "Expected %s, got %.200s" unless `value` is of the named exact type or None.
void enforce_result(ResultCheck check, PyObject* value);

Ref py_str(const std::string& utf8);
Ref py_int(long long v);
Ref py_float(double v);
inline Ref py_none() { return Ref::borrow(Py_None); }
inline Ref py_bool(bool v) { return Ref::borrow(v ? Py_True : Py_False); }

}  // namespace tiven
