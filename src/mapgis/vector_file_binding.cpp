#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_mapgis_file_class(ModuleState& st) {
    ClassBuilder b("MapGisFile", st.TivenBase.get(), "MapGis点线面文件读取类\n");
    b.method(kInit);
    st.MapGisFile = b.finish();
}

}  // namespace tiven
