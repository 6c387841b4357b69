// Classes of the module, made as a class statement would make them.
#pragma once
#include <Python.h>

#include <array>
#include <string>
#include <vector>

#include "core/method.hpp"
#include "core/pyref.hpp"

namespace tiven {

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

// Calls `super(defining_class, obj).__init__()`: the constructors' base call.
void call_base_init(const Call& call, PyObject* obj);
// The parameters of an `__init__(self)`, and one that only runs the base constructor.
inline constexpr auto kInitParams = std::to_array<Param>({{.name = "self"}});
Ref init_calling_base(const Call& call);

}  // namespace tiven
