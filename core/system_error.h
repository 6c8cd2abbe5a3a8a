#pragma once
// What an errno value means, from the language table: the C library's texts
// are English whatever the player's language.
#include <string>

namespace vinra::core {

std::string SystemErrorText(int err);

}  // namespace vinra::core
