#pragma once
// The warranty of a system: for every outcome the player may face (every row of
// the frame that passes the system's conditions), how many of the system's rows
// score N, N-1, N-2 and N-3 against it. Outcomes with the same four counts form
// one class; the table lists the classes and how many outcomes fall in each.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/packed_row.h"

namespace vinra::core {
class TVinraFile;
}

namespace vinra::reduction {

struct WarrantyTable {
    std::vector<std::string> keys;  // class keys "aa-b-cc-dd" in first-met order over the outcomes
    std::vector<int64_t> counts;    // outcomes per key
    int64_t total = 0;              // number of outcomes (set when the tally starts)
    // False when the tally was cancelled: such a table covers only part of the
    // outcomes and must never be stored as the system's warranty.
    bool complete = true;
};

// Tallies the warranty classes. outcomes are packed rows of n matches, normally
// in expansion order (ascending; any order is accepted, the keys follow it);
// systemRows are packed rows of n matches. cancel (may be null) stops the tally
// early: the table then holds the classes of a leading part of the outcomes and
// complete = false. tested (may be null) receives the number of outcomes tallied
// so far. Throws std::invalid_argument for n < 3 (the key needs N-3), n > 30, or
// an outcome holding a code other than 0, 1, 2.
WarrantyTable TallyWarranty(const std::vector<core::PackedRow>& outcomes,
                            const std::vector<core::PackedRow>& systemRows, int n, const std::atomic<bool>* cancel,
                            std::atomic<int64_t>* tested);

// How the tally counts; Auto picks the cheapest for the sizes at hand. The
// others exist to check and time each method.
enum class WarrantyMethod { Auto, Direct, Walk, Transform };
struct TallyOptions {
    WarrantyMethod method = WarrantyMethod::Auto;
    uint64_t maxChunkPositions = 0;  // 0: sized for the cache
    unsigned threads = 0;            // 0: every core
};
WarrantyTable TallyWarranty(const std::vector<core::PackedRow>& outcomes,
                            const std::vector<core::PackedRow>& systemRows, int n, const std::atomic<bool>* cancel,
                            std::atomic<int64_t>* tested, const TallyOptions& options);

// The same tally without the classes: for every outcome (in the order of the
// list) the rows with N, N-1, N-2 and N-3 right, for callers that weigh the
// outcomes one by one. False when cancelled (counts then partly zero).
using OutcomeCounts = std::array<uint32_t, 4>;
bool CountsPerOutcome(const std::vector<core::PackedRow>& outcomes, const std::vector<core::PackedRow>& systemRows,
                      int n, std::vector<OutcomeCounts>& counts, const std::atomic<bool>* cancel = nullptr,
                      std::atomic<int64_t>* tested = nullptr, const TallyOptions& options = {});

// The class key of the four counts h[N], h[N-1], h[N-2], h[N-3]: 1..9 as two
// digits with a leading zero, everything else as its plain decimal.
std::string WarrantyKey(int64_t right, int64_t oneWrong, int64_t twoWrong, int64_t threeWrong);

// The texts the warranty view shows (message formats are filled by
// core::FormatMsg, never by printf). The defaults are the English ones.
struct WarrantyTexts {
    std::string chance = "%f %% chans of at least %d row(s) with %d matches.";  // message 330
    std::string risk = "%f %% risk of less than %d matches.";                   // message 331
    std::string chanceHeader = "Chans";                                         // message 325
    std::string percentHeader = "Percent";                                      // message 326

    // The texts of a language of the message table (a missing one stays English).
    static WarrantyTexts FromLanguage(int languageBase);
};

// ---------------------------------------------------------------------------
// The Show step, without a window: the grid, its sorting, the chance and risk
// lines and the export.

struct WarrantyGridRow {
    std::string key;
    std::vector<std::string> counts;  // columns 0-3 as shown (integers; raw text when not a number)
    int64_t outcomes = 0;             // outcomes in the class
};

class WarrantyView {
public:
    // Builds the grid (keys ascending as strings) and the texts for a system of
    // n matches. total is the number of outcomes (below 1 taken as 1 when dividing).
    WarrantyView(const WarrantyTable& table, int n, const WarrantyTexts& texts = {});

    int n() const { return n_; }
    int64_t total() const { return total_; }
    // False for the partial table of a cancelled run: shown, never stored.
    bool complete() const { return complete_; }
    const std::vector<WarrantyGridRow>& rows() const { return rows_; }
    // Chance lines and the risk line, at most five: the system's warranty texts.
    const std::vector<std::string>& lines() const { return lines_; }

    // The six header cells: N, N-1, N-2, N-3, chance header, percent header.
    std::vector<std::string> Header() const;
    // The six cells of grid row r (0-based, below the header).
    std::vector<std::string> Cells(size_t r) const;
    // Every cell of the grid, header first. An empty table gives the header and
    // one empty row.
    std::vector<std::vector<std::string>> Grid() const;

    // Sorts by a column (0..5), ascending on the first click and alternating with
    // every further click. Columns 0-3 compare their integers, 4 and 5 the
    // outcome count; a cell that is not a number compares as equal.
    void SortByColumn(int column);

    // The grid as tab-separated text, header included, CR LF after every line.
    std::string ExportText() const;
    // Writes ExportText to a file (Windows-1252, atomically). Throws core::FileError.
    void ExportToFile(const std::filesystem::path& path) const;

private:
    int n_;
    int64_t total_;
    bool complete_;
    WarrantyTexts texts_;
    std::vector<WarrantyGridRow> rows_;
    std::vector<std::string> lines_;
    bool nextDescending_ = false;
};

// ---------------------------------------------------------------------------
// The warranty of the system document.

// Stores table, total and texts in the document (GarRad, GarAnt,
// AntalGarantiRader, AntalRader, Gar). Throws std::logic_error for an
// incomplete (cancelled) table, leaving the document unchanged.
void StoreWarranty(core::TVinraFile& doc, const WarrantyTable& table, const std::vector<std::string>& lines);
// The table held by the document: keys paired with their counts up to the first
// count that is missing or not a non-negative number; total AntalRader.
WarrantyTable WarrantyFromDocument(const core::TVinraFile& doc);
// Clears the warranty fields of the document.
void ClearWarranty(core::TVinraFile& doc);

// Import: reads the class table from a saved system file, section "Garanti":
// Rad%d and Ant%d for i below keyCount (the system's AntalGarantiRader); the
// first missing Rad%d ends the reading, a key whose Ant%d is missing (or not a
// non-negative number) is dropped and ends it. total is the system's total.
// cancel is checked every 10 entries; a cancelled import gives an empty,
// incomplete table. Throws core::FileError when the file cannot be read.
WarrantyTable ImportWarranty(const std::filesystem::path& file, int64_t keyCount, int64_t total,
                             const std::atomic<bool>* cancel = nullptr);

}  // namespace vinra::reduction
