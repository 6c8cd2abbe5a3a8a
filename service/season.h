#pragma once
// The rounds the service publishes, read from the round files of its data folder
// ("rounds/*.ini", one file per pool and draw). Operators edit these files; the
// service builds every reply (active pools, results, game information, live
// scores, statistics) from them.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vinra::service {

struct Match {
    std::string home, away;
    int homeGoals = -1, awayGoals = -1;  // -1: not played yet
    bool ended = false;
    std::string people[3];  // the public's percentages, "45.5"
    std::string news[3];    // newspaper tips
    std::string odds[3];    // decimal odds, "2.10"
    std::string tips, comment;
};

struct Level {
    int rights = 0;
    int64_t winners = 0;
    int64_t payout = 0;  // whole kronor per winning row
};

struct Round {
    char typ = 'S';
    int32_t omgId = 0;     // operator's draw number
    std::string omg;       // "yyyy-ww"
    std::string deadline;  // "yyyy-mm-dd hh:mm"
    std::vector<Match> matches;
    std::vector<Level> levels;  // top level first; empty until the round is settled
    std::filesystem::path file;
    // A round that comes back: every `repeat` weeks, `repeat * drawStep` draws
    // later, with the same matches. 0: the round stays in its own week.
    int repeat = 0;
    int drawStep = 1;  // draw numbers per week of the pool

    int roundInteger() const;  // 2026-50 -> 202650
    bool settled() const { return !levels.empty(); }
    // Result row in the pool's own letters; "-" for a match without a final score.
    // Empty when no match has ended.
    std::string resultRow() const;
};

// Display letters of a pool's signs (home, draw, away).
std::string PoolSigns(char typ);
std::string PoolName(char typ);
std::string PoolOperator(char typ);

class Season {
public:
    Season() = default;
    Season(const Season& other);
    Season& operator=(const Season& other);

    // Reads every "rounds/*.ini" under folder. A file that does not describe a
    // round is reported in problems() and skipped; the others still load.
    // Rounds that repeat are placed around now ("yyyy-mm-dd hh:mm"; empty: the
    // local clock): each one's latest week whose deadline has passed, settled,
    // and the one whose deadline comes within the next seven days, open. A
    // placed round is settled once its deadline has passed; until then its
    // scores and payouts are held back.
    static Season Load(const std::filesystem::path& folder, const std::string& now = {});

    const std::vector<Round>& rounds() const { return rounds_; }
    const std::vector<std::string>& problems() const { return problems_; }

    // Also finds a repeating round's draws and weeks outside the placed ones
    // (from five years back to one year ahead), so a system of an earlier
    // week still finds its round.
    const Round* find(char typ, int32_t omgId) const;
    const Round* findByWeek(char typ, const std::string& omg) const;
    // The round of the pool's current week: the latest one whose week is not after
    // today's, else the pool's first round. nullptr when the pool has none.
    const Round* current(char typ, const std::string& todayOmg) const;
    // Rounds without a final result, per pool in draw order: the ones players can
    // still play (the program greys those whose deadline has passed).
    std::vector<const Round*> unsettled() const;
    // Pool codes in the order of their first round file.
    std::string pools() const;

    void add(Round round);  // tests build seasons in memory

    // The moment the placed rounds change (the earliest open deadline);
    // empty when nothing repeats. A service reloads the season from then on.
    const std::string& validUntil() const { return validUntil_; }

private:
    const Round* instance(const Round& source, long long k) const;

    std::vector<Round> rounds_;
    std::vector<Round> repeating_;  // the files of repeating rounds as read
    std::vector<std::string> problems_;
    std::string now_, validUntil_;
    // Rounds of other weeks, made when asked for; a deque keeps them in place.
    mutable std::mutex extraMutex_;
    mutable std::deque<Round> extra_;
};

}  // namespace vinra::service
