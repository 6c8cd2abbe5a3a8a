// The round vinra-service plays live: goals on a timetable, read back through
// the live sources with the program's own parsers.
#include <httplib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/text.h"
#include "net/http.h"
#include "net/result_parsers.h"
#include "service/live_round.h"
#include "service/server.h"
#include "tests/temp_dir.h"

namespace vinra::service {
namespace {
namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

Match M(std::string home, std::string away, int h, int a) {
    Match m;
    m.home = std::move(home);
    m.away = std::move(away);
    m.homeGoals = h;
    m.awayGoals = a;
    m.ended = h >= 0;
    return m;
}

TEST(LiveTimetable, GoalsComeInOrderAndAddUpToTheFinalScore) {
    Round r;
    r.matches = {M("A", "B", 0, 0), M("C", "D", 3, 1), M("E", "F", 0, 5), M("G", "H", 7, 6), M("I", "J", -1, -1)};
    for (size_t i = 0; i < r.matches.size(); ++i) {
        const auto goals = LiveGoalMinutes(r.matches[i], i);
        const auto [h, a] = LiveFinalScore(r.matches[i]);
        ASSERT_EQ(static_cast<int>(goals.size()), h + a) << i;
        int homes = 0;
        for (size_t k = 0; k < goals.size(); ++k) {
            EXPECT_GE(goals[k].minute, 1);
            EXPECT_LT(goals[k].minute, LiveEndMinute(i));
            if (k) {
                EXPECT_GT(goals[k].minute, goals[k - 1].minute) << i;
            }
            homes += goals[k].home;
        }
        EXPECT_EQ(homes, h) << i;
    }
    // A round not yet played is played towards the same score on every run.
    EXPECT_EQ(LiveFinalScore(r.matches[4]), LiveFinalScore(M("I", "J", -1, -1)));

    const Round before = RoundAtMinute(r, -1);
    EXPECT_EQ(before.matches[1].homeGoals, -1);
    int previous = 0;
    for (double minute = 0; minute <= 100; minute += 1) {
        const Round now = RoundAtMinute(r, minute);
        int total = 0;
        for (const Match& m : now.matches) total += m.homeGoals + m.awayGoals;
        EXPECT_GE(total, previous);
        previous = total;
    }
    const Round full = RoundAtMinute(r, 100);
    EXPECT_EQ(full.matches[3].homeGoals, 7);
    EXPECT_EQ(full.matches[3].awayGoals, 6);
    EXPECT_TRUE(full.matches[3].ended);
    EXPECT_FALSE(RoundAtMinute(r, 89).matches[0].ended);
}

class Running {
public:
    explicit Running(const fs::path& data, std::string operatorKey = {})
        : service_(Options(data, std::move(operatorKey))) {
        service_.live().clock = [this] { return LiveClock::time_point(std::chrono::seconds(seconds_.load())); };
        service_.Register(svr_);
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
    }
    ~Running() {
        svr_.stop();
        thread_.join();
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void SetClock(int64_t seconds) { seconds_ = seconds; }
    httplib::Client client() const { return httplib::Client("127.0.0.1", port_); }

private:
    static ServiceOptions Options(const fs::path& data, std::string operatorKey) {
        ServiceOptions o{data, "", [] { return std::string("2026-12-10 12:00"); }};
        o.operatorKey = std::move(operatorKey);
        return o;
    }
    std::atomic<int64_t> seconds_{1000};
    httplib::Server svr_;
    VinraService service_;
    int port_ = 0;
    std::thread thread_;
};

TEST(LiveRoundService, ScoresChangeFromPollToPollUntilTheFinalWhistle) {
    TempDir data, dir;
    fs::create_directories(data.path() / "rounds");
    WriteBytes(data.path() / "rounds" / "S-5000.ini",
               "[Round]\nTyp=S\nOmgID=5000\nOmg=2026-50\nDeadline=2026-12-12 15:59\n"
               "[Match1]\nHome=Kilbrack\nAway=Glenmuir\nScore=2-1\n"
               "[Match2]\nHome=Isdal\nAway=Nesby\nScore=0-3\n"
               "[Match3]\nHome=Brook\nAway=Ashford\n");
    Running s(data.path());
    auto client = s.client();
    const std::string url = s.base() + "/api/svenskaspel/goalserviceProxy.php?produktid=1&omgang=5000";

    // Unknown pool and a silly pace are refused; nothing starts.
    EXPECT_EQ(client.Post("/api/live/start?typ=Q", "", "text/plain")->status, 400);
    EXPECT_EQ(client.Post("/api/live/start?minute=0", "", "text/plain")->status, 400);
    EXPECT_EQ(client.Post("/api/live/start?start=soon", "", "text/plain")->status, 400);
    EXPECT_NE(client.Get("/api/live/state")->body.find("\"running\":false"), std::string::npos);

    // Kick-off at 2000 s, one match minute per second.
    ASSERT_EQ(client.Post("/api/live/start?typ=S&omgang=5000&start=2000&minute=1", "", "text/plain")->status, 200);
    const fs::path file = dir.path() / "live.goal";
    auto poll = [&](int64_t at) {
        s.SetClock(at);
        net::TResultInfo info;
        EXPECT_TRUE(net::GetToFile(url, file));
        EXPECT_TRUE(net::ParseLiveXml(file, info));
        return info;
    };
    const net::TResultInfo early = poll(1990);
    EXPECT_EQ(early.home[0], -1);  // not started: no records yet
    int previousGoals = -1;
    bool changed = false;
    net::TResultInfo last;
    for (int64_t minute : {0, 20, 45, 70, 89}) {
        last = poll(2000 + minute);
        int goals = 0;
        for (int m = 0; m < 3; ++m) {
            goals += last.home[m] + last.away[m];
            EXPECT_EQ(last.status[m], 3) << minute;
        }
        if (previousGoals >= 0 && goals != previousGoals) changed = true;
        EXPECT_GE(goals, previousGoals);
        previousGoals = goals;
    }
    EXPECT_TRUE(changed) << "the scores must move between polls";
    const net::TResultInfo final = poll(2000 + 100);
    EXPECT_EQ(final.home[0], 2);
    EXPECT_EQ(final.away[0], 1);
    EXPECT_EQ(final.home[1], 0);
    EXPECT_EQ(final.away[1], 3);
    for (int m = 0; m < 3; ++m) EXPECT_EQ(final.status[m], 1) << m;
    EXPECT_GE(final.home[2], 0);  // an unplayed match is played towards a score of its own

    // The text-TV page follows the same clock.
    s.SetClock(2000 + 100);
    const fs::path page = dir.path() / "page.goal";
    ASSERT_TRUE(net::GetToFile(s.base() + "/apps/goalservice/377.html", page));
    net::TResultInfo svt;
    ASSERT_TRUE(net::ParseSvtPage(page, svt, "S", {"Kilbrack", "Isdal", "Brook"}, {"Glenmuir", "Nesby", "Ashford"},
                                  core::IniFile()));
    EXPECT_EQ(svt.away[1], 3);
    EXPECT_EQ(svt.status[1], 1);

    ASSERT_EQ(client.Post("/api/live/stop", "", "text/plain")->status, 200);
    s.SetClock(1990);  // stopped: the round as its file says, whatever the clock
    const net::TResultInfo after = poll(1990);
    EXPECT_EQ(after.home[0], 2);
}

TEST(LiveRoundService, OnlyTheOperatorStartsOrStopsTheRound) {
    struct Case {
        const char* address;
        const char* key;    // the service's operator key
        const char* given;  // the request's X-Operator-Key, nullptr: none
        bool allowed;
    };
    const Case cases[] = {
        {"127.0.0.1", "", nullptr, true},         {"127.8.9.10", "", nullptr, true},
        {"::1", "", nullptr, true},               {"::ffff:127.0.0.1", "", nullptr, true},
        {"10.1.2.3", "", nullptr, false},         {"::ffff:10.1.2.3", "", nullptr, false},
        {"10.1.2.3", "s3cret", "s3cret", true},   {"10.1.2.3", "s3cret", "s3cre", false},
        {"127.0.0.1", "s3cret", nullptr, false},  {"127.0.0.1", "s3cret", "s3cretX", false},
        {"10.1.2.3", "s3cret", "", false},
    };
    for (const Case& c : cases) {
        httplib::Request req;
        req.remote_addr = c.address;
        if (c.given) req.set_header("X-Operator-Key", c.given);
        EXPECT_EQ(MayControlLive(req, c.key), c.allowed) << c.address << " key " << c.key;
    }

    // Through the service: with a key set, a request without it changes nothing.
    TempDir data;
    fs::create_directories(data.path() / "rounds");
    Running s(data.path(), "s3cret");
    auto client = s.client();
    EXPECT_EQ(client.Post("/api/live/start?typ=S&start=now", "", "text/plain")->status, 403);
    EXPECT_NE(client.Get("/api/live/state")->body.find("\"running\":false"), std::string::npos);
    client.set_default_headers({{"X-Operator-Key", "s3cret"}});
    EXPECT_EQ(client.Post("/api/live/start?typ=S&start=now", "", "text/plain")->status, 200);
    httplib::Client stranger = s.client();
    EXPECT_EQ(stranger.Post("/api/live/stop", "", "text/plain")->status, 403);
    EXPECT_NE(client.Get("/api/live/state")->body.find("\"running\":true"), std::string::npos);
    EXPECT_EQ(client.Post("/api/live/stop", "", "text/plain")->status, 200);
}

TEST(LiveRoundService, StartTimesBeyondTheClockAreRefused) {
    TempDir data;
    fs::create_directories(data.path() / "rounds");
    Running s(data.path());
    auto client = s.client();
    for (const char* start : {"9223372036854775807", "10000000000", "4102444801", "-1"})
        EXPECT_EQ(client.Post(std::string("/api/live/start?start=") + start, "", "text/plain")->status, 400) << start;
    EXPECT_NE(client.Get("/api/live/state")->body.find("\"running\":false"), std::string::npos);
    ASSERT_EQ(client.Post("/api/live/start?start=4102444800", "", "text/plain")->status, 200);
    s.SetClock(4102444800 + 120);
    EXPECT_NE(client.Get("/api/live/state")->body.find("\"minute\":2"), std::string::npos);
}

}  // namespace
}  // namespace vinra::service
