#include "mapgis/project_reader.hpp"

#include "mapgis/record_fields.hpp"

namespace tiven::mapgis {

namespace {

constexpr RecordFormat kHead{kProjectHead};
static_assert(kHead.size() == 1113);
constexpr BytesField kIdentification = kHead.bytes(0, 8);
constexpr auto kTypeCode = kHead.field<int32_t>(8);
constexpr auto kFiles = kHead.field<int16_t>(12);
constexpr auto kXMin = kHead.field<double>(14);
constexpr auto kYMin = kHead.field<double>(22);
constexpr auto kXMax = kHead.field<double>(30);
constexpr auto kYMax = kHead.field<double>(38);
constexpr BytesField kEnvironment = kHead.bytes(46, 640);
constexpr BytesField kTitle = kHead.bytes(686, 60);
// 746 Dictionary, 750 Start: not used
constexpr auto kLayoutXOffset = kHead.field<double>(754);
constexpr auto kLayoutYOffset = kHead.field<double>(762);
constexpr auto kLayoutXScale = kHead.field<double>(770);
constexpr auto kLayoutYScale = kHead.field<double>(778);
constexpr auto kLayoutRotate = kHead.field<double>(786);
constexpr auto kLayoutWidth = kHead.field<double>(794);
constexpr auto kLayoutHeight = kHead.field<double>(802);

constexpr RecordFormat kBody{kProjectBody};
static_assert(kBody.size() == 400);
constexpr BytesField kType = kBody.bytes(0, 1);
constexpr BytesField kStatusCode = kBody.bytes(1, 1);
constexpr BytesField kFile = kBody.bytes(2, 128);
constexpr BytesField kDescription = kBody.bytes(130, 128);
constexpr auto kEntryXMin = kBody.field<double>(258);
constexpr auto kEntryYMin = kBody.field<double>(266);
constexpr auto kEntryXMax = kBody.field<double>(274);
constexpr auto kEntryYMax = kBody.field<double>(282);
constexpr BytesField kUserType = kBody.bytes(290, 1);
constexpr BytesField kGroupCode = kBody.bytes(291, 1);
constexpr BytesField kNetWorkData = kBody.bytes(292, 32);
constexpr auto kScaleMin = kBody.field<double>(324);
constexpr auto kScaleMax = kBody.field<double>(332);
constexpr BytesField kLabelFlag = kBody.bytes(340, 1);
constexpr BytesField kLabelFields = kBody.bytes(341, 21);
constexpr auto kLabelHeight = kBody.field<float>(362);
constexpr auto kLabelColor = kBody.field<int16_t>(366);
constexpr BytesField kLabelFont = kBody.bytes(368, 1);
constexpr BytesField kLegendType = kBody.bytes(369, 1);

}  // namespace

ProjectHead read_project_head(BinaryFile& file) {
    const auto r = read_record<kHead.size()>(file);
    const uint8_t* p = r.data();
    ProjectHead h;
    h.identification = kIdentification.copy(p);
    h.type_code = kTypeCode.read(p);
    h.files = kFiles.read(p);
    h.x_min = kXMin.read(p);
    h.y_min = kYMin.read(p);
    h.x_max = kXMax.read(p);
    h.y_max = kYMax.read(p);
    h.environment = kEnvironment.copy(p);
    h.title = kTitle.copy(p);
    h.layout_x_offset = kLayoutXOffset.read(p);
    h.layout_y_offset = kLayoutYOffset.read(p);
    h.layout_x_scale = kLayoutXScale.read(p);
    h.layout_y_scale = kLayoutYScale.read(p);
    h.layout_rotate = kLayoutRotate.read(p);
    h.layout_width = kLayoutWidth.read(p);
    h.layout_height = kLayoutHeight.read(p);
    return h;
}

ProjectEntry read_project_entry(BinaryFile& file) {
    const auto r = read_record<kBody.size()>(file);
    const uint8_t* p = r.data();
    ProjectEntry e;
    e.type = kType.copy(p);
    e.status_code = kStatusCode.copy(p);
    e.file = kFile.copy(p);
    e.description = kDescription.copy(p);
    e.x_min = kEntryXMin.read(p);
    e.y_min = kEntryYMin.read(p);
    e.x_max = kEntryXMax.read(p);
    e.y_max = kEntryYMax.read(p);
    e.user_type = kUserType.copy(p);
    e.group_code = kGroupCode.copy(p);
    e.net_work_data = kNetWorkData.copy(p);
    e.scale_min = kScaleMin.read(p);
    e.scale_max = kScaleMax.read(p);
    e.label_flag = kLabelFlag.copy(p);
    e.label_fields = kLabelFields.copy(p);
    e.label_height = kLabelHeight.read(p);
    e.label_color = kLabelColor.read(p);
    e.label_font = kLabelFont.copy(p);
    e.legend_type = kLegendType.copy(p);
    return e;
}

}  // namespace tiven::mapgis
