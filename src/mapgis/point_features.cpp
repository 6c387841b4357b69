// Point branch of the feature generator: one Point feature per valid record,
// with the style of its subtype.
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"
#include "mapgis/feature_kinds.hpp"
#include "mapgis/point_records.hpp"

namespace tiven::mapgis {

void start_point_kind(const FeatureContext& ctx) {
    ctx.set_style_items(kPointStyleNames, point_style::count);
}

namespace {

Ref style_value(const FeatureContext& ctx, const StyleEntry& e, const PointStyle& st) {
    switch (e.kind) {
        case StyleEntry::Kind::Int: return py_int(e.i);
        case StyleEntry::Kind::Real: return py_float(e.d);
        case StyleEntry::Kind::Colour: return ctx.hex(e.i, false);
        case StyleEntry::Kind::Text: return ctx.text(st.text.data(), st.text.size());
    }
    return py_none();
}

}  // namespace

Ref read_point_feature(const FeatureContext& ctx, int64_t index, long long id) {
    const InternedNames& k = state().names;
    PointRecordReader reader(ctx.file(), ctx.section_start(0));
    const PointHead head = reader.read_head(index);
    if (head.flag != 1) return Ref();

    Ref xy = own(PyList_New(2));
    PyList_SET_ITEM(xy.get(), 0, py_float(head.x).release());
    PyList_SET_ITEM(xy.get(), 1, py_float(head.y).release());
    Ref geometry = own(PyDict_New());
    check(PyDict_SetItem(geometry.get(), k.type, k.Point));
    check(PyDict_SetItem(geometry.get(), k.coordinates, xy.get()));

    Ref feature = own(PyDict_New());
    check(PyDict_SetItem(feature.get(), k.type, k.Feature));
    check(PyDict_SetItem(feature.get(), k.subType, py_int(head.point_type).get()));
    check(PyDict_SetItem(feature.get(), k.id, py_int(id).get()));
    check(PyDict_SetItem(feature.get(), k.geometry, geometry.get()));
    check(PyDict_SetItem(feature.get(), k.timeStamp, ctx.time_stamp().get()));

    const PointStyle st = reader.read_style(head, [&ctx] { return ctx.section_start(1); });
    Ref style = py_none();
    if (st.present) {
        StyleBuilder builder(ctx);
        for (const StyleEntry& e : st.entries) builder.set(e.position, style_value(ctx, e, st));
        style = builder.take();
    }
    check(PyDict_SetItem(feature.get(), k.style, style.get()));
    check(PyDict_SetItem(feature.get(), k.properties, ctx.properties(index).get()));
    return feature;
}

}  // namespace tiven::mapgis
