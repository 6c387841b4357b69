// Classes are made as a class statement would make them: a namespace filled in
// body order, then the default metaclass.
#include "core/class_builder.hpp"

#include <string>

#include "core/function_object.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"

namespace tiven {

std::string mangle(const std::string& class_name, const std::string& attr) {
    bool is_private = attr.size() > 2 && attr.compare(0, 2, "__") == 0 &&
                      !(attr.size() >= 4 && attr.compare(attr.size() - 2, 2, "__") == 0);
    if (!is_private || attr.find('.') != std::string::npos) return attr;
    size_t start = class_name.find_first_not_of('_');
    if (start == std::string::npos) return attr;
    std::string mangled(1, '_');
    mangled.append(class_name, start, std::string::npos);
    mangled.append(attr);
    return mangled;
}

ClassBuilder::ClassBuilder(const char* name, PyObject* base, std::string doc, const char* qualname)
    : name_(name), qualname_(qualname ? qualname : name) {
    bases_ = base ? own(PyTuple_Pack(1, base)) : own(PyTuple_New(0));
    ns_ = own(PyDict_New());
    check(PyDict_SetItemString(ns_.get(), "__module__", py_str(kModuleName).get()));
    check(PyDict_SetItemString(ns_.get(), "__qualname__", py_str(qualname_).get()));
    check(PyDict_SetItemString(ns_.get(), "__doc__", py_str(doc).get()));
}

ClassBuilder::~ClassBuilder() = default;

ClassBuilder& ClassBuilder::method(const Method& m) {
    Ref f = make_function(m, qualname_ + "." + m.name);
    functions_.push_back(f.copy());
    Ref wrapped;
    switch (m.kind) {
        case MethodKind::Instance: wrapped = std::move(f); break;
        case MethodKind::Static:
            wrapped = own(PyObject_CallOneArg(state().builtin_staticmethod.get(), f.get()));
            break;
        case MethodKind::Class:
            wrapped = own(PyObject_CallOneArg(state().builtin_classmethod.get(), f.get()));
            break;
    }
    return attr(m.name, std::move(wrapped));
}

ClassBuilder& ClassBuilder::attr(const char* name, Ref value) {
    std::string key = mangle(name_, name);
    check(PyDict_SetItemString(ns_.get(), key.c_str(), value.get()));
    return *this;
}

ClassBuilder& ClassBuilder::annotation(const char* name, const char* text) {
    if (!annotations_) {
        annotations_ = own(PyDict_New());
        check(PyDict_SetItemString(ns_.get(), "__annotations__", annotations_.get()));
    }
    check(PyDict_SetItemString(annotations_.get(), name, py_str(text).get()));
    return *this;
}

Ref ClassBuilder::finish(bool nested) {
    Ref name = py_str(name_);
    Ref cls = own(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject*>(&PyType_Type), name.get(),
                                               bases_.get(), ns_.get(), nullptr));
    for (Ref& f : functions_) set_defining_class(f.get(), cls.get());
    functions_.clear();
    if (!nested) check(PyObject_SetAttrString(state().module, name_.c_str(), cls.get()));
    return cls;
}

void call_base_init(const Call& call, PyObject* obj) {
    PyObject* super_type = state().builtin_super.get();
    Ref sup = own(PyObject_CallFunctionObjArgs(super_type, call.defining_class, obj, nullptr));
    Ref init = own(PyObject_GetAttrString(sup.get(), "__init__"));
    Ref r = own(PyObject_CallNoArgs(init.get()));
}

Ref init_calling_base(const Call& call) {
    call_base_init(call, call[arg(kInitParams, "self")]);
    return py_none();
}

}  // namespace tiven
