#pragma once
// The reduction conditions of a system and the tests of one row against them.
//
// The string functions here are the program's definition of every condition;
// they work on rows of internal codes ('0' home, '1' draw, '2' away) and are
// what single-row callers (checking the winning row, editors) use. The
// generation engine runs the same rules on packed rows through
// CompiledConditions, which must give exactly the same answers.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/packed_row.h"
#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::reduction {

constexpr int kConditionFlags = 8;

// Per match and sign (home, draw, away) tables.
using PercentTable = std::array<std::array<double, 3>, core::kMaxMatches>;  // people's / user percentages
using SumTable = std::array<std::array<int32_t, 3>, core::kMaxMatches>;     // win-level figures

// The two tables the percentage value works with. Left zero when the round has
// no game information, which makes every factor 1.0.
struct PercentTables {
    PercentTable user{};
    PercentTable people{};
};

struct SourceRow {
    std::string pattern;  // N cells joined by commas; a cell is a set of codes, '*' or empty
    int min = 0;
    int max = 0;
    bool operator==(const SourceRow&) const = default;
};

struct YesCombination {
    std::string pattern;  // codes, possibly split by '?' or '!'
    int min = 0;          // used by plain patterns only
    int max = 0;
    bool operator==(const YesCombination&) const = default;
};

struct ConditionSet {
    int n = core::kDefaultMatches;  // number of matches the rows have
    // Flag i as core::UseFlag names it (UseMaxMin .. UseChooseWin); new systems: 189.
    std::array<bool, kConditionFlags> flags{true, false, true, true, true, true, false, true};
    int radDiff = 2;
    std::string firstRow;  // start row of the row-difference pass, empty when none
    double procMin = 0.0;
    double procMax = 100.0;
    int filterToRader = 100;
    std::array<int, 3> maxCount{13, 13, 13};
    std::array<int, 3> runMax{13, 13, 13};
    std::array<int, 3> minCount{0, 0, 0};
    std::vector<SourceRow> sourceRows;
    std::vector<YesCombination> yesCombinations;
    std::vector<std::string> noCombinations;
    // The player's own percentages per sign, per match, as decimal text (as stored).
    std::array<std::vector<std::string>, 3> userPercent;
    SumTable sumTable{};
    int64_t winMin = 0;
    int64_t winMax = 13000;

    bool flag(int i) const { return i >= 0 && i < kConditionFlags && flags[static_cast<size_t>(i)]; }
    bool operator==(const ConditionSet&) const = default;
};

// The conditions of a new system of n matches.
ConditionSet NewConditionSet(int n);
// Reads the condition fields of a document (N from MatchCount, clamped to 1..30).
ConditionSet FromDocument(const core::TVinraFile& doc);
// Writes the condition fields into a document; other fields are left alone.
void ToDocument(const ConditionSet& conditions, core::TVinraFile& doc);

// The player's percentage of sign s at match m (0-based) as an integer weight:
// the stored text read as an integer (a decimal is cut), negative or unreadable
// text gives 0. When the list has no entry for the match, fallback is returned.
int64_t UserWeight(const ConditionSet& c, int match, int sign, int64_t fallback);
// The user percentages as doubles for the percentage value (missing entries 0).
PercentTable UserPercentTable(const ConditionSet& c);

// ---- The row tests (strings of internal codes) ----

// Positions i < min(|a|, |b|) with a[i] == b[i].
int CountEqualSigns(std::string_view a, std::string_view b);
// Hits of a row against a source-row pattern (cells split at commas; '*' and empty cells never hit).
int SourceRowHits(std::string_view row, std::string_view pattern);
// Non-overlapping occurrences of q in row, searched from the left; an empty q occurs 0 times.
int CombinationCount(std::string_view row, std::string_view q);
// Product over the matches of user/people; a factor is 1.0 when the match has a
// people's percentage of 0 or the quotient is 0.
double RowValue(std::string_view row, const PercentTable& user, const PercentTable& people);
// Sum over the positions of table[m][sign]; a character that is not a sign adds nothing.
int64_t RowSum(std::string_view row, const SumTable& table);

// Lowest and highest row sums over a frame. withinFrame restricts each match to
// its frame signs; a match with no qualifying sign adds N*1000 to the lowest and
// 0 to the highest (N = number of frame entries).
std::pair<int64_t, int64_t> FrameSumBounds(const SumTable& table, const std::vector<std::string>& frame,
                                           bool withinFrame);
// The wizard's normalisation of the win bounds against the within-frame bounds.
void NormaliseWinBounds(ConditionSet& c, int64_t lo, int64_t hi);

// The "most in succession" bound of one sign: no run of more than bound copies
// of sign in row. A bound of n or more holds for every row; a negative bound
// (only a damaged file has one) holds for none. Generation and the checking of
// a winning row both use this one rule.
bool RunWithinBound(std::string_view row, char sign, int bound, int n);

// Single condition kinds (each as if its flag were on); the checking of a
// winning row reports them one by one.
bool PassesSignCounts(std::string_view row, const ConditionSet& c);
bool PassesSourceRows(std::string_view row, const ConditionSet& c);
bool PassesYesCombinations(std::string_view row, const ConditionSet& c);
bool PassesNoCombinations(std::string_view row, const ConditionSet& c);
bool PassesPercentage(std::string_view row, const ConditionSet& c, const PercentTables& t);
bool PassesWinLevel(std::string_view row, const ConditionSet& c);

// Random generation tests duplicates and the row difference against the rows
// accepted so far; `accepted` must be sorted ascending (binary search).
struct RandomContext {
    const std::vector<std::string>* accepted = nullptr;
};

// The row tests in their fixed order, each only when its flag is on; the first
// failure rejects. random == nullptr is every caller but random generation.
bool RowPassesConditions(std::string_view row, const ConditionSet& c, const PercentTables& t,
                         const RandomContext* random = nullptr);

// Greedy row difference, earlier rows win: afterwards any two rows differ in at
// least d positions. A non-empty start row is moved (or inserted) to the front
// first and always kept. cancel (may be null) stops the pass after the row
// being processed; rows not reached stay as they were. progress (may be null)
// is called with (index being processed, current number of rows).
using RowDifferenceProgress = std::function<void(int64_t index, int64_t count)>;
void ApplyRowDifference(std::vector<std::string>& rows, int d, const std::string& startRow,
                        const std::atomic<bool>* cancel, const RowDifferenceProgress& progress = {});
// The same on packed rows of n matches (the engine's form). startRow may be null.
void ApplyRowDifferencePacked(std::vector<core::PackedRow>& rows, int n, int d, const core::PackedRow* startRow,
                              const std::atomic<bool>* cancel, const RowDifferenceProgress& progress = {});

// ---- The compiled form for packed rows ----

// A ConditionSet turned into masks and tables for rows packed two bits a match.
// Passes(p) == RowPassesConditions(UnpackRow(p, n), c, t) for every valid row of n matches.
class CompiledConditions {
public:
    CompiledConditions(const ConditionSet& c, const PercentTables& t);

    int n() const { return n_; }
    bool usesValue() const { return useValue_ && !valueTrivial_; }
    bool usesSum() const { return useSum_; }
    // Factor of sign s at match m for the percentage value, and the sum figure.
    double factor(int m, int s) const { return factor_[static_cast<size_t>(m)][static_cast<size_t>(s)]; }
    int64_t sumFigure(int m, int s) const { return sum_[static_cast<size_t>(m)][static_cast<size_t>(s)]; }

    // The whole test of a row (value and sum computed here).
    bool Passes(core::PackedRow p) const;
    // The test given the row's value and sum computed by the caller (incrementally).
    bool Passes(core::PackedRow p, double value, int64_t sum) const {
        if (useValue_ && !(procMin_ <= value && value <= procMax_)) return false;
        if (useSum_ && !(winMin_ <= sum && sum <= winMax_)) return false;
        return PassesPatterns(p);
    }
    // Sign counts and source-row hits add up match by match. The engine keeps
    // them as 8-bit lanes of one word (home, draw and away counts, then up to
    // five source rows), adds the lanes of every sign it sets, and checks all
    // their bounds at once.
    uint64_t LaneIncrement(int m, int s) const { return laneInc_[static_cast<size_t>(m)][static_cast<size_t>(s)]; }
    bool LanesPass(uint64_t w) const { return (((w + addHi_) | ~(w + addLo_)) & laneHigh_) == 0; }
    // False when no completion can pass: a lane is over its maximum already,
    // or stays below its minimum even if every open match adds to it.
    bool LanesMayPass(uint64_t w, uint64_t maxRest) const {
        return (((w + addHi_) | ~(w + maxRest + addLo_)) & laneHigh_) == 0;
    }
    // The test given the row's value, sum and lanes computed by the caller.
    bool Passes(core::PackedRow p, double value, int64_t sum, uint64_t lanes) const {
        if (useValue_ && !(procMin_ <= value && value <= procMax_)) return false;
        if (useSum_ && !(winMin_ <= sum && sum <= winMax_)) return false;
        return LanesPass(lanes) && PassesShapes(p);
    }
    // What the lanes leave out: runs, source rows beyond the lanes, no- and yes-combinations.
    bool PassesShapes(core::PackedRow p) const;
    bool PassesValue(double value) const { return !useValue_ || (procMin_ <= value && value <= procMax_); }
    bool PassesSum(int64_t sum) const { return !useSum_ || (winMin_ <= sum && sum <= winMax_); }
    // Sign counts and runs, source rows, yes- and no-combinations.
    bool PassesPatterns(core::PackedRow p) const;
    double Value(core::PackedRow p) const;

    // What is known of a row while it is being built match by match: the
    // matches already set (low bit of each pair), the signs still possible at
    // the others, and the least and most the others can add to the row sum.
    struct PrefixInfo {
        uint64_t knownLow = 0;
        std::array<uint64_t, 3> possible{};
        int64_t sumMinRest = 0, sumMaxRest = 0;
        uint64_t laneMaxRest = 0;  // per lane, how many open matches can still add to it
        // Filled by CompletePrefix: how many open matches may still hit each source row.
        std::vector<int> sourceMay;
    };
    void CompletePrefix(PrefixInfo& info) const;
    // True when no row that agrees with p on the known matches can pass (the
    // conditions that only get worse as matches are added: sums, counts, runs,
    // source rows, no-combinations). False means "may pass".
    bool PrefixCannotPass(core::PackedRow p, const PrefixInfo& info, int64_t sumKnown, uint64_t lanesKnown) const;
    bool RejectsAll() const { return rejectAll_; }
    bool CanPrune() const { return rejectAll_ || useSum_ || useSigns_ || useSource_ || useNo_; }
    // True when every row drawn from signs (the signs allowed at each match)
    // passes: each bound in force holds for the least and the most the frame
    // can give, and no test of the row's shape is in force. Conservative: false
    // means "some row may fail". Lets a walk skip the tests altogether.
    bool PassesEveryRow(const std::vector<std::vector<int>>& signs) const;
    int64_t Sum(core::PackedRow p) const;

    // Drops, one by one, the conditions that every row drawn from signs
    // passes (bounds the frame's extremes cannot cross, patterns the frame
    // cannot hold), so a walk of that frame does not test them row by row.
    void DropAlwaysTrue(const std::vector<std::vector<int>>& signs);
    // Puts the source rows beyond the lanes, the no- and the yes-combinations
    // in the order of how often they turn down a sample of the frame's rows.
    // Every test is a pure function of the row: only the cost changes.
    void OrderByRejection(const std::vector<std::vector<int>>& signs);

    // The patterns that reject wherever they occur (runs over their bound and
    // no-combinations without '*'): the longest of them, 0 when none is in force.
    int ForbiddenSpan() const;
    // True when one of those patterns lies wholly within the known matches
    // (low bit of each known match's pair set in knownLow).
    bool ForbiddenWithin(core::PackedRow p, uint64_t knownLow) const;
    // Everything PassesShapes tests but the forbidden patterns: source rows
    // beyond the lanes, no-combinations with '*', yes-combinations.
    bool PassesRest(core::PackedRow p) const;

    // The rest taken apart for a walk that keeps a prefix and looks its tails
    // up in tables. Pieces of the yes-combinations in force, numbered 0..YesPieces()-1:
    int YesPieces() const { return static_cast<int>(pieces_.size()); }
    int YesPieceSpan() const;  // the longest of them
    // Where piece k starts wholly within the known matches (low bits as in PrefixInfo).
    uint64_t YesPieceStarts(int k, core::PackedRow p, uint64_t knownLow) const;
    // Every yes-combination, given starts[k] for each piece of the whole row.
    bool YesHoldFromStarts(const uint64_t* starts) const;
    // The greedy count of piece k taken from the left: the count so far and
    // the match where the last counted occurrence ends (-1 when none).
    struct PieceCount {
        int count = 0;
        int end = -1;
    };
    int YesPieceLength(int k) const { return pieces_[static_cast<size_t>(k)].len; }
    bool YesPieceSelfOverlaps(int k) const { return pieces_[static_cast<size_t>(k)].selfOverlap; }
    // The count of piece k from which on its yes-combination's verdict no
    // longer changes as the count grows (the bound passed, or a presence that
    // the row's length cannot take past 8).
    int YesPieceCap(int k) const;
    // Goes on counting piece k over starts m that all lie after the ones counted in from.
    PieceCount CountPieceFrom(int k, uint64_t m, PieceCount from) const;
    // Every yes-combination, given the greedy count of each piece in the whole row.
    bool YesHoldFromCounts(const int* counts) const;
    // No-combinations with '*', numbered 0..StarNos()-1; a row matches one
    // (and is turned down) when it matches on the part under pairMask and on the rest.
    int StarNos() const { return static_cast<int>(stars_.size()); }
    bool StarMatchesWithin(int k, core::PackedRow p, uint64_t pairMask) const;
    // Source rows beyond the lanes, which only PassesRest tests.
    bool HasSourcesBeyondLanes() const { return laneSources_ < sources_.size(); }

    struct Piece {
        int len = 0;               // 0: never present
        bool selfOverlap = false;  // occurrences may overlap: count greedily
        std::array<uint8_t, core::kMaxMatches> codes{};
    };

private:
    std::pair<int64_t, int64_t> SumBounds(const std::vector<std::vector<int>>& signs) const;
    struct Yes;
    struct No;
    void numberPieces();
    bool yesHoldsFromStarts(const uint64_t* starts) const;
    bool forbidden(const std::array<uint64_t, 3>& is) const;
    bool restPass(core::PackedRow p, const std::array<uint64_t, 3>& is) const;
    bool yesHolds(const Yes& y, const std::array<uint64_t, 3>& is) const;

    struct SignRule {
        int min = 0, max = 0;
        int runLen = 0;  // > 0: a run of this length rejects; -1: every row is rejected
        // The run test as shifts: t &= t << shift[i] for i < steps leaves a bit
        // where a run of runLen starts (lengths double, then the remainder).
        int steps = 0;
        std::array<uint8_t, 6> shift{};
    };
    struct SourceMask {
        std::array<uint64_t, 3> mask{};
        int min = 0, max = 0;
    };
    struct Yes {
        int kind = 0;  // 0 plain, 1 '?', 2 '!'
        std::vector<Piece> pieces;
        int min = 0, max = 0;
        int firstPiece = 0;  // the number of pieces[0] among all yes pieces
    };
    struct No {
        bool star = false;
        bool never = false;                // cannot match any row
        bool always = false;               // matches every row (rejects all)
        Piece piece;                       // without '*'
        uint64_t careMask = 0, value = 0;  // with '*'
    };

    int n_ = 0;
    uint64_t lowMask_ = 0;  // the low bit of every match's pair
    bool useValue_ = false, valueTrivial_ = false, useSum_ = false;
    bool useSigns_ = false, useSource_ = false, useYes_ = false, useNo_ = false;
    bool rejectAll_ = false;
    double procMin_ = 0, procMax_ = 0;
    int64_t winMin_ = 0, winMax_ = 0;
    std::array<std::array<double, 3>, core::kMaxMatches> factor_{};
    std::array<std::array<int64_t, 3>, core::kMaxMatches> sum_{};
    std::array<SignRule, 3> signs_{};
    std::vector<SourceMask> sources_;
    std::vector<Yes> yes_;
    std::vector<No> no_;
    std::vector<Piece> pieces_;  // the pieces of yes_, in order
    std::vector<int> pieceCap_;  // YesPieceCap of each
    std::vector<No> stars_;      // the no-combinations of no_ with '*'
    size_t laneSources_ = 0;  // source rows 0 .. laneSources_-1 are checked in the lanes
    uint64_t addHi_ = 0, addLo_ = 0, laneHigh_ = 0;
    std::array<std::array<uint64_t, 3>, core::kMaxMatches> laneInc_{};
};

}  // namespace vinra::reduction
