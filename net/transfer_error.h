#pragma once
// Why a transfer failed (a libcurl result code), from the language table:
// curl's own texts are English whatever the player's language.
#include <string>

namespace vinra::net {

std::string TransferErrorText(int curlCode);

}  // namespace vinra::net
