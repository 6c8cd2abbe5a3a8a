#pragma once
// The value of a row and of a system, estimated from the market.
//
// The chance of each sign comes from the odds of the round's game information
// (the operator's and a bookmaker's, as implied percentages); how many others
// share a prize comes from the people's percentages and the round's turnover.
// From them: per row its chance of being the result, the expected number of
// other rows with all right, the expected top prize and the value per krona;
// per system the chance of N, N-1, N-2 and N-3 right, the expected return per
// krona and the distribution of the return, computed exactly over every
// possible result with the warranty engine's per-outcome counts.
//
// These are estimates from market odds, not promises (message 1417 says what
// the model assumes; every window and the CLI that shows a figure shows it).
//
// Plain C++; the windows run ComputeSystemValue on their background job.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/signs.h"
#include "reduction/conditions.h"

namespace vinra::reduction {

// When the round's turnover is not known (kronor).
constexpr double kTypicalTurnover = 50'000'000.0;
// The most matches whose every result is enumerated (3^14 results).
constexpr int kMaxValueMatches = 14;

struct ValueModel {
    int n = core::kDefaultMatches;
    PercentTable probability{};          // chance of each sign per match; each match sums to 1
    PercentTable people{};               // share of the public's rows on each sign; each match sums to 1
    double turnover = kTypicalTurnover;  // kronor
    bool turnoverKnown = false;
    double rowPrice = 1.0;      // kronor a row
    double payoutShare = 0.65;  // of the turnover paid back as prizes
    // Share of the prize fund for N, N-1, N-2 and N-3 right; the levels the
    // pool pays share in proportion.
    std::array<double, 4> levelShare{0.40, 0.15, 0.12, 0.33};
    int firstWinLevel = 10;        // fewest right that pays
    int matchesWithoutOdds = 0;    // matches whose chances came from the people's percentages or even chances
    int matchesWithoutPeople = 0;  // matches whose people's shares were missing (even shares taken)

    // The prize fund of a result for rows with `wrong` wrong (0..3); 0 for a
    // level the pool does not pay.
    double LevelPool(int wrong) const;
};

// The model from the round's market data. odds and bookmaker are implied
// percentages (0 where the odds are missing), people the people's percentages;
// per match: the average of the two odds when both are there, else the one
// there is, else the people's percentages, else even chances. turnover <= 0
// takes the typical turnover.
ValueModel MarketValueModel(int n, const PercentTable& odds, const PercentTable& bookmaker, const PercentTable& people,
                            double turnover, int firstWinLevel);
// True when no match has odds or people's percentages: there is nothing to estimate from.
bool NoMarketData(const ValueModel& model);

struct RowValueFigures {
    double probability = 0;     // chance the row is the result
    double otherWinners = 0;    // expected other rows with all right then
    double expectedPayout = 0;  // the top prize fund shared with them (kronor)
    double value = 0;           // probability x expected payout per krona staked
};
// A row of n internal codes.
RowValueFigures ValueOfRow(std::string_view row, const ValueModel& model);

// The k rows of the highest value, ascending as strings (ties keep the
// earlier row). k >= rows leaves them all (sorted). cancel (may be null) stops
// the valuing early and gives nothing (the caller keeps the rows it had); done
// (may be null) counts the rows valued.
std::vector<std::string> KeepHighestValue(const std::vector<std::string>& rows, const ValueModel& model, size_t k,
                                          const std::atomic<bool>* cancel = nullptr,
                                          std::atomic<int64_t>* done = nullptr);

// Return per krona staked, in classes: [0] no win, then (0, 1), [1, 2), [2, 5),
// [5, 20), [20, 100), [100, inf).
constexpr std::array<double, 5> kReturnEdges{1, 2, 5, 20, 100};
struct ReturnClass {
    double from = 0, to = 0;  // return per krona; to = 0 for the open last class and the no-win class
    double probability = 0;
};

struct SystemValue {
    int n = 0;
    int64_t rows = 0;
    double stake = 0;                    // kronor
    std::array<double, 4> bestChance{};  // chance the best row has N, N-1, N-2, N-3 right
    double noWinChance = 0;              // chance of no prize at all
    double expectedReturn = 0;           // kronor
    double returnPerKrona = 0;
    std::vector<ReturnClass> distribution;
    bool complete = false;  // false when cancelled
};

// The texts of a value in a language of the message table, for the chart,
// the protocol and the CLI: the label of return class i ("No win", "under 1",
// "1–2", ..., "100 or more"), a probability as a percentage with the decimal
// comma, and the summary lines (the chance of N..N-3 right, the expected
// return per krona, the turnover assumed) followed by the note that these are
// estimates, not promises.
std::string ReturnClassLabel(const ReturnClass& c, size_t index, int languageBase);
std::string ProbabilityText(double p);
std::vector<std::string> SystemValueLines(const SystemValue& value, const ValueModel& model, int languageBase);

// One value run as a window holds it: Run on the window's background job,
// then the value or the reason there is none. Run never throws.
struct ValueRun {
    std::vector<std::string> rows;
    ValueModel model;
    SystemValue value;
    std::string error;  // English; empty when the run ended normally

    void Run(const std::atomic<bool>* cancel, std::atomic<int64_t>* done, std::atomic<int64_t>* total) noexcept;
};

// Throws std::invalid_argument for more than kMaxValueMatches matches, no rows
// or rows that are not rows of n matches. cancel and done (results weighed so
// far; total 3^n) may be null.
SystemValue ComputeSystemValue(const std::vector<std::string>& rows, const ValueModel& model,
                               const std::atomic<bool>* cancel = nullptr, std::atomic<int64_t>* done = nullptr);

}  // namespace vinra::reduction
