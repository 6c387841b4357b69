#include "mapgis/geojson_export.hpp"

#include <cerrno>
#include <memory>
#include <string>

#include "core/json_encoder.hpp"
#include "core/json_text.hpp"
#include "core/recursion_guard.hpp"
#include "core/boundary.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "core/platform_file.hpp"
#include "mapgis/feature_generator.hpp"
#include "mapgis/object_access.hpp"
#include "mapgis/output_file.hpp"
#include "core/messenger.hpp"

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
    PyObject* properties_key = state().names.properties;
    PyObject* value_key = state().names.value;
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
    const InternedNames& n = state().names;
    Ref payload = own(PyDict_New());
    check(PyDict_SetItem(payload.get(), n.index, py_int(index).get()));
    Ref count = own(PyObject_GetAttr(self, n.FeatureCount));
    check(PyDict_SetItem(payload.get(), n.count, count.get()));
    Ref publish;
    if (is_own_method(self, n.publish, state().own_publish.get(), publish)) {
        publish_message(self, n.progress, payload.get());
        return;
    }
    PyObject* args[2] = {n.progress, payload.get()};
    Ref r = own(PyObject_Vectorcall(publish.get(), args, 2, nullptr));
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

// The features in the order self.getFeature() gives them. The class's own
// walk hands line features over as their parts, which go straight to text
// without the dictionaries; an override is iterated as it stands.
class FeatureSource {
public:
    explicit FeatureSource(PyObject* self) {
        Ref get_feature;
        if (is_own_method(self, state().names.getFeature, state().own_get_feature.get(), get_feature)) {
            walk_ = std::make_unique<FeatureWalk>(self);
        } else {
            Ref features = own(PyObject_CallNoArgs(get_feature.get()));
            iterator_ = own(PyObject_GetIter(features.get()));
        }
    }

    // The next feature: a dictionary in `feature`, else line parts and id.
    bool next() {
        feature.reset();
        if (walk_) return walk_->advance(&feature, &parts, &id);
        feature = Ref::steal(PyIter_Next(iterator_.get()));
        if (!feature && PyErr_Occurred()) throw PythonErrorSet{};
        return static_cast<bool>(feature);
    }

    Ref feature;
    LineFeatureParts parts;
    long long id = 0;

private:
    std::unique_ptr<FeatureWalk> walk_;
    Ref iterator_;
};

// One feature's text, after a comma unless it is the first. The comma goes
// out with the feature's text only: a feature that fails to flatten or encode
// leaves the buffer as it was, so the partial file stays valid JSON.
void append_feature(std::string& buf, bool first, const FeatureSource& source) {
    const size_t mark = buf.size();
    if (!first) buf += ',';
    try {
        if (source.feature) {
            flatten_properties(source.feature.get());
            encode_json(buf, source.feature.get());
        } else {
            append_line_feature(buf, source.id, source.parts);
        }
    } catch (...) {
        buf.resize(mark);
        throw;
    }
}

void write_features(PyObject* self, OutputFile& out) {
    FeatureSource source(self);
    for (long long index = 0; source.next(); ++index) {
        publish_progress(self, index);
        append_feature(out.buffer(), index == 0, source);
        flush_if_full(out);
    }
}

// The head of the collection: getCapabilities() as the object has it, run
// natively unless overridden.
Ref capabilities_of(PyObject* self) {
    Ref found;
    if (is_own_method(self, state().names.getCapabilities, state().own_get_capabilities.get(), found))
        return file_capabilities(self);
    return own(PyObject_CallNoArgs(found.get()));
}

void write_head(PyObject* self, OutputFile& out) {
    std::string& buf = out.buffer();
    buf += '{';
    Ref caps = capabilities_of(self);
    std::string text;
    encode_json(text, caps.get());
    append_head_members(buf, text);
    buf += ",\"features\":[";
    // The head reaches the file before the first feature is read.
    if (int err = out.flush()) raise_os_error(err, nullptr);
}

// Closes the target on every way out of the export; once the head is out,
// the closing text goes to the file however the features end. An error
// leaving the export is the one reported: a close failing after it is not.
class ClosingTarget {
public:
    explicit ClosingTarget(OutputFile& out) : out_(out) {}
    ~ClosingTarget() {
        if (!out_.is_open()) return;
        try {
            out_.buffer() += closing_;
        } catch (...) {
        }
        (void)out_.close();
    }
    ClosingTarget(const ClosingTarget&) = delete;
    ClosingTarget& operator=(const ClosingTarget&) = delete;

    void end_with(const char* text) { closing_ = text; }
    // The normal end: the closing text, then a close whose failure is raised.
    void finish() {
        out_.buffer() += closing_;
        if (int err = out_.close()) raise_os_error(err, nullptr);
    }

private:
    OutputFile& out_;
    const char* closing_ = "";
};

// Opening the target truncates it, so a target that is the file the features
// are read from (by any path or link) would lose the data before it is read.
void refuse_own_source(PyObject* self, const std::string& target) {
    PyObject* file_name_key = state().names.FileName;
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
    if (platform::same_file(std::string(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw))), target))
        fail("Invalid [fileName] parameter. Should not be the source file.");
}

}  // namespace

Ref file_capabilities(PyObject* self) {
    Ref file_type = get_attr(self, "FileType");
    if (file_type.get() == Py_None) return py_none();
    Ref d = own(PyDict_New());
    set_item(d.get(), "type", py_str("FeatureCollection"));
    set_item(d.get(), "fileType", std::move(file_type));
    set_item(d.get(), "timeStamp", get_attr(self, "TimeStamp"));
    Ref file_name = get_attr(self, "FileName");
    Ref base = os_path("basename", file_name.get());
    Ref parts = os_path("splitext", base.get());
    set_item(d.get(), "name", own(PySequence_GetItem(parts.get(), 0)));
    set_item(d.get(), "bbox", get_attr(self, "BBox"));
    Ref crs = own(PyDict_New());
    set_item(crs.get(), "type", py_str("name"));
    Ref props = own(PyDict_New());
    Ref epsg = get_attr(self, "EPSG");
    Ref empty = py_str("");
    Ref epsg_text = format_within_stack(epsg.get(), empty.get());
    set_item(props.get(), "name", own(PyUnicode_FromFormat("EPSG:%U", epsg_text.get())));
    set_item(props.get(), "parameters", get_attr(self, "Parameters"));
    set_item(props.get(), "crs", py_none());
    set_item(crs.get(), "properties", std::move(props));
    set_item(d.get(), "crs", std::move(crs));
    Ref fs = get_attr(self, "FieldStruct");
    if (fs.get() != Py_None) {
        Ref summary = own(PyDict_New());
        set_item(summary.get(), "fieldCount", get_item(fs.get(), "fieldCount"));
        set_item(summary.get(), "featureCount", get_item(fs.get(), "featureCount"));
        set_item(d.get(), "properties", std::move(summary));
    }
    return d;
}

Ref save_as_geojson(PyObject* self, PyObject* file_name) {
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(file_name, &raw)) throw PythonErrorSet{};
    Ref encoded = Ref::steal(raw);
    const std::string target(PyBytes_AS_STRING(raw), static_cast<size_t>(PyBytes_GET_SIZE(raw)));
    refuse_own_source(self, target);
    OutputFile out;
    if (int err = out.open(target)) raise_os_error(err, file_name);
    ClosingTarget closing(out);
    write_head(self, out);
    closing.end_with("]}");
    write_features(self, out);
    closing.finish();
    return py_none();
}

}  // namespace tiven::mapgis
