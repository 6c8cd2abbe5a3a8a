#include "ui/core/active_pools.h"

namespace vinra::ui {

std::string PoolTreeName(const core::IniFile& updateIni, std::string_view code) {
    return updateIni.ReadString(code, "Name", "<not available>");
}

}  // namespace vinra::ui
