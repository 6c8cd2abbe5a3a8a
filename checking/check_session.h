#pragma once
// One opening of the check window as a model: the rows packed once, the level
// table, and a recount that produces every figure the window shows, in the
// order the window needs them. The window only draws what this returns.
#include <optional>
#include <string>
#include <string_view>

#include "checking/engine.h"
#include "checking/tips_data.h"
#include "checking/winnings.h"
#include "core/pools.h"
#include "core/system_document.h"

namespace vinra::checking {

struct Recount {
    CheckResult check;
    Totals totals;
    SignStatistics signs;
    ConditionsProtocol protocol;
    std::string peopleLine;
};

class CheckSession {
public:
    // doc must outlive the session; its rows must not change while it is open.
    CheckSession(core::TVinraFile& doc, core::PoolSettings pool, CheckMessages messages = {},
                 WinningsMessages winningsMessages = {});

    core::TVinraFile& Doc() { return doc_; }
    const core::PoolSettings& Pool() const { return pool_; }
    WinningsTable& Levels() { return levels_; }
    const WinningsTable& Levels() const { return levels_; }
    // People's percentages of the round (all 0 for pools without them).
    void SetPeoplePercent(const PercentTable& people) { people_ = people; }

    // The result row in the pool's display characters ('-' where undecided).
    std::string DisplayResult() const { return core::SignsToDisplay(doc_.Facit, pool_.signs); }
    // Sets the document's Facit from a display row.
    void SetDisplayResult(std::string_view display);

    // Everything from the document's Facit: counts, level wins, totals, sign
    // statistics, protocol and people's-percent line. The first recount after
    // opening or Reset records the highest number of right matches as the
    // reference of the live sounds.
    const Recount& DoRecount();
    const Recount& Last() const { return last_; }
    std::optional<int> ReferenceBest() const { return referenceBest_; }

    // A stored round: its row becomes the result (padded with '-' to N when it
    // is shorter) and its slots fill the levels; a recount follows. Returns
    // whether the stored row was complete.
    bool LoadRound(const TFacitRec& rec);
    // The result record to store for the document's pool and draw number.
    TFacitRec ResultRecord(int32_t omg) const;

    // After the result row changed by hand: every goal pair brought in line
    // with the row, keeping a score that already gives the sign.
    void GoalsFromResult();

    // The window's reset: result, goals, end flags, goal log, payouts cleared.
    void Reset();

private:
    core::TVinraFile& doc_;
    core::PoolSettings pool_;
    CheckMessages messages_;
    RowChecker checker_;
    WinningsTable levels_;
    PercentTable people_{};
    Recount last_;
    std::optional<int> referenceBest_;
};

}  // namespace vinra::checking
