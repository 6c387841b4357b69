#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_mapgis_colorlib_class(ModuleState& st) {
    ClassBuilder b("MapGisColorLib", st.TivenBase.get(), "MapGis色库（青品黄黑-红绿蓝）读取类\n");
    b.method(kInit);
    st.MapGisColorLib = b.finish();
}

}  // namespace tiven
