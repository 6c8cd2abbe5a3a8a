#pragma once
// Reduction with a guarantee: the smallest row list we can find such that every
// outcome the player's conditions leave inside his frame has a row at most one
// sign away (N-1 right guaranteed when the result meets the conditions), or at
// most two signs away (N-2 right).
//
// The outcomes come from the generation engine's expansion; the rows are
// searched over the frame (a row need not pass the conditions itself, only
// lie inside the frame near an outcome): a greedy start, then a weighted local
// search on a fixed number of rows for as long as the player allows. A
// frame without conditions is the plain space of its guarded matches and goes
// through the coset search as well. Every result is checked by the warranty
// engine before it is handed out.
//
// Plain C++ with atomics for progress and cancel: a window runs it on its
// background job, the CLI and the tests call it directly.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/packed_row.h"
#include "reduction/conditions.h"
#include "reduction/warranty.h"

namespace vinra::core {
class TVinraFile;
}

namespace vinra::reduction {

// The largest frame the search takes on (every row of it gets an index).
constexpr uint64_t kMaxGuaranteeFrameRows = 4782969;  // 3^14
// The largest neighbour table the search builds (4 bytes an entry).
constexpr uint64_t kMaxGuaranteeGraphEntries = 64ull << 20;

// A run the search refuses. message is the number of the text in the
// message table that tells the player why (what() is its English text).
class GuaranteeError : public std::runtime_error {
public:
    GuaranteeError(int message, const std::string& english) : std::runtime_error(english), message_(message) {}
    int message() const { return message_; }

private:
    int message_;
};

struct GuaranteeInput {
    std::vector<std::string> frame;  // one entry per match, compact or positional
    ConditionSet conditions;         // conditions.n is the number of matches
    PercentTables percent;           // for the percentage value condition
    int wrong = 1;                   // 1: N-1 right guaranteed, 2: N-2 right
    double seconds = 10.0;           // time budget of the whole run (expansion included)
    uint64_t seed = 1;
    // Stop as soon as a list of this many rows (or fewer) is found; 0 = use the budget.
    uint32_t target = 0;
    // A list known to cover the frame within `wrong` (a shipped reduced system
    // laid on the frame, see ShippedSystemRows): when it is smaller than the
    // greedy start the search goes on from it, so the result is never larger.
    // A list with a row outside the frame, or one that leaves an outcome
    // uncovered, is not used.
    std::vector<std::string> startRows;
};

// The rows of the smallest R-system in `folder` whose guards are the frame's
// (its full and half guards) and whose name promises at most `wrong` wrong,
// laid on the frame: a list with N-wrong right on every frame row, for
// GuaranteeInput::startRows. Empty when the folder holds no such system or it
// cannot be read.
std::vector<std::string> ShippedSystemRows(const std::filesystem::path& folder, const std::vector<std::string>& frame,
                                           int n, int wrong = 1);

// The radius for "K right" on n matches: n - K, when that is 1 or 2; else 0.
int GuaranteeWrongFor(int n, int right);

enum class GuaranteePhase : int { Expansion = 0, Neighbours = 1, Greedy = 2, Improving = 3, Checking = 4 };

// Where the run publishes its progress; every pointer may be null. A window
// hands in the atomics of its background job.
struct GuaranteeHooks {
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<int>* phase = nullptr;      // GuaranteePhase
    std::atomic<int64_t>* done = nullptr;   // expansion: frame rows tested; then: milliseconds used
    std::atomic<int64_t>* total = nullptr;  // expansion: frame rows; then: the budget in milliseconds
    std::atomic<int64_t>* rows = nullptr;   // rows of the best valid list so far (0 before the first)
};

struct GuaranteeResult {
    int n = 0;
    int wrong = 1;
    std::vector<std::string> rows;  // ascending; empty when cancelled early or nothing to cover
    int64_t frameRows = 0;
    int64_t outcomes = 0;    // frame rows that pass the conditions: what the rows cover
    int64_t greedyRows = 0;  // size of the greedy start
    int64_t ballSize = 0;    // frame rows within the distance of one row
    int64_t lowerBound = 0;  // ceil(outcomes / ballSize): no list can be smaller
    // ceil(outcomes / the most outcomes one frame row reaches): a tighter bound
    // when the conditions thin the outcomes.
    int64_t reachBound = 0;
    // A frame without conditions: the best known size of a covering of its
    // guards from the published tables (BestKnownCoveringSize), 0 unknown.
    int64_t bestKnown = 0;
    double firstSeconds = 0;  // when the first valid list was there
    double seconds = 0;       // the whole run
    // Every smaller list found: (seconds since the start, rows).
    std::vector<std::pair<double, int64_t>> improvements;
    WarrantyTable warranty;  // of rows over the outcomes, complete and checked
    bool cancelled = false;  // the run was stopped; rows are the best found until then (maybe none)
    bool startUsed = false;  // the search went on from the start list
    // A frame without conditions: the search went on from a construction of
    // its guards (ConstructCovering), smaller than the start list and the greedy start.
    bool constructionUsed = false;
};

// Runs the search. Throws GuaranteeError for a run it refuses (a guarantee of
// other than one or two wrong, fewer than 3 matches, a frame too big) and
// GenerationError for a frame it cannot read.
GuaranteeResult ReduceWithGuarantee(const GuaranteeInput& input, const GuaranteeHooks& hooks = {});

// True when every class of the table has a row with at most `wrong` wrong.
bool GuaranteeHolds(const WarrantyTable& table, int wrong);

// One run as a window holds it: the input, then Run on the window's
// background job (the job's atomics as hooks), then the result or why there
// is none, as texts of the message table. Run never throws.
struct GuaranteeRun {
    GuaranteeInput input;
    GuaranteeResult result;
    int errorMessage = 0;   // message number of a refused run (1404-1407), else 0
    std::string errorText;  // a frame the engine could not read, or the like (English)
    std::atomic<int64_t> rowsSoFar{0};

    void Run(const std::atomic<bool>* cancel, std::atomic<int>* phase, std::atomic<int64_t>* done,
             std::atomic<int64_t>* total) noexcept;
    bool Ok() const { return errorMessage == 0 && errorText.empty() && !result.rows.empty(); }
    // While running: "Searching: %d rows so far" once there is a list, else empty.
    std::string ProgressText(int languageBase) const;
    // After the run: the rows and the guarantee (1409), nothing to cover (1403),
    // the refusal, or empty for a run cancelled before it had a list.
    std::string StatusText(int languageBase) const;
};

// The gap beside a guarantee: the lower bound (the larger of lowerBound and
// reachBound) and, where known, the best known size; message 3800 or 3801.
inline constexpr int kMsgBoundAndBest = 3800;  // "Lower bound %d rows; best known %d rows."
inline constexpr int kMsgBound = 3801;         // "Lower bound %d rows."
std::string GapText(const GuaranteeResult& result, int languageBase);

// Puts the result into a system: the rows, and the warranty table with its
// texts in the given language. The conditions stay as they were.
void StoreGuaranteeResult(core::TVinraFile& doc, const GuaranteeResult& result, int languageBase);

}  // namespace vinra::reduction
