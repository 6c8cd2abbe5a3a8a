#pragma once
// Checking a system against the outcome of a round: the result row, the number
// of right matches of every row, the rows that win and those closest to it, the
// sign statistics of the result row, and which of the system's own conditions
// the result row fulfils. Pure computation on the system document; the check
// window shows what these functions return.
//
// Message texts are parameters (translated texts come from the language table);
// they are never used as printf formats: %s and %d are substituted here, in order.
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/packed_row.h"
#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::checking {

// The texts the checking shows, English by default (language-table number in brackets).
struct CheckMessages {
    std::string couponRow = "Coupon %d, row %d;";                          // 411
    std::string winningRow = "%d right in coupon %d, row %d (row %d)";     // 412
    std::string ok = "OK";                                                 // 40
    std::string wrong = "Wrong!";                                          // 395
    std::string sRowsHeader = "S-rows:";                                   // 402
    std::string noSRows = "[No S-rows specified]";                         // 403
    std::string sRowLine = "%s: %s to %s right. Res: %d right => %s";      // 404
    std::string maxMinHeader = "Max-Min-In a row:";                        // 405
    std::string max = "Max";                                               // 396
    std::string atLeast = "At least";                                      // 398
    std::string homeWins = "home wins";                                    // 439
    std::string draws = "draws";                                           // 440
    std::string awayWins = "away wins";                                    // 495
    std::string perRow = "per row";                                        // 399
    std::string inARow = "in a row";                                       // 400
    std::string yesHeader = "Yes-combinations:";                           // 406
    std::string noYes = "[No Yes-combinations specified]";                 // 407
    std::string yesLine = "%s: %s to %s times/row => %s";                  // 408
    std::string noHeader = "No-combinations:";                             // 409
    std::string noNo = "[No No-combiantions specified]";                   // 410
    std::string sumHeader = "Sum of percent in winning row";               // 515
    std::string sumLine = "Row: %s, Sum: %d, Min: %d, Max: %d => %s";      // 516
    std::string signCount = "Num %s:";                                     // 385
    std::string signRun = "%s in a row:";                                  // 388
    std::string peopleSum = "Sum of percent in winning row: %d";           // 502

    // The texts of one language: text(number) gives the language table's text
    // of a message number (an empty answer keeps the English default).
    static CheckMessages FromTable(const std::function<std::string(int)>& text);
    bool operator==(const CheckMessages&) const = default;
};

// Substitutes the arguments, in order, for the placeholders %s and %d of a
// message text; "%%" gives "%". A placeholder without an argument becomes empty,
// surplus arguments are dropped, and any other "%" is copied as it is.
std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args);

// A message text split once at its placeholders, for the per-row loops.
class MessageTemplate {
public:
    explicit MessageTemplate(std::string_view text);
    void AppendTo(std::string& out, std::initializer_list<std::string_view> args) const;
    std::string Format(std::initializer_list<std::string_view> args) const;

private:
    std::vector<std::string> literals_;  // literal i precedes placeholder i; one more than placeholders
};

// Number of rows on one paper coupon: the pool's value when it is 1..16, else 12.
int ClampCouponColumns(int couponColumns);

// Derives the result row from the goals of matches 1..N ('-' where a score is
// unknown), stores it in doc.Facit and returns it.
std::string ResultRowFromGoals(core::TVinraFile& doc);

// Goals needed for a row (display form) to become right everywhere it differs
// from the result row (display form); -1 when their lengths differ.
int64_t GoalsToRow(std::string_view displayRow, std::string_view displayResult,
                   const std::array<int32_t, core::kMaxMatches>& hGoal,
                   const std::array<int32_t, core::kMaxMatches>& aGoal, std::string_view drawDisplay);

// A level's hint names at most this many rows: it is a tooltip, and a level
// of a large system would otherwise hold megabytes of text rebuilt at every click.
inline constexpr int64_t kMaxHintRows = 200;
inline constexpr const char* kHintMore = " ...";

// A read-only list of texts that a recount of a million rows does not spell out
// in advance: an entry becomes text when it is read. The check window reads a
// handful of best-row keys and the hint of a count it shows, so building a
// million strings per recount would be work nobody looks at.
class CheckTexts {
public:
    // Where the texts of a recount come from (the recount's own per-row figures).
    class Source {
    public:
        virtual ~Source() = default;
        virtual size_t Size() const = 0;
        virtual std::string At(size_t i) const = 0;
    };

    CheckTexts() = default;
    CheckTexts(std::vector<std::string> texts) : texts_(std::move(texts)) {}
    CheckTexts(std::initializer_list<std::string> texts) : texts_(texts) {}
    explicit CheckTexts(std::shared_ptr<const Source> source) : source_(std::move(source)) {}

    size_t size() const { return source_ ? source_->Size() : texts_.size(); }
    bool empty() const { return size() == 0; }
    // Entry i (i < size()).
    std::string operator[](size_t i) const { return source_ ? source_->At(i) : texts_[i]; }
    std::string front() const { return (*this)[0]; }
    std::vector<std::string> ToStrings() const;

    // Same texts in the same order, however each side holds them.
    bool operator==(const CheckTexts& other) const;

private:
    std::vector<std::string> texts_;
    std::shared_ptr<const Source> source_;
};

// Everything one recount yields.
struct CheckResult {
    int matchCount = 0;                     // N
    std::vector<int64_t> counts;            // [k] rows with exactly k right, k = 0..N
    CheckTexts hints;                       // [k] "Coupon c, row r;" of the first kMaxHintRows such rows, in row order,
                                            // then kHintMore when there are more
    std::vector<std::string> winningLines;  // rows with 10 or more right, sorted as text
    CheckTexts bestKeys;                    // "ww \t goals \t index" of every row, sorted as text
    int best = 0;                           // highest number of right matches (0 without rows)
};

// Checks rows against a result row. The rows are packed once, so a window that
// recounts after every change of the result keeps one checker for the session.
class RowChecker {
public:
    RowChecker(const std::vector<std::string>& rows, int matchCount);
    // A list already packed at N signs is taken word for word.
    RowChecker(const core::RowList& rows, int matchCount);

    // Counting, hints, winning-row lines and best-row keys for the result row
    // (internal form) and the goals; couponColumns outside 1..16 counts as 12.
    CheckResult Check(std::string_view facit, const std::array<int32_t, core::kMaxMatches>& hGoal,
                      const std::array<int32_t, core::kMaxMatches>& aGoal, int couponColumns,
                      const core::DisplaySigns& signs, const CheckMessages& messages = {}) const;

    size_t RowCount() const { return packed_.size(); }

private:
    int n_;
    std::vector<core::PackedRow> packed_;              // every row; see odd_ for rows that do not pack
    std::vector<std::pair<size_t, std::string>> odd_;  // (index, row) of rows that are not N codes
};

// One recount of the document's rows against its Facit.
CheckResult CheckRows(const core::TVinraFile& doc, int couponColumns, const core::DisplaySigns& signs,
                      const CheckMessages& messages = {});

// Number of right matches of a best-row key: N minus its two-digit prefix.
int RightOfBestKey(std::string_view key, int matchCount);
// Row index (0-based) a best-row key leads back to; -1 when the key is malformed.
int64_t RowIndexOfBestKey(std::string_view key);

// Sign statistics of the result row (internal form), per sign home, draw, away.
struct SignStatistics {
    std::array<int, 3> count{};
    std::array<int, 3> longestRun{};
    std::array<std::string, 3> countLines;  // "Num 1:" and the count
    std::array<std::string, 3> runLines;    // "1 in a row:" and the run
};
int SignCount(std::string_view facit, int matchCount, int sign);
int LongestRun(std::string_view facit, int matchCount, int sign);
SignStatistics SignCounts(std::string_view facit, int matchCount, const core::DisplaySigns& signs,
                          const CheckMessages& messages = {});

// The protocol of the result row against the document's own conditions.
struct ConditionsProtocol {
    std::vector<std::string> lines;
    // Overall verdict; empty when no reported condition is switched on (the
    // indicator then keeps its picture).
    std::optional<bool> verdict;
};
ConditionsProtocol WinningRowConditions(const core::TVinraFile& doc, std::string_view facit,
                                        const core::DisplaySigns& signs, const CheckMessages& messages = {});

// People's percentages of a round, per match and sign column.
using PercentTable = std::array<std::array<int32_t, 3>, core::kMaxMatches>;
// A people's percentage text as the checking reads it: one leading '0' dropped,
// every non-digit dropped, the rest read (0 when nothing is left).
int32_t PeoplePercentFromText(std::string_view text);
// Sum of the people's percentages of the result row's signs (undecided matches add nothing).
int64_t PeoplePercentSum(std::string_view facit, const PercentTable& people);
std::string PeoplePercentLine(std::string_view facit, const PercentTable& people, const CheckMessages& messages = {});

}  // namespace vinra::checking
