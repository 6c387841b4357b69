#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_mapgrid_class(ModuleState& st) {
    ClassBuilder b("MapGrid", st.TivenBase.get(), "国际标准比例尺图幅分幅网格与编号类\n");
    b.method(kInit);
    st.MapGrid = b.finish();
}

}  // namespace tiven
