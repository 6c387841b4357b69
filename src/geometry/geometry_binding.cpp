#include "core/method.hpp"
#include "core/module_state.hpp"

namespace tiven {

namespace {
const Method kInit{"__init__", MethodKind::Instance, {{"self"}}, nullptr, ResultCheck::None, "", init_calling_base};
}  // namespace

void add_geometry_class(ModuleState& st) {
    ClassBuilder b("Geometry", st.TivenBase.get(), "地学几何要素加载、编码、转换与序列化类，几何要素主体采用{Python-dict}类型存储并符合{GeoJson-geometry}格式要求。\n");
    b.method(kInit);
    st.Geometry = b.finish();
}

}  // namespace tiven
