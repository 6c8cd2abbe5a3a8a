#pragma once
// Names of the pools in the panels' trees.
#include <string>
#include <string_view>

#include "core/ini.h"

namespace vinra::ui {

// Display name of a pool code for the trees: update.ini [code] Name, default "<not available>".
std::string PoolTreeName(const core::IniFile& updateIni, std::string_view code);

}  // namespace vinra::ui
