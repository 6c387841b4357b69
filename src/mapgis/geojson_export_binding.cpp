#include "mapgis/geojson_export.hpp"

#include <cerrno>
#include <string>

#include "core/json_encoder.hpp"
#include "core/json_text.hpp"
#include "core/boundary.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/feature_generator.hpp"
#include "mapgis/geojson_writer.hpp"
#include "mapgis/py_helpers.hpp"

namespace tiven::mapgis {

namespace {

// Text is handed to the disk once this much is pending (between features only,
// so a feature that fails to encode never reaches the file).
constexpr size_t kFlushAt = 1 << 20;

// json.dumps(value, ensure_ascii=False): whatever the native walk does not
// take goes to json.dumps itself, so errors are the interpreter's own.
constexpr JsonOptions kJson{.indent = -1, .defer_to_interpreter = true};

void encode_json(std::string& out, PyObject* value) { tiven::encode_json(out, value, kJson); }

[[noreturn]] void raise_os_error(int err, PyObject* file_name) {
    errno = err;
    if (file_name) PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, file_name);
    else PyErr_SetFromErrno(PyExc_OSError);
    throw PythonErrorSet{};
}

// Closes the target after a failure: the close's own error, if any, goes out
// in place of the pending one (with the pending one as its context).
void close_after_failure(OutputFile& out) {
    PyObject* pending = PyErr_GetRaisedException();
    int err = out.close();
    if (err) {
        errno = err;
        PyErr_SetFromErrno(PyExc_OSError);
        PyObject* replacing = PyErr_GetRaisedException();
        if (pending) PyException_SetContext(replacing, pending);
        PyErr_SetRaisedException(replacing);
        return;
    }
    PyErr_SetRaisedException(pending);
}

// The members of the capabilities' JSON text: group 1 of
// "[\s]*{([\s\S]+)}[\s]*" searched in multi-line mode.
void append_head_members(std::string& out, const std::string& text) {
    if (text.size() >= 3 && text.front() == '{' && text.back() == '}') {
        out.append(text, 1, text.size() - 2);
        return;
    }
    Ref str = own(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
    Ref pattern = py_str("[\\s]*{([\\s\\S]+)}[\\s]*");
    Ref multiline = get_attr(state().re.get(), "M");
    Ref match = own(PyObject_CallMethod(state().re.get(), "search", "OOO", pattern.get(), str.get(), multiline.get()));
    Ref group = own(PyObject_CallMethod(match.get(), "group", "i", 1));
    if (!PyUnicode_Check(group.get())) {
        PyErr_Format(PyExc_TypeError, "write() argument must be str, not %.100s", Py_TYPE(group.get())->tp_name);
        throw PythonErrorSet{};
    }
    append_utf8(out, group.get());
}

// feature["properties"] = {name: entry["value"], ...}, in the same order.
void flatten_properties(PyObject* feature) {
    static PyObject* properties_key = interned("properties");
    static PyObject* value_key = interned("value");
    Ref props = own(PyObject_GetItem(feature, properties_key));
    Ref flat = own(PyDict_New());
    if (PyDict_CheckExact(props.get())) {
        Py_ssize_t pos = 0;
        PyObject *name, *entry;
        while (PyDict_Next(props.get(), &pos, &name, &entry)) {
            Ref keep_name = Ref::borrow(name);
            Ref value = own(PyObject_GetItem(entry, value_key));
            check(PyDict_SetItem(flat.get(), keep_name.get(), value.get()));
        }
    } else {
        Ref keys = own(PyObject_CallMethod(props.get(), "keys", nullptr));
        Ref entries = own(PyObject_CallMethod(props.get(), "values", nullptr));
        Ref values = own(PyList_New(0));
        Ref it = own(PyObject_GetIter(entries.get()));
        while (Ref entry = Ref::steal(PyIter_Next(it.get()))) {
            Ref value = own(PyObject_GetItem(entry.get(), value_key));
            check(PyList_Append(values.get(), value.get()));
        }
        if (PyErr_Occurred()) throw PythonErrorSet{};
        Ref kit = own(PyObject_GetIter(keys.get()));
        Py_ssize_t n = 0;
        while (Ref key = Ref::steal(PyIter_Next(kit.get()))) {
            if (n >= PyList_GET_SIZE(values.get())) break;
            check(PyDict_SetItem(flat.get(), key.get(), PyList_GET_ITEM(values.get(), n)));
            ++n;
        }
        if (PyErr_Occurred()) throw PythonErrorSet{};
    }
    check(PyObject_SetItem(feature, properties_key, flat.get()));
}

// Publishes "progress" for the feature about to be written.
void publish_progress(PyObject* self, long long index) {
    static PyObject* progress = interned("progress");
    static PyObject* index_key = interned("index");
    static PyObject* count_key = interned("count");
    static PyObject* feature_count = interned("FeatureCount");
    static PyObject* publish = interned("publish");
    Ref payload = own(PyDict_New());
    check(PyDict_SetItem(payload.get(), index_key, py_int(index).get()));
    Ref count = own(PyObject_GetAttr(self, feature_count));
    check(PyDict_SetItem(payload.get(), count_key, count.get()));
    PyObject* args[3] = {self, progress, payload.get()};
    Ref r = own(PyObject_VectorcallMethod(publish, args, 3, nullptr));
}

// The JSON text of a line feature from its parts: what json.dumps gives for
// the dictionary the generator would have yielded, properties flattened.
void append_line_feature(std::string& buf, long long id, const LineFeatureParts& parts) {
    buf += "{\"type\": \"Feature\", \"id\": ";
    append_json_int(buf, id);
    buf += ", \"geometry\": {\"type\": \"LineString\", \"coordinates\": [";
    bool first = true;
    for (const Vertex& v : parts.coordinates) {
        buf += first ? "[" : ", [";
        first = false;
        append_json_float(buf, v.x);
        buf += ", ";
        append_json_float(buf, v.y);
        buf += ']';
    }
    buf += "]}, \"style\": ";
    encode_json(buf, parts.style.get());
    buf += ", \"properties\": ";
    encode_json(buf, parts.properties.get());
    buf += ", \"timeStamp\": ";
    encode_json(buf, parts.time_stamp.get());
    buf += '}';
}

void flush_if_full(OutputFile& out) {
    if (out.buffer().size() >= kFlushAt) {
        if (int err = out.flush()) raise_os_error(err, nullptr);
    }
}

// The class's own feature walk: line features go from their parts straight
// to text, without the dictionaries; other kinds as dictionaries.
void write_own_features(PyObject* self, OutputFile& out) {
    std::string& buf = out.buffer();
    FeatureWalk walk(self);
    LineFeatureParts parts;
    Ref feature;
    long long id = 0, pointer = 0;
    while (walk.advance(&feature, &parts, &id)) {
        publish_progress(self, pointer);
        ++pointer;
        size_t mark = buf.size();
        if (pointer > 1) buf += ',';
        try {
            if (feature) {
                flatten_properties(feature.get());
                encode_json(buf, feature.get());
            } else {
                append_line_feature(buf, id, parts);
            }
        } catch (...) {
            buf.resize(mark);
            throw;
        }
        feature.reset();
        flush_if_full(out);
    }
}

void write_features(PyObject* self, OutputFile& out) {
    std::string& buf = out.buffer();
    Ref get_feature = get_attr(self, "getFeature");
    if (is_own_get_feature(get_feature.get(), self)) {
        write_own_features(self, out);
        return;
    }
    Ref features = own(PyObject_CallNoArgs(get_feature.get()));
    Ref it = own(PyObject_GetIter(features.get()));
    long long pointer = 0;
    while (Ref feature = Ref::steal(PyIter_Next(it.get()))) {
        publish_progress(self, pointer);
        ++pointer;
        // The comma goes out with the feature's text only: a feature that
        // fails to flatten or encode leaves the partial file valid JSON.
        size_t mark = buf.size();
        if (pointer > 1) buf += ',';
        try {
            flatten_properties(feature.get());
            encode_json(buf, feature.get());
        } catch (...) {
            buf.resize(mark);
            throw;
        }
        flush_if_full(out);
    }
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

// Opening the target truncates it, so a target that is the file the features
// are read from (by any path or link) would lose the data before it is read.
void refuse_own_source(PyObject* self, const std::string& target) {
    static PyObject* file_name_key = interned("FileName");
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttr(self, file_name_key, &found) < 0) throw PythonErrorSet{};
    Ref source = Ref::steal(found);
    if (!source || source.get() == Py_None) return;
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(source.get(), &raw)) {
        // Not a path: the feature walk reports it as it always has.
        PyErr_Clear();
        return;
    }
    Ref encoded = Ref::steal(raw);
    if (same_file(std::string(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw))), target))
        fail("Invalid [fileName] parameter. Should not be the source file.");
}

}  // namespace

Ref save_as_geojson(PyObject* self, PyObject* file_name) {
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(file_name, &raw)) throw PythonErrorSet{};
    Ref encoded = Ref::steal(raw);
    const std::string target(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw)));
    refuse_own_source(self, target);
    OutputFile out;
    if (int err = out.open(target)) raise_os_error(err, file_name);
    std::string& buf = out.buffer();

    try {
        buf += '{';
        Ref caps = call_method(self, "getCapabilities");
        std::string text;
        encode_json(text, caps.get());
        append_head_members(buf, text);
        buf += ',';
        buf += "\"features\":";
        buf += '[';
        // The head reaches the file before the first feature is read.
        if (int err = out.flush()) raise_os_error(err, nullptr);
    } catch (...) {
        set_python_error_from_current_exception();
        close_after_failure(out);
        throw PythonErrorSet{};
    }

    try {
        write_features(self, out);
    } catch (...) {
        // The closing text is written however the features end.
        set_python_error_from_current_exception();
        buf += ']';
        buf += '}';
        close_after_failure(out);
        throw PythonErrorSet{};
    }
    buf += ']';
    buf += '}';
    if (int err = out.close()) raise_os_error(err, nullptr);
    return py_none();
}

}  // namespace tiven::mapgis
