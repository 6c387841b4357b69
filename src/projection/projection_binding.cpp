#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_projection_class(ModuleState& st) {
    ClassBuilder b("Projection", st.TivenBase.get(), "几何要素坐标投影变换类，支持高斯-克吕格、球体墨卡托、阿尔勃斯、兰伯特投影正反算\n");
    b.method(kInit);
    st.Projection = b.finish();
}

}  // namespace tiven
