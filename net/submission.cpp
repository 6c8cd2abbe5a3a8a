#include "net/submission.h"

#include <cstdint>
#include <exception>

#include <fmt/format.h>

#include "core/messages.h"
#include "net/http.h"
#include "net/transfer_error.h"
#include "output/row_files.h"

namespace vinra::net {

std::string OwnRowsAddress(std::string_view host) {
    while (!host.empty() && host.back() == '/') host.remove_suffix(1);
    return std::string(host) + kOwnRowsPath;
}

SubmissionResult SubmitOwnRows(std::string_view host, const core::TVinraFile& doc, std::string_view cardNo,
                               const core::DisplaySigns& signs) {
    SubmissionResult result;
    if (doc.Rader.size() > kOwnRowsMaxRows) {
        // The shop would refuse it: nothing is sent.
        result.outcome = SubmissionOutcome::TooManyRows;
        return result;
    }
    const std::string xml = output::OwnRowsXml(doc, cardNo, signs);
    HttpReply reply;
    try {
        // PostForm splits each line at its first "=" and encodes name and value.
        reply = PostForm(OwnRowsAddress(host), {"xmlData=" + xml});
    } catch (const std::exception& e) {
        result.outcome = SubmissionOutcome::CommunicationError;
        result.error = e.what();
        return result;
    }
    result.httpStatus = reply.status;
    // A service that still lets its HTTP library read the form refuses a large one this way.
    if (reply.status == 413) {
        result.outcome = SubmissionOutcome::TooManyRows;
        return result;
    }
    // Only a reply the service sent as its answer carries the shop's verdict;
    // an error status (404, 500, 401 ...) is a failed transfer, whatever its page says.
    if (!reply.ok()) {
        result.outcome = SubmissionOutcome::CommunicationError;
        result.error = HttpStatusText(reply.status, OwnRowsAddress(host));
        return result;
    }
    // The shop's verdict is in the reply text.
    const output::SubmissionReply parsed = output::ParseSubmissionReply(reply.body);
    switch (parsed.status) {
        case output::SubmissionStatus::Accepted:
            result.outcome = SubmissionOutcome::Accepted;
            result.url = parsed.url;
            break;
        case output::SubmissionStatus::AcceptedWithoutUrl:
            result.outcome = SubmissionOutcome::AcceptedWithoutUrl;
            break;
        case output::SubmissionStatus::Refused:
            result.outcome = parsed.refusal == output::kRefusalTooManyRows   ? SubmissionOutcome::TooManyRows
                             : parsed.refusal == output::kRefusalRoundClosed ? SubmissionOutcome::RoundClosed
                                                                              : SubmissionOutcome::Refused;
            break;
    }
    return result;
}

RoundClosing ClosedRoundOf(const ActivePoolsFile& pools, std::string_view typ, int32_t omgId,
                           const LocalDateTime& now) {
    RoundClosing r;
    bool laterListed = false;
    for (const TCouponInfoEx& e : pools.Entries(now)) {
        if (e.code != typ) continue;
        if (e.omgId == omgId) {
            r.closed = e.closed;
            r.deadline = e.closed ? e.deadline : std::string();
            return r;
        }
        laterListed = laterListed || (omgId > 0 && e.omgId > omgId);
    }
    r.closed = laterListed;
    return r;
}

std::string SubmissionCostText(size_t rows, int pricePerRowHundredths) {
    const uint64_t price = pricePerRowHundredths > 0 ? static_cast<uint64_t>(pricePerRowHundredths) : 0;
    const uint64_t total = static_cast<uint64_t>(rows) * price;
    return core::FormatMsg(core::Msg(kMsgSubmitCost), {fmt::format("{},{:02}", total / 100, total % 100)});
}

}  // namespace vinra::net
