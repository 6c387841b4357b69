// Polygon branch of the feature generator: rings chained from the arcs of
// each valid polygon record, the fill style of the record.
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/feature_kinds.hpp"
#include "mapgis/polygon_rings.hpp"

namespace tiven::mapgis {

void start_polygon_kind(const FeatureContext& ctx) {
    ctx.set_style_items(kPolygonStyleNames, kPolygonStyleCount);
}

Ref read_polygon_feature(const FeatureContext& ctx, int64_t index, long long id) {
    const InternedNames& k = state().names;
    const PolygonRecord record = read_polygon_record(ctx.file(), ctx.section_start(8), index);
    if (record.flag != 1) return Ref();

    ArcSections sections;
    sections.coords = ctx.section_start(1);
    sections.topology = ctx.section_start(3);
    sections.arcs = ctx.section_start(0);
    const std::vector<Ring> rings = read_polygon_rings(ctx.file(), sections, record);
    if (rings.empty()) return Ref();  // no ring, no feature, no id

    // Vertices are [x, y] pairs, so the geometry is a Polygon whatever the
    // number of rings, also when a ring is empty.
    Ref coordinates = own(PyList_New(static_cast<Py_ssize_t>(rings.size())));
    for (size_t r = 0; r < rings.size(); ++r)
        PyList_SET_ITEM(coordinates.get(), static_cast<Py_ssize_t>(r), vertex_list(rings[r]).release());
    Ref geometry = own(PyDict_New());
    check(PyDict_SetItem(geometry.get(), k.type, k.Polygon));
    check(PyDict_SetItem(geometry.get(), k.coordinates, coordinates.get()));

    Ref properties = ctx.properties(index);

    StyleBuilder builder(ctx);
    builder.set(0, ctx.hex(record.fill_color, true));
    builder.set(1, py_int(record.fill_pattern));
    builder.set(2, py_float(record.pattern_height));
    builder.set(3, py_float(record.pattern_width));
    builder.set(4, py_int(record.line_width));
    builder.set(5, ctx.hex(record.pattern_color, true));
    builder.set(6, py_int(record.layer));
    builder.set(7, py_int(record.transparent));

    Ref feature = own(PyDict_New());
    check(PyDict_SetItem(feature.get(), k.type, k.Feature));
    check(PyDict_SetItem(feature.get(), k.id, py_int(id).get()));
    check(PyDict_SetItem(feature.get(), k.geometry, geometry.get()));
    check(PyDict_SetItem(feature.get(), k.style, builder.take().get()));
    check(PyDict_SetItem(feature.get(), k.properties, properties.get()));
    check(PyDict_SetItem(feature.get(), k.timeStamp, ctx.time_stamp().get()));
    return feature;
}

}  // namespace tiven::mapgis
