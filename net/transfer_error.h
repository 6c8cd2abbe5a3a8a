#pragma once
// Why a transfer failed, from the language table: curl's own texts and bare
// HTTP status lines are English whatever the player's language.
#include <string>

namespace vinra::net {

std::string TransferErrorText(int curlCode);
// An error status the server answered to url ("The server answered 404 to ...").
std::string HttpStatusText(long status, const std::string& url);
// GetToFile's false: the server answered url with an error status.
std::string RefusedText(const std::string& url);
// The transfer from url was stopped on request.
std::string CancelledText(const std::string& url);

}  // namespace vinra::net
