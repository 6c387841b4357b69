#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_mapgis_project_class(ModuleState& st) {
    ClassBuilder b("MapGisProject", st.TivenBase.get(), "MapGis工程文件（MPJ）读取类。\n");
    b.method(kInit);
    st.MapGisProject = b.finish();
}

}  // namespace tiven
