#pragma once
// The two printed reports of a checked system: the one-page winnings summary
// (the matches with the winning row, what every level paid, the total, the
// stake and the result) and the list of winning rows on pages of two columns.
// Composed as drawing commands; ui/ shows them in the preview, prints them or
// writes a PDF.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "checking/winnings.h"
#include "core/signs.h"
#include "output/page.h"

namespace vinra::output {

// One line of the summary's level table.
struct ReportLevel {
    int level = 0;         // number of right matches
    int64_t ownCount = 0;  // the system's rows with exactly `level` right
    int64_t payout = 0;    // hundredths per winning row
    int64_t Win() const { return ownCount * payout; }
};

struct WinningsReportInput {
    // From the document.
    std::string typ;   // pool code
    std::string pool;  // pool name
    std::string omg;   // "2009-28"
    int matchCount = 13;
    int64_t rowCount = 0;
    int64_t pricePerRow = 100;  // hundredths
    core::DisplaySigns signs;
    // From the check window.
    std::string roundText;                  // "28 2009": week, a space, year
    std::string displayResult;              // the result row in display characters
    std::vector<std::string> matchLabels;   // "Home - Away" per match
    std::vector<std::string> winningLines;  // sorted, as the checking made them
    std::array<ReportLevel, 4> levels{};    // levels N-3 .. N, lowest first
    // Message text by number (default: the language table).
    std::function<std::string(int)> text;
};

// The four summary levels N-3..N from a recount's distribution and the level
// table of the check: a level that does not pay shows its own count and 0,00.
std::array<ReportLevel, 4> SummaryLevels(int matchCount, const std::vector<int64_t>& counts,
                                         const checking::WinningsTable& table);
// The summary's totals: sum of the four level wins, stake, and result.
struct SummaryTotals {
    int64_t sum = 0;
    int64_t stake = 0;
    int64_t result = 0;
};
SummaryTotals SummaryTotalsOf(const WinningsReportInput& in);

// "28 2009" from "2009-28"; a round text without a year (shorter than 7
// characters) gets the given year in front first, as the check window does.
std::string ReportRoundText(std::string omg, const std::string& currentYear);

// Print job titles of the two reports.
std::string WinningSummaryTitle(const WinningsReportInput& in);
std::string WinningRowsTitle(const WinningsReportInput& in);

PrintDocument WinningSummaryDocument(const WinningsReportInput& in);
PrintDocument WinningRowsDocument(const WinningsReportInput& in);

}  // namespace vinra::output
