// GeoJSON text as json.dumps(value, ensure_ascii=False, indent=4) writes it.
#include <string>

#include "core/json_encoder.hpp"
#include "core/json_text.hpp"
#include "geometry/geometry_values.hpp"

namespace tiven::geometry {

void append_ascii(std::string& out, const char* s) { out += s; }

void append_str(std::string& out, PyObject* str) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(str);
    if (PyUnicode_IS_ASCII(str)) {
        out.append(static_cast<const char*>(PyUnicode_DATA(str)), static_cast<size_t>(n));
        return;
    }
    int kind = PyUnicode_KIND(str);
    const void* data = PyUnicode_DATA(str);
    for (Py_ssize_t i = 0; i < n; ++i) append_utf8_code_point(out, PyUnicode_READ(kind, data, i));
}

Ref str_of_utf8(const std::string& text) {
    return own(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogatepass"));
}

namespace {
constexpr JsonOptions kGeoJson{.indent = 4, .defer_to_interpreter = false};
}  // namespace

Ref geojson_text(PyObject* value) {
    std::string out;
    encode_json(out, value, kGeoJson);
    return str_of_utf8(out);
}

}  // namespace tiven::geometry
