#include "service/round_stats.h"

#include <cctype>
#include <cmath>
#include <cstdint>

#include <algorithm>
#include <map>
#include <set>

#include <fmt/format.h>

namespace vinra::service {

namespace {

constexpr size_t kLatestGames = 10;

// A name that would break the INI layout of the reply (a section bracket, a
// line break, a comment start) is not published.
bool FitsSection(const std::string& name) {
    if (name.empty() || name.front() == ';' || name.front() == '#') return false;
    return name.find_first_of("[]\r\n") == std::string::npos;
}

struct Points {
    int points = 0, goalDiff = 0, goalsFor = 0;
};

}  // namespace

std::string RoundStatsIni(const Season& season, const Round& round, const core::IniFile& teamstat,
                          const std::string& today) {
    auto canonical = [&](const std::string& name) { return teamstat.ReadString("Alias", name, name); };
    auto leagueOf = [&](const std::string& club) { return teamstat.ReadString("League", club, ""); };

    // Finished matches, newest round first.
    std::vector<std::pair<const Round*, const Match*>> finished;
    for (const Round& r : season.rounds())
        for (const Match& m : r.matches)
            if (m.ended && m.homeGoals >= 0 && m.awayGoals >= 0) finished.push_back({&r, &m});
    std::stable_sort(finished.begin(), finished.end(),
                     [](const auto& a, const auto& b) { return a.first->omg > b.first->omg; });

    // League tables by club name over every finished match between clubs of the same league.
    std::map<std::string, std::map<std::string, Points>> leagues;
    for (const auto& [r, m] : finished) {
        const std::string home = canonical(m->home), away = canonical(m->away);
        const std::string league = leagueOf(home);
        if (league.empty() || league != leagueOf(away)) continue;
        Points& h = leagues[league][home];
        Points& a = leagues[league][away];
        h.points += m->homeGoals > m->awayGoals ? 3 : m->homeGoals == m->awayGoals ? 1 : 0;
        a.points += m->awayGoals > m->homeGoals ? 3 : m->homeGoals == m->awayGoals ? 1 : 0;
        h.goalDiff += m->homeGoals - m->awayGoals;
        a.goalDiff += m->awayGoals - m->homeGoals;
        h.goalsFor += m->homeGoals;
        a.goalsFor += m->awayGoals;
    }
    auto position = [&](const std::string& club) -> int {
        const std::string league = leagueOf(club);
        if (league.empty()) return 0;
        auto& table = leagues[league];
        table.try_emplace(club);  // a club without games yet still has a place
        std::vector<std::pair<std::string, Points>> rows(table.begin(), table.end());
        std::sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) {
            if (x.second.points != y.second.points) return x.second.points > y.second.points;
            if (x.second.goalDiff != y.second.goalDiff) return x.second.goalDiff > y.second.goalDiff;
            if (x.second.goalsFor != y.second.goalsFor) return x.second.goalsFor > y.second.goalsFor;
            return x.first < y.first;
        });
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].first == club) return static_cast<int>(i) + 1;
        return 0;
    };

    std::string out = "[Info]\nDate=" + today + "\n";
    std::set<std::string> done;
    for (const Match& rm : round.matches) {
        for (const std::string& name : {rm.home, rm.away}) {
            const std::string club = canonical(name);
            if (!FitsSection(club) || !done.insert(club).second) continue;
            out += "\n[" + club + "]\n";
            if (const int pos = position(club)) out += fmt::format("Total={}\n", pos);
            size_t n = 0;
            for (const auto& [r, m] : finished) {
                if (n == kLatestGames) break;
                const bool atHome = canonical(m->home) == club;
                if (!atHome && canonical(m->away) != club) continue;
                const int gf = atHome ? m->homeGoals : m->awayGoals;
                const int ga = atHome ? m->awayGoals : m->homeGoals;
                std::string text =
                    fmt::format("{} - {} {}-{} ({})", m->home, m->away, m->homeGoals, m->awayGoals, atHome ? 'h' : 'b');
                std::replace_if(
                    text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
                out += fmt::format("LG{}={}|{}|{}\n", n++, gf > ga ? 'W' : gf < ga ? 'L' : 'D', r->omg, text);
            }
        }
    }
    for (size_t k = 0; k < round.matches.size(); ++k)
        if (const std::string clip = MatchClipName(round, k); !clip.empty())
            out += fmt::format("\n[Game{}]\nSound={}\n", k, clip);
    return out;
}

std::string MatchClipName(const Round& round, size_t k) {
    if (k >= round.matches.size() || round.matches[k].comment.empty()) return {};
    return fmt::format("{}{}-{}.wav", round.typ, round.omgId, k + 1);
}

std::string ClipWav(std::string_view name) {
    // Clip names are what MatchClipName makes: letters, digits, '-', ".wav".
    if (name.size() < 5 || name.size() > 40 || !name.ends_with(".wav")) return {};
    for (char c : name.substr(0, name.size() - 4))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return {};
    constexpr uint32_t kRate = 8000, kSamples = kRate / 2;
    uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    const double pitch = 330.0 + (hash % 12) * 40.0;
    std::string wav;
    auto put = [&wav](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    wav += "RIFF";
    put(36 + kSamples * 2, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    wav += "data";
    put(kSamples * 2, 4);
    for (uint32_t i = 0; i < kSamples; ++i) {
        // Two short beeps with a fade at each end, so nothing clicks.
        const double t = static_cast<double>(i) / kRate;
        const double envelope = std::min({1.0, t * 40, (0.5 - t) * 40}) * ((i / (kSamples / 4)) % 2 == 0 ? 1.0 : 0.0);
        const auto v =
            static_cast<int16_t>(9000 * std::max(0.0, envelope) * std::sin(2 * 3.14159265358979 * pitch * t));
        put(static_cast<uint16_t>(v), 2);
    }
    return wav;
}

}  // namespace vinra::service
