// The frame of the feature generator shared by every file kind: set-up, the
// walk over record slots, ids, attribute values, style keys, the file held
// open for one iteration and closed on every way out. Plus the line kind.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "core/byte_fields.hpp"
#include "core/generator.hpp"
#include "core/module_state.hpp"
#include "core/recursion_guard.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/attribute_values.hpp"
#include "mapgis/binary_file_binding.hpp"
#include "mapgis/colour_library_search.hpp"
#include "mapgis/feature_generator.hpp"
#include "mapgis/feature_kinds.hpp"
#include "mapgis/object_access.hpp"
#include "mapgis/record_fields.hpp"
#include "mapgis/vector_header.hpp"

namespace tiven::mapgis {

namespace {

const InternedNames& names() { return state().names; }

// item[key] for a dict field description; any mapping works.
Ref field_item(PyObject* field, PyObject* key) {
    if (PyDict_CheckExact(field)) {
        PyObject* v = PyDict_GetItemWithError(field, key);
        if (v) return Ref::borrow(v);
        if (PyErr_Occurred()) throw PythonErrorSet{};
        PyErr_SetObject(PyExc_KeyError, key);
        throw PythonErrorSet{};
    }
    return own(PyObject_GetItem(field, key));
}

// a, b, c = value, with the interpreter's messages.
void unpack_three(PyObject* value, Ref out[3]) {
    Ref it = Ref::steal(PyObject_GetIter(value));
    if (!it) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            PyErr_Format(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(value)->tp_name);
        }
        throw PythonErrorSet{};
    }
    for (int k = 0; k < 3; ++k) {
        out[k] = Ref::steal(PyIter_Next(it.get()));
        if (!out[k]) {
            if (PyErr_Occurred()) throw PythonErrorSet{};
            PyErr_Format(PyExc_ValueError, "not enough values to unpack (expected 3, got %d)", k);
            throw PythonErrorSet{};
        }
    }
    Ref extra = Ref::steal(PyIter_Next(it.get()));
    if (extra) {
        PyErr_SetString(PyExc_ValueError, "too many values to unpack (expected 3)");
        throw PythonErrorSet{};
    }
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

// The attribute decoder for one record: the fields as the object holds them.
class AttributeDecoder {
public:
    AttributeDecoder(PyObject* self, BinaryFile& file) : file_(file) {
        const InternedNames& n = names();
        Ref fs = own(PyObject_GetAttr(self, n.FieldStruct));
        fields_ = field_item(fs.get(), n.fields);
        encoding_ = own(PyObject_GetAttr(self, n.Encoding));
        native_text_ = is_own_method(self, n.bytesToStr, state().own_bytes_to_str.get(), to_str_);
        native_int_ = is_own_method(self, n.bytesInteger, state().own_bytes_integer.get(), to_int_);
        if (native_text_) {
            native_text_ = false;
            if (PyUnicode_CheckExact(encoding_.get())) {
                Py_ssize_t len = 0;
                encoding_utf8_ = PyUnicode_AsUTF8AndSize(encoding_.get(), &len);
                if (!encoding_utf8_) throw PythonErrorSet{};
                native_text_ = std::strlen(encoding_utf8_) == static_cast<size_t>(len);
            }
        }
    }

    // flat: name -> value, as the export writes it; else name -> entry.
    Ref decode(int64_t position, bool flat) {
        const InternedNames& n = names();
        file_.seek(offset_add(position, 1));
        Ref properties = own(PyDict_New());
        Ref it = own(PyObject_GetIter(fields_.get()));
        while (Ref field = Ref::steal(PyIter_Next(it.get()))) {
            Ref name = field_item(field.get(), n.name);
            Ref type = field_item(field.get(), n.type);
            Ref code = field_item(field.get(), n.typeCode);
            Ref size = field_item(field.get(), n.size);
            Ref length = field_item(field.get(), n.length);
            int kind = type_row(code.get());
            Ref decimal, value;
            if (kind == 4 || kind == 5) {
                decimal = field_item(field.get(), n.decimal);
                value = rounded(kind, decimal.get());
            } else {
                value = read_value(kind, size.get());
            }
            if (flat) {
                check(PyObject_SetItem(properties.get(), name.get(), value.get()));
                continue;
            }
            Ref entry = own(PyDict_New());
            check(PyDict_SetItem(entry.get(), n.type, type.get()));
            check(PyDict_SetItem(entry.get(), n.length, length.get()));
            if (decimal) check(PyDict_SetItem(entry.get(), n.decimal, decimal.get()));
            check(PyDict_SetItem(entry.get(), n.value, value.get()));
            check(PyObject_SetItem(properties.get(), name.get(), entry.get()));
        }
        if (PyErr_Occurred()) throw PythonErrorSet{};
        return properties;
    }

private:
    // The row of the type table: typeCode compared with 0..8 in order; 9 for any other.
    static int type_row(PyObject* code) {
        if (PyLong_CheckExact(code)) {
            int overflow = 0;
            long v = PyLong_AsLongAndOverflow(code, &overflow);
            if (!overflow && v >= 0 && v <= 8) return static_cast<int>(v);
            if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
            return 9;
        }
        for (int k = 0; k <= 8; ++k) {
            Ref kk = py_int(k);
            if (check(PyObject_RichCompareBool(code, kk.get(), Py_EQ))) return k;
        }
        return 9;
    }

    // Exactly `width` bytes, or the struct error for that width.
    void read_exact(uint8_t* out, size_t width) {
        if (file_.read_into(out, width) != width) fail_struct_size(width);
    }

    Ref text(PyObject* size_obj) {
        // A negative (or missing) size reads nothing: never the rest of the file.
        int64_t size = size_obj == Py_None ? -1 : read_size(size_obj);
        std::vector<uint8_t> raw = size > 0 ? file_.read(size) : std::vector<uint8_t>{};
        // A value cut off by the end of the file is an error, not a shorter text.
        if (size > 0 && static_cast<int64_t>(raw.size()) < size) fail_struct_size(static_cast<size_t>(size));
        if (native_text_)
            return fixed_field_text(reinterpret_cast<const char*>(raw.data()), raw.size(), encoding_utf8_);
        Ref b = py_bytes(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
        return own(PyObject_CallFunctionObjArgs(to_str_.get(), b.get(), encoding_.get(), nullptr));
    }

    static int64_t read_size(PyObject* size) {
        if (!PyLong_Check(size)) {
            PyErr_Format(PyExc_TypeError, "argument should be integer or None, not '%.200s'", Py_TYPE(size)->tp_name);
            throw PythonErrorSet{};
        }
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(size, &overflow);
        if (v == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (overflow) return overflow > 0 ? std::numeric_limits<int64_t>::max() : -1;
        return v;
    }

    Ref one_byte() {
        // A missing byte is an error, as for every other fixed-width value.
        uint8_t b = 0;
        if (file_.read_into(&b, 1) != 1) fail_struct_size(1);
        if (native_int_) return py_int(b);
        Ref raw = py_bytes(std::string_view(reinterpret_cast<const char*>(&b), 1));
        return own(PyObject_CallOneArg(to_int_.get(), raw.get()));
    }

    Ref read_value(int kind, PyObject* size) {
        uint8_t buf[10];
        switch (kind) {
            case 1: return one_byte();
            case 8: {
                Ref v = one_byte();
                Ref zero = py_int(0);
                return own(PyObject_RichCompare(v.get(), zero.get(), Py_NE));
            }
            case 2: {
                read_exact(buf, 2);
                int16_t v;
                std::memcpy(&v, buf, 2);
                return py_int(v);
            }
            case 3: {
                read_exact(buf, 4);
                int32_t v;
                std::memcpy(&v, buf, 4);
                return py_int(v);
            }
            case 6: {
                read_exact(buf, 4);
                uint16_t y;
                std::memcpy(&y, buf, 2);
                return py_str(format_date(y, buf[2], buf[3]));
            }
            case 7: {
                read_exact(buf, 10);
                double s;
                std::memcpy(&s, buf + 2, 8);
                return py_str(format_time(buf[0], buf[1], s));
            }
            default: return text(size);
        }
    }

    // float('{:.<decimal>f}'.format(stored)) for float (4) and double (5) fields.
    Ref rounded(int kind, PyObject* decimal) {
        uint8_t buf[8];
        double x;
        if (kind == 4) {
            read_exact(buf, 4);
            float f;
            std::memcpy(&f, buf, 4);
            x = f;
        } else {
            read_exact(buf, 8);
            std::memcpy(&x, buf, 8);
        }
        if (PyLong_CheckExact(decimal)) {
            long d = PyLong_AsLong(decimal);
            if (!(d == -1 && PyErr_Occurred()) && d >= 0 && d <= 1000) return py_float(round_through_text(x, static_cast<int>(d)));
            PyErr_Clear();
        }
        // Anything else: the interpreter builds and applies the format itself.
        Ref digits = str_within_stack(decimal);
        Ref pattern = own(PyUnicode_FromFormat("{:.%Uf}", digits.get()));
        Ref number = py_float(x);
        Ref text = own(PyObject_CallMethod(pattern.get(), "format", "O", number.get()));
        return own(PyFloat_FromString(text.get()));
    }

    BinaryFile& file_;
    Ref fields_, encoding_, to_str_, to_int_;
    const char* encoding_utf8_ = nullptr;
    bool native_text_ = false, native_int_ = false;
};

}  // namespace

// ---- shared helpers ----------------------------------------------------------

namespace {
// `Start` of entry n of self._featureDataHeads.
int64_t data_section_start(PyObject* self, Py_ssize_t n) {
    Ref heads = own(PyObject_GetAttr(self, names().featureDataHeads));
    Ref index = py_int(n);
    Ref entry = own(PyObject_GetItem(heads.get(), index.get()));
    Ref parts[3];
    unpack_three(entry.get(), parts);
    return as_int64(parts[0].get());
}
}  // namespace

int64_t FeatureContext::section_start(Py_ssize_t n) const { return data_section_start(self_, n); }

Ref FeatureContext::properties(int64_t index, bool flat) const {
    AttributeDecoder decoder(self_, file_);
    return decoder.decode(offset_add(field_offset_, offset_mul(index, fields_length_)), flat);
}

Ref FeatureContext::time_stamp() const { return own(PyObject_GetAttr(self_, names().TimeStamp)); }

Ref FeatureContext::hex(int64_t number, bool white_default) const {
    if (!colours_.contains(number)) return Ref::borrow(white_default ? names().white : names().black);
    char out[7];
    colours_.hex_into(number, out);
    return own(PyUnicode_FromStringAndSize(out, 7));
}

Ref FeatureContext::text(const uint8_t* data, size_t size) const {
    Ref encoding = own(PyObject_GetAttr(self_, names().Encoding));
    return decode_text(self_, std::string_view(reinterpret_cast<const char*>(data), size), encoding.get());
}

void FeatureContext::set_style_items(const char* const* items, size_t count) const {
    Ref list = own(PyList_New(static_cast<Py_ssize_t>(count)));
    for (size_t k = 0; k < count; ++k) PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), py_str(items[k]).release());
    check(PyObject_SetAttr(self_, names().StyleItems, list.get()));
}

Ref FeatureContext::coordinates(int64_t position, int64_t count) const {
    return vertex_list(read_vertices(file_, position, count));
}

Ref vertex_list(const Ring& ring) {
    Ref list = own(PyList_New(static_cast<Py_ssize_t>(ring.size())));
    for (size_t k = 0; k < ring.size(); ++k) {
        PyObject* pair = PyList_New(2);
        if (!pair) throw PythonErrorSet{};
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), pair);
        PyObject* x = PyFloat_FromDouble(ring[k].x);
        if (!x) throw PythonErrorSet{};
        PyList_SET_ITEM(pair, 0, x);
        PyObject* y = PyFloat_FromDouble(ring[k].y);
        if (!y) throw PythonErrorSet{};
        PyList_SET_ITEM(pair, 1, y);
    }
    return list;
}

StyleBuilder::StyleBuilder(const FeatureContext& ctx)
    : items_(own(PyObject_GetAttr(ctx.self(), names().StyleItems))), dict_(own(PyDict_New())) {}

void StyleBuilder::set(Py_ssize_t position, Ref value) {
    Ref key;
    if (PyList_CheckExact(items_.get()) && position < PyList_GET_SIZE(items_.get())) {
        key = Ref::borrow(PyList_GET_ITEM(items_.get(), position));
    } else {
        Ref index = own(PyLong_FromSsize_t(position));
        key = own(PyObject_GetItem(items_.get(), index.get()));
    }
    check(PyDict_SetItem(dict_.get(), key.get(), value.get()));
}

// ---- line kind ---------------------------------------------------------------

namespace {
const char* const kLineStyleNames[] = {"lineNo", "subLineNo", "lineType", "width", "color",
                                        "subColor", "xScale", "yScale", "layer", "transparent"};
}

void start_line_kind(const FeatureContext& ctx) {
    ctx.set_style_items(kLineStyleNames, std::size(kLineStyleNames));
}

bool read_line_parts(const FeatureContext& ctx, int64_t index, LineFeatureParts& out, bool flat) {
    const int64_t start0 = ctx.section_start(0);
    const LineRecord line = read_line_record(ctx.file(), offset_add(start0, offset_mul(index + 1, kLineRecordSize)));
    if (line.flag != 1) return false;  // deleted record: no feature, no id

    out.properties = ctx.properties(index, flat);
    const int64_t start1 = ctx.section_start(1);
    out.coordinates = read_vertices(ctx.file(), offset_add(start1, line.start), line.vertices);
    StyleBuilder style(ctx);
    style.set(0, py_int(line.line_no));
    style.set(1, py_int(line.sub_line_no));
    style.set(2, py_int(line.line_type));
    style.set(3, py_float(line.width));
    style.set(4, ctx.hex(line.color, false));
    style.set(5, ctx.hex(line.sub_color, true));
    style.set(6, py_float(line.x_scale));
    style.set(7, py_float(line.y_scale));
    style.set(8, py_int(line.layer));
    style.set(9, py_int(line.transparent));
    out.style = style.take();
    out.time_stamp = ctx.time_stamp();
    return true;
}

Ref read_line_feature(const FeatureContext& ctx, int64_t index, long long id) {
    LineFeatureParts parts;
    if (!read_line_parts(ctx, index, parts, false)) return Ref();
    const InternedNames& k = names();
    Ref geometry = own(PyDict_New());
    check(PyDict_SetItem(geometry.get(), k.type, k.LineString));
    check(PyDict_SetItem(geometry.get(), k.coordinates, vertex_list(parts.coordinates).get()));
    Ref feature = own(PyDict_New());
    check(PyDict_SetItem(feature.get(), k.type, k.Feature));
    check(PyDict_SetItem(feature.get(), k.id, py_int(id).get()));
    check(PyDict_SetItem(feature.get(), k.geometry, geometry.get()));
    check(PyDict_SetItem(feature.get(), k.style, parts.style.get()));
    check(PyDict_SetItem(feature.get(), k.properties, parts.properties.get()));
    check(PyDict_SetItem(feature.get(), k.timeStamp, parts.time_stamp.get()));
    return feature;
}

// ---- the generator -------------------------------------------------------------

FeatureWalk::FeatureWalk(PyObject* self) : self_(Ref::borrow(self)) {}
FeatureWalk::~FeatureWalk() = default;

bool FeatureWalk::advance(Ref* feature, LineFeatureParts* parts, long long* id) {
    try {
        return step(feature, parts, id);
    } catch (const Error& e) {
        // A bad seek position: the OSError a file object raises, errno and all.
        if (e.kind() != ErrorKind::OSError) throw;
        raise_reader_os_error(e);
    }
}

bool FeatureWalk::step(Ref* feature, LineFeatureParts* parts, long long* id) {
    if (!started_) {
        started_ = true;
        if (!set_up()) {
            done_ = true;
            return false;
        }
    }
    if (done_) return false;
    while (index_ < limit_) {
        int64_t i = index_++;
        bool found;
        if (kind_ == 0 && parts) {
            found = read_line_parts(*ctx_, i, *parts, true);
        } else {
            switch (kind_) {
                case 0: *feature = read_line_feature(*ctx_, i, valid_id_); break;
                case 1: *feature = read_point_feature(*ctx_, i, valid_id_); break;
                default: *feature = read_polygon_feature(*ctx_, i, valid_id_); break;
            }
            found = static_cast<bool>(*feature);
        }
        if (found) {
            *id = valid_id_++;
            return true;
        }
    }
    finish();
    return false;
}

void FeatureWalk::finish() noexcept {
    file_.close();
    done_ = true;
}

bool FeatureWalk::set_up() {
    PyObject* self = self_.get();
    Ref file_name = get_attr(self, "FileName");
    if (file_name.get() == Py_None) return false;
    Ref feature_count = get_attr(self, "FeatureCount");
    if (feature_count.get() == Py_None) return false;
    Ref zero = py_int(0);
    if (!check(PyObject_RichCompareBool(feature_count.get(), zero.get(), Py_GT))) return false;

    Ref parameters = get_attr(self, "Parameters");
    Ref type_code = get_item(parameters.get(), "fileTypeCode");
    Ref field_struct = get_attr(self, "FieldStruct");
    Ref fields_length = get_item(field_struct.get(), "fieldLength");
    Ref field_size = get_item(field_struct.get(), "fieldSize");
    Ref two = py_int(2);
    bool polygon = check(PyObject_RichCompareBool(type_code.get(), two.get(), Py_EQ));
    int64_t data_start = data_section_start(self, polygon ? 9 : 2);
    int64_t field_offset = offset_add(offset_add(data_start, as_int64(field_size.get())),
                                       as_int64(fields_length.get()));
    Ref lib_name = get_attr(self, "PcolorLibFile");
    Ref resolved;
    bool loaded = false;
    colours_ = colour_library_for(lib_name.get(), &resolved, &loaded);
    Ref limit = get_attr(self, "RecordCount");
    open_binary(file_, file_name.get());
    ctx_ = std::make_unique<FeatureContext>(self, file_, colours_, field_offset, as_int64(fields_length.get()));

    kind_ = -1;
    for (int k = 0; k <= 2; ++k) {
        Ref kk = py_int(k);
        if (check(PyObject_RichCompareBool(type_code.get(), kk.get(), Py_EQ))) {
            kind_ = k;
            break;
        }
    }
    if (kind_ < 0) {
        file_.close();
        return false;
    }
    switch (kind_) {
        case 0: start_line_kind(*ctx_); break;
        case 1: start_point_kind(*ctx_); break;
        default: start_polygon_kind(*ctx_); break;
    }
    // range(RecordCount): a count beyond 64 bits walks until the records run
    // out (the struct error past the end), a negative one walks nothing.
    Ref count = own(PyNumber_Index(limit.get()));
    int overflow = 0;
    long long n = PyLong_AsLongLongAndOverflow(count.get(), &overflow);
    if (n == -1 && PyErr_Occurred()) throw PythonErrorSet{};
    limit_ = overflow > 0 ? std::numeric_limits<int64_t>::max() : overflow < 0 ? 0 : n;
    return true;
}

namespace {

class FeatureGenerator : public GeneratorBody {
public:
    explicit FeatureGenerator(PyObject* self) : walk_(self) {}

    Ref next() override {
        Ref feature;
        long long id = 0;
        if (!walk_.advance(&feature, nullptr, &id)) return Ref();
        return feature;
    }

    void close() noexcept override { walk_.finish(); }
    int traverse(visitproc visit, void* arg) override { return walk_.traverse(visit, arg); }

private:
    FeatureWalk walk_;
};

}  // namespace

Ref make_feature_generator(PyObject* self) {
    return make_generator(std::make_unique<FeatureGenerator>(self), "getFeature", "MapGisFile.getFeature");
}

}  // namespace tiven::mapgis
