#pragma once
// The winnings of a checked system: the paying levels of a pool, the payout of
// each level, what the system's rows win, and how the levels are kept in the
// four level slots of a stored round.
//
// Money is integer hundredths of the currency unit throughout, so an amount
// such as 1 234 567,89 is shown exactly as it was entered.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checking/tips_data.h"

namespace vinra::checking {

// Reads a count text such as "1 234": spaces removed, empty is 0; nullopt
// when it is not a non-negative 32-bit number.
std::optional<int32_t> ReadCountText(std::string_view text);
// A payout as the player types it into the level table: a currency word such
// as "kr" is dropped, the rest is read by the one rule for money text
// (ParseAmount: "25,50" and "25.50" are both 25,50). nullopt when the rest is
// not an amount or is negative: never a payout a hundred times too large.
std::optional<int64_t> ReadPayoutText(std::string_view text);

// The level a stored slot (13, 12, 11 or 10) holds for a round of n matches:
// the slot number itself for 12 matches, n - (13 - slot) otherwise. Saving
// uses the same rule (the save dialog labels its four lines with these levels),
// so a stored round always loads back into the levels it was saved from.
int SlotLevel(int slot, int n);

struct WinLevel {
    int level = 0;                    // number of right matches
    int64_t ownCount = 0;             // the system's rows with exactly `level` right
    std::string payoutText = "0,00";  // as shown (normalised)
    int64_t payout = 0;               // hundredths per winning row
    std::string winners;              // winners in the whole pool, information only
    int64_t levelWin = 0;             // hundredths: ownCount * payout
    std::string error;                // why the last payout text could not be read; empty when it could
};

struct Totals {
    int64_t total = 0;       // sum of the level wins
    int64_t afterStake = 0;  // total minus rows * price per row
};

// Messages of the level table (no language-table number: the window shows
// the text for the level whose amount cannot be read).
struct WinningsMessages {
    std::string unreadableAmount = "The amount \"%s\" for %d right cannot be read.";
    std::string tooLarge = "The win for %d right is too large.";
};

// The level table of one check: one line per paying level L..N.
class WinningsTable {
public:
    // n matches, pool code typ (the first paying level depends on it).
    WinningsTable(int n, std::string_view typ, WinningsMessages messages = {});

    int MatchCount() const { return n_; }
    int FirstLevel() const { return first_; }
    const std::vector<WinLevel>& Levels() const { return levels_; }
    // The line of a level, nullptr when the level does not pay.
    const WinLevel* Level(int level) const;

    // Takes the distribution of a recount (counts[k] rows with k right) and
    // recomputes every level.
    void SetCounts(const std::vector<int64_t>& counts);
    // Takes an edited payout and recomputes that level. When the text cannot be
    // read the level keeps its payout and win, its error says why, and false
    // is returned; the other levels are never touched.
    bool SetPayoutText(int level, std::string_view text);
    void SetWinners(int level, std::string winners);
    // Payouts and winners back to nothing (the check window's reset).
    void ClearPayouts();
    // The operator's preliminary winnings (groups 13, 12, 11, 10 right as
    // winners and ten-thousandths) into the top four paying levels, only while
    // the table is still empty (level L+2 without winners or payout) and the
    // operator gave anything. True when they were taken.
    bool TakePreliminary(const std::array<int32_t, 4>& winners, const std::array<int64_t, 4>& amounts);

    // Total win and win after the stake of rowCount rows at pricePerRow hundredths.
    Totals WinTotals(int64_t rowCount, int64_t pricePerRow) const;
    // Level win (hundredths) of a paying level, 0 for any other.
    int64_t LevelWin(int level) const;

    // Loads the payouts and winners of a stored round into the paying levels,
    // each slot into the level SlotLevel gives.
    void LoadSlots(const TFacitRec& rec);
    // Fills the winners and payouts of a result record so that loading it back
    // gives every level the same values: slot s from level SlotLevel(s, n).
    // Levels without a slot (a pool paying more than four levels) are not kept.
    void SaveSlots(TFacitRec& rec) const;

private:
    WinLevel* find(int level);
    void recount(WinLevel& line);

    int n_;
    int first_;
    WinningsMessages messages_;
    std::vector<WinLevel> levels_;
};

}  // namespace vinra::checking
