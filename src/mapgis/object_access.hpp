// Access to the Python objects the MapGIS bindings read and build:
// attributes, items, integers, os.path, the object's own byte decoders, and
// the reader classes themselves.
#pragma once
#include <Python.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/method.hpp"
#include "core/pyref.hpp"

namespace tiven::mapgis {

Ref get_attr(PyObject* obj, const char* name);
void set_attr(PyObject* obj, const char* name, Ref value);
Ref get_item(PyObject* obj, const char* key);
void set_item(PyObject* dict, const char* key, Ref value);
Ref py_bytes(std::string_view data);

// A new dict filled key by key, in order: DictBuilder().set("a", ...).take().
class DictBuilder {
public:
    DictBuilder() : d_(own(PyDict_New())) {}
    DictBuilder& set(const char* key, Ref value) {
        set_item(d_.get(), key, std::move(value));
        return *this;
    }
    Ref take() { return std::move(d_); }

private:
    Ref d_;
};

// The value as a 64-bit offset or count: an int (or an object with
// __index__), OverflowError beyond 64 bits.
int64_t as_int64(PyObject* value);

// self.bytesToStr(data, encoding) / self.bytesInteger(data), looked up on the object.
Ref decode_text(PyObject* self, std::string_view data, PyObject* encoding);
Ref decode_integer(PyObject* self, std::string_view data);

// A reader class of the module: derived from `base`, the struct-format texts
// of the records it reads as its private class attributes, then its methods,
// in the order given. Returns the class, bound as a module attribute.
struct RecordLayoutAttr {
    const char* name;
    const char* format;
};
Ref make_reader_class(const char* name, PyObject* base, const char* doc,
                      std::initializer_list<RecordLayoutAttr> layouts, std::initializer_list<const Method*> methods);

// The module's os.path.<fn>(arg).
Ref os_path(const char* fn, PyObject* arg);

}  // namespace tiven::mapgis
