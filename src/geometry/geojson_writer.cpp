#include "geometry/geojson_writer.hpp"

#include <string>

#include "core/json_encoder.hpp"
#include "geometry/text_values.hpp"

namespace tiven::geometry {

namespace {
constexpr JsonOptions kGeoJson{.indent = 4, .defer_to_interpreter = false};
}  // namespace

Ref geojson_text(PyObject* value) {
    ScratchText out;
    bool ascii = encode_json(out.text(), value, kGeoJson);
    return str_of_utf8(out.text(), ascii);
}

}  // namespace tiven::geometry
