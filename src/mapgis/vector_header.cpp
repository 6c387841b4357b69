#include "mapgis/vector_header.hpp"

#include <cstdint>
#include <string>

namespace tiven::mapgis {

namespace {

constexpr RecordFormat kHead{kFeatureFileHead};
static_assert(kHead.size() == 336);
constexpr BytesField kIdentification = kHead.bytes(0, 8);
constexpr auto kFileTypeCode = kHead.field<int32_t>(8);
constexpr auto kTableStart = kHead.field<int32_t>(12);
constexpr auto kTableEntries = kHead.field<int32_t>(16);
constexpr auto kCrs = kHead.field<uint8_t>(91);
constexpr auto kUnits = kHead.field<uint8_t>(92);
constexpr auto kProjectionType = kHead.field<uint8_t>(109);
constexpr auto kEllipsoidCode = kHead.field<uint8_t>(110);
constexpr auto kCentralMeridian = kHead.field<double>(151);
constexpr auto kLatitudeOfOrigin = kHead.field<double>(175);
constexpr auto kStandardParallel1 = kHead.field<double>(183);
constexpr auto kStandardParallel2 = kHead.field<double>(191);
constexpr auto kFalseEasting = kHead.field<double>(199);
constexpr auto kFalseNorthing = kHead.field<double>(207);
constexpr auto kEllipsoidElevation = kHead.field<double>(216);
constexpr auto kProjectionElevation = kHead.field<double>(224);
constexpr auto kValid = kHead.field<int32_t>(260);
constexpr auto kTotal = kHead.field<int32_t>(264);
constexpr auto kValidPolygons = kHead.field<int32_t>(276);
constexpr auto kTotalPolygons = kHead.field<int32_t>(280);
constexpr auto kXMin = kHead.field<double>(304);
constexpr auto kYMin = kHead.field<double>(312);
constexpr auto kXMax = kHead.field<double>(320);
constexpr auto kYMax = kHead.field<double>(328);

constexpr RecordFormat kDataHead{kFeatureDataHead};
static_assert(kDataHead.size() == 10);
constexpr auto kSectionStart = kDataHead.field<int32_t>(0);
constexpr auto kSectionCount = kDataHead.field<int32_t>(4);
constexpr auto kSectionEndFlag = kDataHead.field<int16_t>(8);

constexpr RecordFormat kFieldHead{kFeatureFieldHead};
static_assert(kFieldHead.size() == 348);
constexpr auto kFieldSize = kFieldHead.field<int32_t>(12);
constexpr auto kFieldCount = kFieldHead.field<int16_t>(322);
constexpr auto kFieldsLength = kFieldHead.field<int16_t>(328);

constexpr RecordFormat kField{kFeatureField};
static_assert(kField.size() == 39);
constexpr BytesField kFieldName = kField.bytes(0, 20);
constexpr auto kFieldTypeCode = kField.field<uint8_t>(20);
constexpr auto kFieldValueSize = kField.field<int16_t>(25);
constexpr auto kFieldValueLength = kField.field<int16_t>(27);
constexpr auto kFieldDigits = kField.field<uint8_t>(29);

constexpr RecordFormat kLine{kFeaturePolyline};
static_assert(kLine.size() == 57);
constexpr auto kLineFlag = kLine.field<uint8_t>(0);
constexpr auto kLineVertices = kLine.field<int32_t>(10);
constexpr auto kLineStart = kLine.field<int32_t>(14);
constexpr auto kLineNo = kLine.field<int16_t>(22);
constexpr auto kSubLineNo = kLine.field<uint8_t>(24);
constexpr auto kLineTransparent = kLine.field<uint8_t>(25);
constexpr auto kLineColor = kLine.field<int32_t>(26);
constexpr auto kLineWidth = kLine.field<float>(30);
constexpr auto kLineType = kLine.field<uint8_t>(34);
constexpr auto kXScale = kLine.field<float>(35);
constexpr auto kYScale = kLine.field<float>(39);
constexpr auto kSubColor = kLine.field<int32_t>(43);
constexpr auto kLineLayer = kLine.field<int32_t>(47);

}  // namespace

FileHead read_file_head(BinaryFile& file) {
    const auto r = read_record<kHead.size()>(file);
    const uint8_t* p = r.data();
    FileHead h;
    h.identification = kIdentification.copy(p);
    h.file_type_code = kFileTypeCode.read(p);
    h.start = kTableStart.read(p);
    h.heads = kTableEntries.read(p);
    h.crs = kCrs.read(p);
    h.units = kUnits.read(p);
    h.projection_type = kProjectionType.read(p);
    h.ellipsoid_code = kEllipsoidCode.read(p);
    h.central_meridian = kCentralMeridian.read(p);
    h.latitude_of_origin = kLatitudeOfOrigin.read(p);
    h.standard_parallel_1 = kStandardParallel1.read(p);
    h.standard_parallel_2 = kStandardParallel2.read(p);
    h.false_easting = kFalseEasting.read(p);
    h.false_northing = kFalseNorthing.read(p);
    h.ellipsoid_elevation = kEllipsoidElevation.read(p);
    h.projection_elevation = kProjectionElevation.read(p);
    h.valid = kValid.read(p);
    h.total = kTotal.read(p);
    h.valid_polygons = kValidPolygons.read(p);
    h.total_polygons = kTotalPolygons.read(p);
    h.x_min = kXMin.read(p);
    h.y_min = kYMin.read(p);
    h.x_max = kXMax.read(p);
    h.y_max = kYMax.read(p);
    return h;
}

DataHead read_data_head(BinaryFile& file) {
    const auto r = read_record<kDataHead.size()>(file);
    return {kSectionStart.read(r.data()), kSectionCount.read(r.data()), kSectionEndFlag.read(r.data())};
}

FieldHead read_field_head(BinaryFile& file) {
    const auto r = read_record<kFieldHead.size()>(file);
    return {kFieldSize.read(r.data()), kFieldCount.read(r.data()), kFieldsLength.read(r.data())};
}

FieldDescription read_field(BinaryFile& file) {
    const auto r = read_record<kField.size()>(file);
    const uint8_t* p = r.data();
    return {kFieldName.copy(p), kFieldTypeCode.read(p), kFieldValueSize.read(p), kFieldValueLength.read(p),
            kFieldDigits.read(p)};
}

LineRecord read_line_record(BinaryFile& file, int64_t position) {
    file.seek(position);
    const auto r = read_record<kLine.size()>(file);
    const uint8_t* p = r.data();
    LineRecord l;
    l.flag = kLineFlag.read(p);
    l.vertices = kLineVertices.read(p);
    l.start = kLineStart.read(p);
    l.line_no = kLineNo.read(p);
    l.sub_line_no = kSubLineNo.read(p);
    l.transparent = kLineTransparent.read(p);
    l.color = kLineColor.read(p);
    l.width = kLineWidth.read(p);
    l.line_type = kLineType.read(p);
    l.x_scale = kXScale.read(p);
    l.y_scale = kYScale.read(p);
    l.sub_color = kSubColor.read(p);
    l.layer = kLineLayer.read(p);
    return l;
}

const char* field_type_text(int type_code) noexcept {
    switch (type_code) {
        case 1: return "byte";
        case 2: return "int";
        case 3: return "long";
        case 4: return "float";
        case 5: return "double";
        case 8: return "bool";
        default: return "string";
    }
}

int64_t epsg_code(int64_t crs, int64_t projection_type, int64_t ellipsoid_code, int64_t units) noexcept {
    if (crs == 0) return 0;
    if (crs == 1 && projection_type == 0 && ellipsoid_code == 7 && units == 4) return 4326;
    if (crs == 3) {
        if (projection_type == 3) return 9802;  // Lambert conic conformal (2SP)
        if (projection_type == 2) return 9822;  // Albers equal area
        if (projection_type == 4) return 9804;  // Mercator (variant A)
        if (projection_type == 5 && ellipsoid_code == 1) return 4214;  // Beijing 1954
        if (projection_type == 5 && ellipsoid_code == 2) return 4610;  // Xi'an 1980
    }
    return crs == INT64_MIN ? crs : -crs;  // codes are bytes; the guard only keeps -crs defined
}

}  // namespace tiven::mapgis
