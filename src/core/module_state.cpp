#include "core/module_state.hpp"

namespace tiven {

ModuleState& state() {
    // Lives as long as the process: the module is never unloaded.
    static ModuleState* st = new ModuleState();
    return *st;
}

}  // namespace tiven
