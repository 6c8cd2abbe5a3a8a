#pragma once
// Signs, rows, frames, rounds and number display: the vocabulary every part of
// the program shares.
//
// Internal sign codes: '0' home win, '1' draw, '2' away win, '-' no result.
// A row is N codes with no separators; a frame entry names the marked codes of
// one match, compact ("02") or positional ("0 2").
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vinra::core {

constexpr int kMaxMatches = 30;
constexpr int kDefaultMatches = 13;

// The characters a pool shows for home, draw and away.
struct DisplaySigns {
    std::string home = "1";
    std::string draw = "X";
    std::string away = "2";
};

// The display strings of the current pool (process-wide; replaced when the pool changes).
const DisplaySigns& CurrentDisplaySigns();
void SetCurrentDisplaySigns(const DisplaySigns& signs);

// Each '0','1','2' becomes the home/draw/away display string; anything else "-".
std::string SignsToDisplay(std::string_view codes, const DisplaySigns& signs = CurrentDisplaySigns());
// Each character equal to a display string becomes its code; anything else '-'.
std::string DisplayToSigns(std::string_view text, const DisplaySigns& signs = CurrentDisplaySigns());
// Whole-text case-insensitive replace-all; toward display "2","1","0" in that
// order, toward codes home, draw, away in that order.
std::string ReplaceSigns(std::string_view text, bool toDisplay, const DisplaySigns& signs = CurrentDisplaySigns());
// Keeps, in order, the characters of text found in allowed (compared upper-cased), upper-cased.
std::string KeepChars(std::string_view text, std::string_view allowed);

// Number of non-space characters of a frame entry.
int MarkedCount(std::string_view entry);
// The marked codes of an entry as the expansion reads them: leading and trailing
// blanks removed, then one inner blank ("0 2" -> "02", " 1 " -> "1", "012" -> "012").
std::string EntrySigns(std::string_view entry);
// True when the code occurs in the entry.
inline bool EntryHas(std::string_view entry, char code) { return entry.find(code) != std::string_view::npos; }
// Product over the matches of their marked counts (an unmarked match counts 1).
// 64-bit: 3^30 does not fit in 32 bits.
uint64_t MathRowCount(const std::vector<std::string>& frame);
// True when every entry has at least one non-space character.
bool FrameComplete(const std::vector<std::string>& frame);
// Positional frame ("0 2") holding every sign of every row.
std::vector<std::string> FrameFromRows(const std::vector<std::string>& rows, int n);
class RowList;
std::vector<std::string> FrameFromRowList(const RowList& rows, int n);
// The same for a system's rows as the document keeps them (a template, so a
// braced list of rows still picks the list of strings above).
template <class Rows>
    requires std::same_as<Rows, RowList>
std::vector<std::string> FrameFromRows(const Rows& rows, int n) {
    return FrameFromRowList(rows, n);
}
// Singles, 2-ways and 3-ways of a frame (entries counted as the frame editor counts them).
struct FrameCounts {
    int singles = 0, doubles = 0, triples = 0;
};
FrameCounts CountFrame(const std::vector<std::string>& frame);

// True when s holds exactly n codes '0'..'2'.
bool IsRow(std::string_view s, size_t n);

// ISO 8601 week of a date as "yyyy-ww".
std::string RoundOfDate(int year, int month, int day);
// The round of today's local date.
std::string RoundOfToday();
// The digits of a round: "2009-28" -> 200928 (0 when there are none).
int64_t RoundNumber(std::string_view omg);

// Display form of a number already written as text: groups of three with a
// space, and for a decimal comma exactly two decimals (cut, not rounded).
// A leading minus stays on the first group.
std::string GroupDigits(std::string_view numberText);
std::string GroupDigits(int64_t value);
// An amount in hundredths as "1 234,50" (exact; no floating point).
std::string FormatAmount(int64_t hundredths);

}  // namespace vinra::core
