#pragma once
// Reduced systems: fixed row sets with a known guarantee, kept in .RED files
// (one line per match, one character per row), mapped onto the player's base
// row. Here: reading and fitting the files, the character rules of R- and
// U-systems, mathematical guards, and the system coupon as a model the window
// drives (counts, OK rule, the values stored in the document).
#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/system_document.h"
#include "reduction/covering.h"

namespace vinra::reduction {

// A message of this module: its number in the language table and its text in
// the current language (0 when there is none, which means no message).
struct RedMessage {
    int number = 0;
    std::string text;
};
inline constexpr int kMsgFileNotFound = 380;      // "File not found: " + path
inline constexpr int kMsgTooMany = 381;           // " too many!"
inline constexpr int kMsgUnreadableName = 382;    // "An error occured when calculating covers."
inline constexpr int kMsgKeepCombinations = 277;  // asked before the rows are replaced
RedMessage FileNotFoundMessage(const std::filesystem::path& path);
RedMessage UnreadableNameMessage();

// Raised when a system cannot be applied; nothing has been changed then.
class RedError : public std::runtime_error {
public:
    explicit RedError(RedMessage m) : std::runtime_error(m.text), message_(std::move(m)) {}
    const RedMessage& message() const { return message_; }

private:
    RedMessage message_;
};

// What a system's name says: type letter, then after the first blank the full
// and the half guards, each ended by '-' or '.' (the half count may also end
// the name). Unreadable numbers give readable = false, type 'R', 0 and 0.
struct RedName {
    char type = 'R';
    int full = 0;
    int half = 0;
    bool readable = true;
};
RedName ParseRedName(std::string_view name);
// "R 4-0-9": type letter, blank, full-half-rows; a system that guarantees one
// more wrong (N-2 right) says so after the rows: "R 8-0-81 N-2".
std::string RedSystemName(char type, int full, int half, size_t rows, int wrong = 1);
// The wrong signs a system's name promises: 2 for a name ending in " N-2",
// else 1. The rows have the last word (see ComputeRedGuarantee).
int RedNameWrong(std::string_view name);

// A system file read and checked on its own: at least one line, every line as
// long as the first, at least one row. Empty lines at the end are dropped.
struct RedSystem {
    std::string name;                // file name without extension
    RedName info;                    // parsed from the name
    std::vector<std::string> lines;  // as in the file
    int rows() const { return lines.empty() ? 0 : static_cast<int>(lines.front().size()); }
};
// Throws RedError: message 380 for a missing file, a text of its own for a
// damaged one. Other read failures throw core::FileError.
RedSystem ReadRedFile(const std::filesystem::path& path);
// The same from lines already read (name without extension).
RedSystem RedSystemFromLines(std::string name, std::vector<std::string> lines);

// Fits the lines to n matches: with more lines the first ones are dropped, with
// fewer, lines of 'U' are put in front.
std::vector<std::string> FitRedLines(const std::vector<std::string>& lines, int n);
// Checks a system against a round of n matches before it is used: f + h <= n,
// at least f + h lines, the last f lines full ('0', '1', '2' only), the h before
// them half ('U' and at most one other character), every other line single
// ('U' only, the lines that fitting drops included). Throws RedError naming the
// first bad line.
void ValidateRedSystem(const RedSystem& system, int n);

// The lines of a covering (half coordinates first, then full ones) as a file
// would hold them. In a U-system every line is relabelled so that its most
// frequent code is the U sign ('0' in full lines, 'U' in half lines).
std::vector<std::string> RedLinesFromCode(const std::vector<CoverWord>& code, int full, int half, bool uSystem);
// The covering held by the last f + h lines of a file (half lines: 'U' = 0,
// anything else 1; full lines: the code). Throws RedError when they do not fit.
std::vector<CoverWord> CodeFromRedLines(const std::vector<std::string>& lines, int full, int half);

// One match of the system coupon.
struct CouponMatch {
    std::array<bool, 3> marks{};  // base row: home, draw, away
    bool math = false;            // mathematical guard
    int uSign = -1;               // U mark: 0, 1, 2 or -1
    int markCount() const { return marks[0] + marks[1] + marks[2]; }
    int firstMark() const;  // -1 without marks
    int lastMark() const;
};

enum class UIndicator { None, Tick, Arrow };

struct CouponCounts {
    int totalFull = 0, totalHalf = 0, totalU = 0;
    int usedFull = 0, usedHalf = 0, uMarks = 0, marked = 0;
    int leftFull = 0, leftHalf = 0, leftU = 0;
};

// The system coupon window as a model: the base row, the guards, the U marks,
// the chosen system, and the counts and OK rule that follow from them.
class SystemCoupon {
public:
    explicit SystemCoupon(int n = core::kDefaultMatches);

    // Fills the coupon from the document: base row from the frame, math guards
    // from MatGard, U marks from URow, list choice from SystemTyp ("G": own
    // systems), chosen system from Systemnamn (message 382 if unreadable).
    RedMessage LoadFromDocument(const core::TVinraFile& doc);

    int matchCount() const { return static_cast<int>(matches_.size()); }
    const CouponMatch& match(int i) const { return matches_.at(i); }
    const std::string& systemName() const { return systemName_; }
    char systemType() const { return type_; }
    bool ownSystems() const { return ownSystems_; }
    void setOwnSystems(bool own) { ownSystems_ = own; }

    // The window's clicks.
    void ToggleMark(int match, int sign);
    void ToggleMath(int match);
    void ClickU(int match, int sign);
    // Chooses a system by name; gives message 382 (number != 0) when its numbers
    // cannot be read. Empty name: no system chosen.
    RedMessage ChooseSystem(const std::string& name);

    CouponCounts Counts() const;
    // The label of a match row: " 7. Home - Away" (a blank before numbers below 10).
    static std::string MatchLabel(int number, std::string_view home, std::string_view away);
    // A remaining count as shown: negative ones as their size + " too many!".
    static std::string LeftText(int left);
    bool OkEnabled() const;
    UIndicator Indicator(int match) const;

    // Per match the signs of the result (one character per row) and the rows,
    // duplicates removed. The system must fit the coupon (the OK rule);
    // anything else throws RedError.
    struct Result {
        std::vector<std::string> columns;
        std::vector<std::string> rows;
    };
    Result Apply(const RedSystem& system) const;

    // After OK: clears the warranty, drops the source rows and yes/no
    // combinations unless keepCombinations, replaces the rows, stores the base
    // row as the frame, the U marks (the pool's display character at the sign's
    // position) and the math guards, the system name and type, and switches
    // flags 0, 1, 2, 3, 4 and 6 off.
    void StoreInDocument(core::TVinraFile& doc, const Result& result, bool keepCombinations,
                         const core::DisplaySigns& signs = core::CurrentDisplaySigns()) const;
    // True when the document holds combinations or source rows (message 277 is asked).
    static bool HasCombinations(const core::TVinraFile& doc);

private:
    std::vector<CouponMatch> matches_;
    std::string systemName_;
    char type_ = 'R';
    RedName info_{'R', 0, 0, true};
    bool chosen_ = false;
    bool ownSystems_ = false;
};

// Reads, checks and applies a system file to a coupon: everything is checked
// before any row is made.
SystemCoupon::Result ApplyRedFile(const SystemCoupon& coupon, const std::filesystem::path& path);
// The whole OK step: read, check, apply, and only then store in the document.
// Gives the number of rows; on any error the document is left as it was.
size_t ApplyRedFileToDocument(core::TVinraFile& doc, const SystemCoupon& coupon, const std::filesystem::path& path,
                              bool keepCombinations);

// Where the systems live: the operator's R-systems in the data folder, own
// systems in the user folder; and the names (without extension) of a folder's
// .RED files, sorted.
std::filesystem::path OperatorSystemsFolder(std::string_view country);
std::filesystem::path OwnSystemsFolder();
std::vector<std::string> ListRedSystems(const std::filesystem::path& folder);

}  // namespace vinra::reduction
