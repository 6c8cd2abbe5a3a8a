#pragma once
// The editors of the reduction conditions without their dialogs: what each
// accepts, what it refuses (with the message number to show), and how its
// values go back into the working conditions on OK. Every editor works on its
// own copy; the working ConditionSet changes only in Store.
//
// Signs are typed and shown in the pool's display characters and stored in
// internal codes ('0' home, '1' draw, '2' away).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/signs.h"
#include "reduction/conditions.h"

namespace vinra::reduction {

// Character by character: a character equal (case-insensitively) to the first
// character of a display string becomes that sign's code; others stay.
std::string DisplayCharsToCodes(std::string_view text, const core::DisplaySigns& signs);
// Each code '0', '1', '2' becomes the first character of its display string; others stay.
std::string CodesToDisplayChars(std::string_view codes, const core::DisplaySigns& signs);

// The most entries a condition list holds (what a system file keeps).
constexpr int kMaxConditionEntries = 100;

// ---- Yes- and no-combinations ----

class CombinationEditor {
public:
    enum class Kind { Yes, No };
    struct Entry {
        std::string text;  // display characters
        int min = 0, max = 0;
    };
    // What Add did; message is the number to show (0: none).
    struct AddResult {
        enum class What { Added, Updated, Ignored, Refused } what = What::Ignored;
        int message = 0;       // 339, 340 (with the match count) or 1502 (the list is full)
        int index = -1;        // the entry added or updated
        int min = 0, max = 0;  // the choice boxes after Add (0/0 for '?' and '!' entries)
    };

    CombinationEditor(Kind kind, int n, const core::DisplaySigns& signs, const ConditionSet& c);

    Kind kind() const { return kind_; }
    // The characters the entry field accepts: the display characters and "!?" or "*".
    std::string Allowed() const;
    // The entry as Add takes it: upper-cased, other characters dropped.
    std::string Clean(std::string_view typed) const;
    AddResult Add(std::string_view typed, int min, int max);
    // Removes entry i; returns the entry to select afterwards (the one before, or -1).
    int Delete(int index);
    const std::vector<Entry>& Entries() const { return entries_; }
    // OK: the list back into the working conditions, in internal codes.
    void Store(ConditionSet& c) const;

private:
    Kind kind_;
    int n_;
    core::DisplaySigns signs_;
    std::vector<Entry> entries_;
};

// ---- Sign counts and runs ----

class SignCountEditor {
public:
    enum Line { MaxLine = 0, RunLine = 1, MinLine = 2 };
    SignCountEditor(int n, const ConditionSet& c);
    int n() const { return n_; }
    // The value of a line for a sign (0 home, 1 draw, 2 away), 0..N.
    int Value(int line, int sign) const;
    void Set(int line, int sign, int value);  // limited to 0..N
    void Store(ConditionSet& c) const;

private:
    int n_;
    std::array<std::array<int, 3>, 3> v_{};
};

// ---- Source rows ----

class SourceRowEditor {
public:
    // The cycle of a match cell: empty, home, draw, away, home+draw,
    // draw+away, home+away, all three, '*'.
    static constexpr int kCellStates = 9;
    struct Column {
        std::vector<int> cells;  // one state per match
        int min = -1, max = -1;  // -1 empty, else 0..N
    };

    SourceRowEditor(int n, const ConditionSet& c);
    int n() const { return n_; }
    // The columns shown: the source rows, then one empty column to fill in
    // while there is room (at most kMaxConditionEntries columns).
    const std::vector<Column>& Columns() const { return columns_; }
    // Columns holding a source row (some match cell not empty).
    int UsedColumns() const;
    // A click on a match cell (forward: left button, backward: right). True
    // when the editor is now full: message 457, no further column comes.
    bool CycleCell(int column, int match, bool forward);
    void CycleMin(int column, bool forward);
    void CycleMax(int column, bool forward);
    void DeleteColumn(int column);

    std::string CellText(int column, int match, const core::DisplaySigns& signs) const;
    std::string MinText(int column) const;
    std::string MaxText(int column) const;

    // The stored pattern of one column's cells (see Store).
    static std::string PatternOfCells(const std::vector<int>& cells);
    // OK: every column with a non-empty match cell becomes a source row; an
    // empty Min becomes 0 and an empty Max N.
    std::vector<SourceRow> SourceRows() const;
    void Store(ConditionSet& c) const { c.sourceRows = SourceRows(); }

private:
    void keepOneEmptyColumn();
    int n_;
    std::vector<Column> columns_;
};

// The rank of every sign's people's percentage among the 3N of the round
// (1 = most played; equal texts share the better rank), from
// the texts as the game information holds them ("05.5" sorts before "45.5").
std::vector<std::array<int, 3>> PeopleRanks(const std::array<std::array<std::string, 3>, core::kMaxMatches>& people,
                                            int n);

// ---- Percentages ----

class PercentEditor {
public:
    PercentEditor(int n, const std::vector<std::string>& frame, const ConditionSet& c, const PercentTable& people);

    int n() const { return n_; }
    int Value(int match, int sign) const { return v_[static_cast<size_t>(match)][static_cast<size_t>(sign)]; }
    // A field changed: digits only (an empty field is 0), then the balancing
    // that keeps a match at 100 where it can.
    void Edit(int match, int sign, std::string_view text);
    // Copies a reference table, rounded, into the fields of the checked matches.
    // keepBlank: a match the reference has no figures for keeps the player's
    // own numbers instead of getting three zeros.
    void CopyReference(const PercentTable& reference, bool keepBlank = false);
    // The checked matches (0-based) the reference has no figures for.
    std::vector<int> BlankCheckedMatches(const PercentTable& reference) const;
    bool Checked(int match) const { return checked_[static_cast<size_t>(match)]; }
    void SetChecked(int match, bool on) { checked_[static_cast<size_t>(match)] = on; }
    void CheckAll(bool on);
    void InvertChecks();

    // The smallest and largest percentage value a row of the frame can have.
    double MinRowValue() const;
    double MaxRowValue() const;

    std::string minText, maxText;  // the bound fields
    // OK: bounds (not a number: 0 and 10000) and the fields as the player's percentages.
    void Store(ConditionSet& c) const;

private:
    double extremeRowValue(bool highest) const;
    int n_;
    std::vector<std::string> frame_;
    PercentTable people_;
    std::vector<std::array<int, 3>> v_;
    std::vector<bool> checked_;
};

// Whether a reference gives figures for match m (0-based): a round without
// bookmaker odds, say, leaves the bookmaker's column at 0 for every sign.
bool HasReferenceFigures(const PercentTable& reference, int match);
// Whether it gives figures for any of the first n matches.
bool HasAnyReferenceFigures(const PercentTable& reference, int n);

// A decimal typed with ',' or '.'; nullopt when the text is not a number.
std::optional<double> ParseDecimalField(std::string_view text);

// ---- Win level ----

class WinLevelEditor {
public:
    enum class Mark { None, Low, High, Between };
    WinLevelEditor(int n, const std::vector<std::string>& frame, const ConditionSet& c);
    std::pair<int64_t, int64_t> TotalBounds() const { return total_; }
    std::pair<int64_t, int64_t> FrameBounds() const { return frameBounds_; }
    int64_t Low() const { return low_; }
    int64_t High() const { return high_; }
    // Both fields are limited to the within-frame bounds.
    void SetLow(int64_t v);
    void SetHigh(int64_t v);
    // Colouring of cell (match, sign): over all three signs (Min/Max) or among
    // the frame signs, the others of the frame Between (Frame).
    Mark Colour(int match, int sign, bool frameOnly) const;
    void Store(ConditionSet& c) const;

private:
    int n_;
    std::vector<std::string> frame_;
    SumTable table_;
    std::pair<int64_t, int64_t> total_, frameBounds_;
    int64_t low_, high_;
};

}  // namespace vinra::reduction
