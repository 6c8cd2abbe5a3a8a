#pragma once
// A round played live on a timetable, so that the program can follow a round
// without a real one being played: each match kicks off at the start time, its
// goals come at set minutes and it ends a little after the 90th minute. The
// goals are the round's final scores (or, for a round not yet played, scores
// drawn from the team names), spread over the match.
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "service/season.h"

namespace httplib {
class Server;
struct Request;
}

namespace vinra::service {

using LiveClock = std::chrono::system_clock;

struct LivePlan {
    char typ = 'S';
    int32_t omgId = 0;            // 0: whichever draw of the pool is asked for
    LiveClock::time_point start;  // kick-off of every match
    double minuteSeconds = 60.0;  // real seconds per match minute
};

struct LiveGoal {
    int minute = 0;
    bool home = true;
};

// The final score a match is played towards.
std::pair<int, int> LiveFinalScore(const Match& match);
// The minutes of a match's goals, in order, and the minute its final whistle blows.
std::vector<LiveGoal> LiveGoalMinutes(const Match& match, size_t index);
int LiveEndMinute(size_t index);
// The round as it stands after `minute` minutes of play (negative: not started).
Round RoundAtMinute(const Round& round, double minute);

class LivePlay {
public:
    void Start(const LivePlan& plan);
    void Stop();
    std::optional<LivePlan> Plan() const;
    // Minutes played at the clock's time (negative before the start).
    double MinutesPlayed(const LivePlan& plan) const;
    // The round as it stands now when it is the round being played, else the
    // round as it is (a null round stays null). scratch holds the live copy.
    const Round* Apply(const Round* round, Round& scratch) const;

    std::function<LiveClock::time_point()> clock = [] { return LiveClock::now(); };

private:
    mutable std::mutex mutex_;
    std::optional<LivePlan> plan_;
};

// The latest kick-off a start time may name (unix seconds, 2100-01-01): later
// ones no longer fit the clock's range.
inline constexpr int64_t kLatestLiveStart = 4102444800;

// True for an address of this machine (127.0.0.0/8, ::1, or 127.x as IPv6).
bool IsLoopbackAddress(const std::string& address);
// Who may start or stop the live round, which sets every player's live scores:
// with an operator key, a request whose X-Operator-Key header holds it;
// without one, only a client on this machine.
bool MayControlLive(const httplib::Request& req, const std::string& operatorKey);

// POST /api/live/start (typ, omgang, start = unix seconds or "now", minute =
// seconds per match minute), POST /api/live/stop and GET /api/live/state (JSON).
void RegisterLiveEndpoints(httplib::Server& server, LivePlay& live, std::string operatorKey = {});

}  // namespace vinra::service
