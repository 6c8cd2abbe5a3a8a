#include "service/live_round.h"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

#include "core/ini.h"
#include "core/pools.h"

namespace vinra::service {

namespace {

uint32_t NameHash(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

std::pair<int, int> LiveFinalScore(const Match& m) {
    if (m.homeGoals >= 0 && m.awayGoals >= 0) return {m.homeGoals, m.awayGoals};
    // A round not yet played gets a score of its own, the same on every run.
    const uint32_t h = NameHash(m.home + "-" + m.away);
    return {static_cast<int>(h % 4), static_cast<int>((h / 4) % 3)};
}

int LiveEndMinute(size_t index) { return 90 + static_cast<int>(index % 4); }

std::vector<LiveGoal> LiveGoalMinutes(const Match& m, size_t index) {
    const auto [h, a] = LiveFinalScore(m);
    const int total = h + a;
    std::vector<LiveGoal> goals;
    int homeSoFar = 0;
    for (int k = 0; k < total; ++k) {
        // Spread over minutes 3..88, shifted a little per match so that the
        // goals of a round do not all fall at once; strictly increasing.
        int minute = 3 + (k + 1) * 85 / (total + 1) + static_cast<int>((index * 5) % 9) - 4;
        if (!goals.empty()) minute = std::max(minute, goals.back().minute + 1);
        minute = std::clamp(minute, 1, 89);
        // Home and away goals interleaved in proportion to the final score.
        const bool home = homeSoFar < h && (a == 0 || homeSoFar * total <= h * k);
        if (home) ++homeSoFar;
        goals.push_back({minute, home});
    }
    return goals;
}

Round RoundAtMinute(const Round& round, double minute) {
    Round r = round;
    for (size_t i = 0; i < r.matches.size(); ++i) {
        Match& m = r.matches[i];
        if (minute < 0) {
            m.homeGoals = m.awayGoals = -1;
            m.ended = false;
            continue;
        }
        m.homeGoals = m.awayGoals = 0;
        for (const LiveGoal& g : LiveGoalMinutes(round.matches[i], i))
            if (g.minute <= minute) ++(g.home ? m.homeGoals : m.awayGoals);
        m.ended = minute >= LiveEndMinute(i);
    }
    return r;
}

void LivePlay::Start(const LivePlan& plan) {
    std::lock_guard lock(mutex_);
    plan_ = plan;
}

void LivePlay::Stop() {
    std::lock_guard lock(mutex_);
    plan_.reset();
}

std::optional<LivePlan> LivePlay::Plan() const {
    std::lock_guard lock(mutex_);
    return plan_;
}

double LivePlay::MinutesPlayed(const LivePlan& plan) const {
    const double seconds = std::chrono::duration<double>(clock() - plan.start).count();
    return seconds / std::max(plan.minuteSeconds, 0.001);
}

const Round* LivePlay::Apply(const Round* round, Round& scratch) const {
    const auto plan = Plan();
    if (!round || !plan || round->typ != plan->typ || (plan->omgId && round->omgId != plan->omgId)) return round;
    scratch = RoundAtMinute(*round, MinutesPlayed(*plan));
    return &scratch;
}

bool IsLoopbackAddress(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" || address.rfind("::ffff:127.", 0) == 0;
}

bool MayControlLive(const httplib::Request& req, const std::string& operatorKey) {
    if (operatorKey.empty()) return IsLoopbackAddress(req.remote_addr);
    const std::string given = req.get_header_value("X-Operator-Key");
    // Compared in time independent of where they differ.
    unsigned char diff = given.size() != operatorKey.size();
    for (size_t i = 0; i < operatorKey.size(); ++i)
        diff |= static_cast<unsigned char>(operatorKey[i] ^ (i < given.size() ? given[i] : 0));
    return diff == 0;
}

void RegisterLiveEndpoints(httplib::Server& svr, LivePlay& live, std::string operatorKey) {
    auto bad = [](httplib::Response& res, const std::string& what) {
        res.status = 400;
        res.set_content(what + "\n", "text/plain; charset=utf-8");
    };
    auto refused = [operatorKey](const httplib::Request& req, httplib::Response& res) {
        if (MayControlLive(req, operatorKey)) return false;
        res.status = 403;
        res.set_content(operatorKey.empty() ? "the live round is controlled from the service's own machine\n"
                                            : "the live round needs the operator key (X-Operator-Key)\n",
                        "text/plain; charset=utf-8");
        return true;
    };
    svr.Post("/api/live/start", [&live, bad, refused](const httplib::Request& req, httplib::Response& res) {
        if (refused(req, res)) return;
        LivePlan plan;
        const std::string typ = req.has_param("typ") ? req.get_param_value("typ") : "S";
        if (typ.size() != 1 || !core::FindPool(typ)) return bad(res, "typ must be a pool code");
        plan.typ = typ[0];
        if (req.has_param("omgang")) {
            const auto v = core::ParseInteger(req.get_param_value("omgang"));
            if (!v || *v < 0 || *v > INT32_MAX) return bad(res, "omgang must be a draw number");
            plan.omgId = static_cast<int32_t>(*v);
        }
        plan.start = live.clock();
        const std::string start = req.get_param_value("start");
        if (!start.empty() && start != "now") {
            const auto v = core::ParseInteger(start);
            if (!v || *v < 0 || *v > kLatestLiveStart)
                return bad(res, "start must be now or unix seconds from 0 to " + std::to_string(kLatestLiveStart));
            plan.start = LiveClock::time_point(std::chrono::seconds(*v));
        }
        if (req.has_param("minute")) {
            const auto v = core::ParseFloat(req.get_param_value("minute"));
            if (!v || !(*v >= 0.001 && *v <= 3600)) return bad(res, "minute must be 0.001 to 3600 seconds");
            plan.minuteSeconds = *v;
        }
        live.Start(plan);
        res.set_content(nlohmann::json{{"typ", typ}, {"omgang", plan.omgId}}.dump() + "\n", "application/json");
    });
    svr.Post("/api/live/stop", [&live, refused](const httplib::Request& req, httplib::Response& res) {
        if (refused(req, res)) return;
        live.Stop();
        res.set_content("{}\n", "application/json");
    });
    svr.Get("/api/live/state", [&live](const httplib::Request&, httplib::Response& res) {
        const auto plan = live.Plan();
        nlohmann::json j{{"running", static_cast<bool>(plan)}};
        if (plan) {
            j["typ"] = std::string(1, plan->typ);
            j["omgang"] = plan->omgId;
            j["minute"] = live.MinutesPlayed(*plan);
        }
        res.set_content(j.dump() + "\n", "application/json");
    });
}

}  // namespace vinra::service
