#pragma once
// The generation engine: full expansion of a frame, random rows, filtering of
// existing rows and the warranty run, on a worker thread of its own.
//
// The owner fills a GenerationInput, starts the worker and reads the progress
// atomics (tested count, phase, maximum) from its timer; Cancel sets a flag the
// worker checks and joins. The results may be read only after Join/Cancel.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/packed_row.h"
#include "core/row_list.h"
#include "reduction/conditions.h"
#include "reduction/warranty.h"

namespace vinra::reduction {

// The most rows a frame may have: the engine keeps every accepted row packed
// (8 bytes each, 344 MB at this bound) and the system keeps them as text.
constexpr uint64_t kMaxFrameRows = 43046721;  // 3^16

// The memory a run's result may take. Rows are packed (8 bytes) while the engine
// works; the result is handed over as text rows, which the document copies and
// the save turns into file text, so a result is refused when that would pass
// the budget.
constexpr uint64_t kMemoryBudgetBytes = uint64_t{1} << 30;
// The bytes a result of this many rows of n matches takes as text rows (two
// copies of std::string each) and as the saved file's text (two copies).
uint64_t ResultBytesEstimate(uint64_t rows, int n);
// The most rows of n matches that fit kMemoryBudgetBytes.
uint64_t MaxResultRows(int n);

// A frame or a run the engine refuses before it starts; what() says why.
class GenerationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The signs of every match of a frame, in the order home, draw, away, packed
// as codes 0..2. Throws GenerationError for a frame with fewer entries than n,
// an unmarked match, a character that is not a sign, or more than kMaxFrameRows rows.
std::vector<std::vector<int>> FrameSigns(const std::vector<std::string>& frame, int n);

// Every row of the frame that passes RowPassesConditions (not a random run), in
// expansion order (the first match changes slowest, which is ascending order).
// cancel (may be null) stops early, keeping the rows accepted so far; tested
// (may be null) counts the rows tested, accepted (may be null) the rows kept so
// far, a stretch of the frame at a time. Uses both cores for large frames.
std::vector<core::PackedRow> ExpandFrame(const std::vector<std::string>& frame, int n, const ConditionSet& c,
                                         const PercentTables& t, const std::atomic<bool>* cancel,
                                         std::atomic<int64_t>* tested, std::atomic<int64_t>* accepted = nullptr);

// Prepares the player's percentages for a random run over the frame (the
// wizard does this when random generation is chosen).
enum class WeightsCheck { Ok, SumOver100 };
WeightsCheck PrepareRandomWeights(ConditionSet& c, const std::vector<std::string>& frame);

enum class GenerationMode : int { Full = 0, Random = 1, Filter = 2, Warranty = 4 };
enum class GenerationPhase : int {
    Expansion = 0,
    RowDifference = 1,
    Filtering = 2,
    Random = 3,
    WarrantyTally = 4,
    RandomReduction = 5,
};

struct GenerationInput {
    GenerationMode mode = GenerationMode::Full;
    std::vector<std::string> frame;  // one entry per match, compact or positional
    ConditionSet conditions;         // conditions.n is the number of matches
    PercentTables percent;           // user and people's percentages for the percentage value
    core::RowList rows;              // the working rows: filtered in mode 2, the system in mode 4
    int64_t requestedCount = 100;    // random generation
    bool randomSelection = true;     // filtering to a number of rows: at random, else by percentage value
    std::optional<uint64_t> seed;    // random runs; from the clock when absent
    int64_t maxTries = 0;            // random generation: stop after this many candidates (0 = until cancelled)
    // Random generation: stop when this many candidates in a row brought no new
    // row (0 = never), so conditions that admit fewer rows than asked for end the run.
    int64_t stallTries = 0;
};

class TRowGeneration {
public:
    // Checks the input (throws GenerationError for a frame it cannot run, a
    // warranty of fewer than 3 matches, rows that are not rows of N matches).
    explicit TRowGeneration(GenerationInput input);
    ~TRowGeneration();  // cancels and joins a run still going
    TRowGeneration(const TRowGeneration&) = delete;
    TRowGeneration& operator=(const TRowGeneration&) = delete;

    // Starts the worker thread.
    void Start();
    // Runs on the calling thread (the same work as the worker does).
    void Run();
    // Sets the cancel flag and waits for the worker.
    void Cancel();
    void Join();
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }
    // Waits until the run has ended or the time has passed; true when it has
    // ended. A caller without a timer of its own (the CLI) wakes at the end
    // instead of at its next poll.
    bool WaitFor(std::chrono::milliseconds timeout);

    // Progress, readable at any time.
    int64_t Tested() const { return tested_.load(std::memory_order_relaxed); }
    GenerationPhase Phase() const { return static_cast<GenerationPhase>(phase_.load(std::memory_order_relaxed)); }
    int64_t Maximum() const { return maximum_.load(std::memory_order_relaxed); }
    // Rows accepted so far (the working list's count as the run goes).
    int64_t Accepted() const { return accepted_.load(std::memory_order_relaxed); }
    bool Cancelled() const { return cancel_.load(); }

    // Results, after the run has ended.
    const core::RowList& Rows() const { return rows_; }
    // Hands the result rows over, still packed (Rows() is empty afterwards): a
    // caller that keeps them saves a copy of a result that may run to millions of rows.
    core::RowList TakeRows() { return std::exchange(rows_, core::RowList()); }
    const std::vector<core::PackedRow>& Outcomes() const { return outcomes_; }
    const WarrantyTable& Warranty() const { return warranty_; }
    int64_t Attempts() const { return attempts_; }  // random candidates drawn
    bool TriesExhausted() const { return triesExhausted_; }
    bool Stalled() const { return stalled_; }  // a random run found no new row for stallTries candidates
    bool FilterUnchanged() const { return filterUnchanged_; }  // a filter-to target left the rows as they were
    // What ended a run that failed (out of memory and the like); empty otherwise.
    const std::string& Error() const { return error_; }

private:
    void execute();
    void markEnded();
    void runFull();
    void runRandom();
    void runFilter();
    void runWarranty();
    void reduceToCount();
    void applyRowDifference(std::vector<core::PackedRow>& rows);
    void setPhase(GenerationPhase p) { phase_.store(static_cast<int>(p), std::memory_order_relaxed); }

    GenerationInput in_;
    int n_ = 0;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::mutex endMutex_;  // with ended_: the end of a run, for WaitFor
    std::condition_variable ended_;
    std::atomic<bool> cancel_{false};
    std::atomic<int64_t> tested_{0};
    std::atomic<int> phase_{0};
    std::atomic<int64_t> maximum_{0};
    std::atomic<int64_t> accepted_{0};

    core::RowList rows_;
    std::vector<std::string> textRows_;  // the filter's working rows, as text
    std::vector<core::PackedRow> outcomes_;
    WarrantyTable warranty_;
    int64_t attempts_ = 0;
    bool triesExhausted_ = false;
    bool stalled_ = false;
    bool filterUnchanged_ = false;
    std::string error_;
};

}  // namespace vinra::reduction
