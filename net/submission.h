#pragma once
// Direct submission of own rows to Svenska Spel's shop: the own-rows XML is
// posted to the maker's web service, which hands it on and answers with the
// address where the player approves the game.
#include <string>
#include <string_view>

#include "core/signs.h"
#include "core/system_document.h"
#include "net/active_pools.h"

namespace vinra::net {

inline constexpr const char* kOwnRowsPath = "/Vinra/egnarader";
// The most own rows the shop takes in one game (as many as one row file holds).
inline constexpr size_t kOwnRowsMaxRows = 20000;

// host (scheme and authority) + "/Vinra/egnarader".
std::string OwnRowsAddress(std::string_view host);

enum class SubmissionOutcome {
    Accepted,            // the rows went through; url is the approval page
    AcceptedWithoutUrl,  // the rows went through, but the reply has no complete http(s) address
    Refused,             // the reply does not report success
    TooManyRows,         // more rows than the shop takes in one game (sent or not)
    RoundClosed,         // the service says the round takes no more rows
    CommunicationError,  // the transfer failed; error says why
};
struct SubmissionResult {
    SubmissionOutcome outcome = SubmissionOutcome::Refused;
    std::string url;
    std::string error;
    long httpStatus = 0;  // 401: the caller shows its message first
};

// Posts the rows of doc as the own-rows XML (form field xmlData) with the
// playing card number. Never throws for a transfer failure: that is
// CommunicationError. The document is not changed.
SubmissionResult SubmitOwnRows(std::string_view host, const core::TVinraFile& doc, std::string_view cardNo,
                               const core::DisplaySigns& signs = core::CurrentDisplaySigns());

// Messages of the submission (numbers of the language table).
inline constexpr int kMsgSubmitSending = 1138;             // "Sending rows to Svenska Spel..."
inline constexpr int kMsgSubmitCommunicationError = 1139;  // "Communication error, please try again ..."
inline constexpr int kMsgSubmitAccepted = 1140;            // "The rows have now been sent ... Click OK ..."
inline constexpr int kMsgSubmitAcceptedWithoutUrl = 1141;  // "The rows have now been sent ... no valid address ..."
inline constexpr int kMsgSubmitRefused = 1142;             // "Svenska Spel could not process the file. ..."
inline constexpr int kMsgSubmitCost = 1143;                // "Cost: %s SEK"
inline constexpr int kMsgSubmitTooManyRows = 3000;         // "Svenska Spel takes at most %s rows ..."
inline constexpr int kMsgSubmitRoundClosed = 3001;         // "Svenska Spel takes no more rows for this round ..."

// Whether the system's round (pool code and draw number) can no longer be
// played, judged from the active pools: its own entry's deadline has passed,
// or the pool lists only later draws (the round is over; its deadline is then
// not known). An unknown pool or an empty list says nothing: open.
struct RoundClosing {
    bool closed = false;
    std::string deadline;  // as the list gives it; empty when not known
};
RoundClosing ClosedRoundOf(const ActivePoolsFile& pools, std::string_view typ, int32_t omgId, const LocalDateTime& now);

// The cost of the rows as "Kostnad: 100,00 SEK" (message 1143 in the current
// language): rows times the pool's price
// per row (in hundredths), exact, two decimals, decimal comma.
std::string SubmissionCostText(size_t rows, int pricePerRowHundredths);

}  // namespace vinra::net
