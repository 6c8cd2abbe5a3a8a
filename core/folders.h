#pragma once
// Where the program keeps its files.
//   user folder: XDG documents folder + "Vinra 2000/User/"
//   data folder: $XDG_DATA_HOME (default ~/.local/share) + "Vinra 2000/Program/"
// VINRA_HOME, when set, puts both under it: $VINRA_HOME/User/ and $VINRA_HOME/Program/.
#include <filesystem>

namespace vinra::core {

std::filesystem::path UserFolder();
std::filesystem::path DataFolder();
// DataFolder()/"DB"
std::filesystem::path DatabaseFolder();

}  // namespace vinra::core
