#include "stats/game_wizard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <fmt/format.h>

#include "core/signs.h"
#include "core/text.h"
#include "net/http.h"

namespace vinra::stats {

namespace fs = std::filesystem;

namespace {

bool IsIsoDate(std::string_view d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (d[i] < '0' || d[i] > '9') return false;
    return true;
}

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

bool StatisticsStale(const fs::path& roundInfoFile, std::string_view today) {
    std::error_code ec;
    if (!fs::is_regular_file(roundInfoFile, ec)) return true;
    std::string date;
    try {
        date = Trim(core::IniFile::FromFile(roundInfoFile).ReadString("Info", "Date", "2011-01-01"));
    } catch (const std::exception&) {
        return true;
    }
    if (!IsIsoDate(date) || !IsIsoDate(today)) return true;
    return date < today;  // ISO dates compare as text
}

namespace {

bool StatsKey(std::string_view key) {
    if (key == "Total") return true;
    if (key.size() < 3 || key.size() > 5 || key.substr(0, 2) != "LG") return false;
    const auto n = core::ParseInteger(key.substr(2));
    return n && *n >= 0 && *n <= 255 && key.substr(2).find_first_not_of("0123456789") == std::string_view::npos;
}

bool GameInfoSection(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "info") return true;
    return lower.size() > 4 && lower.starts_with("game") &&
           lower.find_first_not_of("0123456789", 4) == std::string::npos;
}

}  // namespace

void MergeRoundStatistics(const fs::path& roundInfoFile, std::string_view statsText) {
    const core::IniFile stats = core::IniFile::FromText(statsText);
    std::error_code ec;
    core::IniFile file = fs::exists(roundInfoFile, ec) ? core::IniFile::FromFile(roundInfoFile) : core::IniFile();
    if (const auto date = stats.Get("Info", "Date"); date && IsIsoDate(Trim(*date)))
        file.WriteString("Info", "Date", Trim(*date));
    for (const std::string& section : stats.Sections()) {
        if (GameInfoSection(section)) {
            // Of a match's section only its preview clip; the name is checked
            // again where it is used, so it never leaves the sound cache.
            if (const auto clip = stats.Get(section, "Sound"); clip && FileInFolder("Sounds", Trim(*clip)))
                file.WriteString(section, "Sound", Trim(*clip));
            continue;
        }
        file.EraseSection(section);
        for (const std::string& key : stats.Keys(section))
            if (StatsKey(key)) file.WriteString(section, key, stats.ReadString(section, key));
    }
    fs::create_directories(roundInfoFile.parent_path(), ec);
    file.SaveToFile(roundInfoFile);
}

bool FetchRoundStatistics(const std::string& host, std::string_view pool, int64_t omgId,
                          const fs::path& roundInfoFile) {
    const net::HttpReply reply = net::Get(fmt::format("{}/Vinra/Info/{}/{}/", host, pool, omgId));
    if (!reply.ok()) return false;
    MergeRoundStatistics(roundInfoFile, core::DecodeFileText(reply.body));
    return true;
}

std::vector<LatestGame> LatestGames(const core::IniFile& roundInfo, std::string_view canonicalName) {
    std::vector<LatestGame> games;
    if (canonicalName.empty()) return games;
    for (int i = 0; i <= 255; ++i) {
        const auto line = roundInfo.Get(canonicalName, fmt::format("LG{}", i));
        if (!line) continue;
        LatestGame g;
        std::vector<std::string_view> fields;
        std::string_view rest = *line;
        for (;;) {
            const size_t bar = rest.find('|');
            fields.push_back(rest.substr(0, bar));
            if (bar == std::string_view::npos) break;
            rest.remove_prefix(bar + 1);
        }
        const std::string_view first = fields[0];
        g.outcome = first.starts_with('W')   ? GameOutcome::Win
                    : first.starts_with('L') ? GameOutcome::Loss
                                             : GameOutcome::Draw;
        if (fields.size() >= 3) g.text = std::string(fields[2]);
        games.push_back(std::move(g));
    }
    return games;
}

std::vector<LatestGame> FilterGames(const std::vector<LatestGame>& games, GameFilter filter) {
    std::vector<LatestGame> out;
    for (const LatestGame& g : games) {
        // A home list leaves out the games marked away "(b)", an away list the ones marked home "(h)".
        if (filter == GameFilter::HomeOnly && g.text.find("(b)") != std::string::npos) continue;
        if (filter == GameFilter::AwayOnly && g.text.find("(h)") != std::string::npos) continue;
        out.push_back(g);
    }
    return out;
}

TeamStats ReadTeamStats(const core::IniFile& roundInfo, const core::IniFile& teamstat, std::string_view team) {
    TeamStats t;
    t.name = teamstat.ReadString("Alias", team, team);
    t.league = teamstat.ReadString("League", t.name, "*****");
    t.leagueName = teamstat.ReadString("LeagueAlias", t.league, t.league);
    t.position = roundInfo.ReadString(t.name, "Total", "");
    t.games = LatestGames(roundInfo, t.name);
    return t;
}

std::string LeagueLine(const TeamStats& team) {
    if (team.league.empty() || team.league == "*****") return team.leagueName + "\nn/a";
    return team.leagueName + "\n" + (team.position.empty() ? std::string("-") : team.position);
}

std::string StatsPagePath(int page, std::string_view pool, int64_t omgId, int match) {
    static const char* const kViews[kOnlinePages] = {"Chart",   "Games",   "Meetings", "Table/1", "Table/2",
                                                     "Table/3", "Table/4", "Table/5",  "Table/6"};
    if (page < 0 || page >= kOnlinePages) return {};
    return fmt::format("/Vinra/{}/{}/{}/{}/", kViews[page], pool, omgId, match);
}

std::optional<fs::path> FileInFolder(const fs::path& folder, std::string_view name) {
    if (name.empty() || name.size() > 200 || name.front() == '.' || name.front() == ' ') return std::nullopt;
    for (const char c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    return folder / fs::path(std::u8string(name.begin(), name.end()));
}

std::optional<double> ParseOwnField(std::string_view text) {
    std::string_view t = core::Trim(text);
    if (!t.empty() && t.back() == '%') t = core::Trim(t.substr(0, t.size() - 1));
    if (t.empty()) return 0.0;
    int separators = 0, digits = 0;
    for (const char c : t) {
        if (c == ',' || c == '.') ++separators;
        else if (c >= '0' && c <= '9') ++digits;
        else return std::nullopt;
    }
    if (separators > 1 || digits == 0) return std::nullopt;
    const auto v = core::ParseFloat(t);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return *v;
}

bool OwnFigureInRange(double value, bool oddsView) {
    if (!std::isfinite(value) || value < 0) return false;
    if (!oddsView) return value <= 100.0;
    return value == 0.0 || (value >= 1.0 && value <= kMaxOwnOdds);
}

namespace {

// Implied percentages of three odds, normalised; all 0 unless all three are set.
std::array<double, 3> ImpliedFromOdds(const std::array<double, 3>& odds) {
    std::array<double, 3> percent{};
    double sum = 0;
    for (const double o : odds) {
        if (o <= 0.0) return percent;
        sum += 1.0 / o;
    }
    for (int s = 0; s < 3; ++s) percent[s] = (1.0 / odds[s]) / sum * 100.0;
    return percent;
}

}  // namespace

OwnValues OwnFromFields(const std::array<std::string, 3>& fields, bool oddsView) {
    OwnValues o;
    for (int s = 0; s < 3; ++s) {
        const double v = ParseOwnField(fields[s]).value_or(0.0);
        if (oddsView) o.odds[s] = v;
        else {
            o.percent[s] = v;
            o.odds[s] = v == 0.0 ? 0.0 : 100.0 / v;
        }
    }
    if (oddsView) o.percent = ImpliedFromOdds(o.odds);
    return o;
}

std::string FormatFixed(double value, int decimals) {
    // Whole numbers round half away from zero, as the player expects (20,5 -> 21).
    std::string s = decimals == 0 ? std::to_string(std::llround(value)) : fmt::format("{:.{}f}", value, decimals);
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::array<std::string, 3> QuickFill(const net::TSvSpelInfo& info, int m, QuickSource source, std::string_view pool,
                                     bool oddsView) {
    std::array<std::string, 3> out;
    if (m < 0 || m >= info.MatchCount()) return out;
    for (int s = 0; s < 3; ++s) {
        switch (source) {
            case QuickSource::News: {
                const double factor = (pool == "S" || pool == "I") ? 10.0 : 1.0;
                out[s] = FormatFixed(ParseOwnField(info.News[m][s]).value_or(0.0) * factor, 0);
                break;
            }
            case QuickSource::People:
                out[s] = oddsView ? FormatFixed(info.PeopleOdds[m][s], 2) : FormatFixed(info.PeopleValue[m][s], 0);
                break;
            // The operator's odds are the round's Odds keys, the bookmaker's
            // (Unibet's) the Ubet keys, as everywhere the game information is shown.
            case QuickSource::Operator:
                out[s] = oddsView ? FormatFixed(info.OddsValue[m][s], 2) : FormatFixed(info.OddsPercent[m][s], 0);
                break;
            case QuickSource::Bookmaker:
                out[s] = oddsView ? FormatFixed(info.UbetValue[m][s], 2) : FormatFixed(info.UbetPercent[m][s], 0);
                break;
        }
    }
    return out;
}

int PeopleRank(const net::TSvSpelInfo& info, int m, int s) {
    if (m < 0 || m >= info.MatchCount() || s < 0 || s > 2) return 0;
    const auto& all = info.AllPeople;
    const auto it = std::upper_bound(all.begin(), all.end(), info.People[m][s]);
    return static_cast<int>(all.end() - it) + 1;
}

double SignValue(double probabilityPercent, double peoplePercent) {
    if (probabilityPercent <= 0 || peoplePercent <= 0) return 0.0;
    return probabilityPercent / peoplePercent;
}

// ---- GameWizardModel --------------------------------------------------------

GameWizardModel::GameWizardModel(const core::TVinraFile& doc, int start)
    : n_(std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches)) {
    current_ = std::clamp(start, 1, n_);
    frame_.resize(n_);
    for (int m = 0; m < n_ && m < static_cast<int>(doc.Grundrad.size()); ++m) {
        for (const char code : {'0', '1', '2'})
            if (core::EntryHas(doc.Grundrad[m], code)) frame_[m] += code;
    }
    own_.resize(n_);
    for (int s = 0; s < 3; ++s) {
        proc_[s] = doc.Proc[s];
        if (static_cast<int>(proc_[s].size()) < n_) proc_[s].resize(n_, "0");
    }
    for (int m = 0; m < n_; ++m) {
        for (int s = 0; s < 3; ++s) {
            const auto v = core::ParseFloat(proc_[s][m]);
            own_[m].percent[s] = v && std::isfinite(*v) && *v > 0 ? *v : 0.0;
            own_[m].odds[s] = own_[m].percent[s] == 0 ? 0.0 : 100.0 / own_[m].percent[s];
        }
    }
}

void GameWizardModel::GoTo(int n) { current_ = std::clamp(n, 1, n_); }

bool GameWizardModel::HasSign(int n, int sign) const {
    if (n < 1 || n > n_ || sign < 0 || sign > 2) return false;
    return core::EntryHas(frame_[n - 1], static_cast<char>('0' + sign));
}

void GameWizardModel::ToggleSign(int sign) {
    if (sign < 0 || sign > 2) return;
    std::string entry;
    for (int s = 0; s < 3; ++s) {
        const bool on = HasSign(current_, s) != (s == sign);
        if (on) entry += static_cast<char>('0' + s);
    }
    frame_[current_ - 1] = entry;
}

StatusCounts GameWizardModel::Status() const {
    StatusCounts c;
    for (const std::string& e : frame_) {
        if (e.size() == 1) ++c.singles;
        else if (e.size() == 2) ++c.doubles;
        else if (e.size() == 3) ++c.triples;
    }
    c.rows = core::GroupDigits(static_cast<int64_t>(core::MathRowCount(frame_)));
    return c;
}

bool GameWizardModel::HasOwnEstimate(int n) const {
    const auto& p = own_[static_cast<size_t>(std::clamp(n, 1, n_) - 1)].percent;
    return p[0] + p[1] + p[2] >= 50;
}

std::array<std::string, 3> GameWizardModel::OwnFields() const {
    std::array<std::string, 3> f;
    if (!HasOwnEstimate(current_)) return f;
    const OwnValues& o = own_[current_ - 1];
    for (int s = 0; s < 3; ++s) f[s] = oddsView_ ? FormatFixed(o.odds[s], 2) : FormatFixed(o.percent[s], 0);
    return f;
}

int GameWizardModel::Leave(const std::array<std::string, 3>& fields) {
    const std::array<std::string, 3> shown = OwnFields();
    std::array<bool, 3> edited{};
    std::array<double, 3> typed{};
    for (int s = 0; s < 3; ++s) {
        edited[s] = core::Trim(fields[s]) != core::Trim(shown[s]);
        if (!edited[s]) continue;
        const auto v = ParseOwnField(fields[s]);
        if (!v || !OwnFigureInRange(*v, oddsView_)) return s;
        typed[s] = *v;
    }
    if (!edited[0] && !edited[1] && !edited[2]) return -1;
    OwnValues& o = own_[current_ - 1];
    if (oddsView_) {
        // The percentages follow from all three odds together.
        for (int s = 0; s < 3; ++s)
            if (edited[s]) o.odds[s] = typed[s];
        o.percent = ImpliedFromOdds(o.odds);
    } else {
        for (int s = 0; s < 3; ++s) {
            if (!edited[s]) continue;
            o.percent[s] = typed[s];
            o.odds[s] = typed[s] == 0.0 ? 0.0 : 100.0 / typed[s];
        }
    }
    for (int s = 0; s < 3; ++s)
        proc_[s][current_ - 1] = std::to_string(static_cast<int64_t>(std::llround(o.percent[s])));
    return -1;
}

void GameWizardModel::StoreFrame(core::TVinraFile& doc) const {
    if (static_cast<int>(doc.Grundrad.size()) < n_) doc.Grundrad.resize(n_);
    for (int m = 0; m < n_; ++m) doc.Grundrad[m] = frame_[m];
}

void GameWizardModel::StorePercentages(core::TVinraFile& doc) const { doc.Proc = proc_; }

}  // namespace vinra::stats
