#include "service/season.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>
#include <system_error>

#include <fmt/format.h>

#include "core/ini.h"
#include "core/pools.h"
#include "core/text.h"

namespace vinra::service {
namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitFields(std::string_view text, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(sep, start);
        out.emplace_back(
            core::Trim(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

// "2-1" -> (2, 1); anything else leaves the goals unknown.
bool ParseScore(std::string_view text, int& home, int& away) {
    const auto parts = SplitFields(text, '-');
    if (parts.size() != 2) return false;
    const auto h = core::ParseInteger(parts[0]), a = core::ParseInteger(parts[1]);
    if (!h || !a || *h < 0 || *a < 0 || *h > 99 || *a > 99) return false;
    home = static_cast<int>(*h);
    away = static_cast<int>(*a);
    return true;
}

void ReadTriple(const core::IniFile& ini, const std::string& section, const char* key, std::string (&out)[3]) {
    const auto parts = SplitFields(ini.ReadString(section, key), ';');
    for (size_t s = 0; s < 3; ++s) out[s] = s < parts.size() ? parts[s] : std::string();
}

bool ValidOmg(const std::string& omg) {
    return omg.size() == 7 && omg[4] == '-' &&
           std::all_of(omg.begin(), omg.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
}

// Dates of the round files, as days and minutes of the calendar.
using Days = std::chrono::sys_days;

std::optional<Days> ParseDate(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto y = core::ParseInteger(text.substr(0, 4)), m = core::ParseInteger(text.substr(5, 2)),
               d = core::ParseInteger(text.substr(8, 2));
    if (!y || !m || !d) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year{static_cast<int>(*y)},
                                          std::chrono::month{static_cast<unsigned>(*m)},
                                          std::chrono::day{static_cast<unsigned>(*d)}};
    if (!ymd.ok()) return std::nullopt;
    return Days{ymd};
}

// "yyyy-mm-dd hh:mm" as minutes since 1970.
std::optional<long long> ParseMinutes(std::string_view text) {
    const auto day = ParseDate(text);
    if (!day || text.size() != 16 || text[10] != ' ' || text[13] != ':') return std::nullopt;
    const auto h = core::ParseInteger(text.substr(11, 2)), m = core::ParseInteger(text.substr(14, 2));
    if (!h || !m || *h < 0 || *h > 23 || *m < 0 || *m > 59) return std::nullopt;
    return static_cast<long long>(day->time_since_epoch().count()) * 1440 + *h * 60 + *m;
}

std::string MinutesText(long long minutes) {
    const long long days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const long long rest = minutes - days * 1440;
    const std::chrono::year_month_day ymd{Days{std::chrono::days{days}}};
    const int minute = static_cast<int>(rest);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", static_cast<int>(ymd.year()),
                       static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), minute / 60, minute % 60);
}

std::string LocalClock() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

// The Monday of an ISO week "yyyy-ww": week 1 holds the 4th of January.
std::optional<Days> MondayOfWeek(const std::string& omg) {
    const auto y = core::ParseInteger(std::string_view(omg).substr(0, 4)),
               w = core::ParseInteger(std::string_view(omg).substr(5, 2));
    if (!y || !w || *w < 1 || *w > 53) return std::nullopt;
    const Days jan4{std::chrono::year{static_cast<int>(*y)} / std::chrono::January / 4};
    const unsigned iso = std::chrono::weekday{jan4}.iso_encoding();
    return jan4 - std::chrono::days{iso - 1} + std::chrono::days{7 * (*w - 1)};
}

std::string WeekOfDay(Days day) {
    const std::chrono::year_month_day ymd{day};
    return core::RoundOfDate(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                             static_cast<int>(static_cast<unsigned>(ymd.day())));
}

constexpr long long kWeek = 7 * 1440;  // minutes

Round ReadRound(const fs::path& file) {
    const core::IniFile ini = core::IniFile::FromFile(file);
    Round r;
    r.file = file;
    const std::string typ = ini.ReadString("Round", "Typ");
    if (typ.size() != 1 || !core::FindPool(typ)) throw std::runtime_error("[Round] Typ is not a pool code");
    r.typ = typ[0];
    r.omgId = static_cast<int32_t>(ini.ReadInteger("Round", "OmgID", 0));
    if (r.omgId <= 0) throw std::runtime_error("[Round] OmgID must be a positive draw number");
    r.omg = ini.ReadString("Round", "Omg");
    if (!ValidOmg(r.omg)) throw std::runtime_error("[Round] Omg must be yyyy-ww");
    r.deadline = ini.ReadString("Round", "Deadline");
    for (int m = 1; m <= 30; ++m) {
        const std::string section = "Match" + std::to_string(m);
        if (!ini.HasSection(section)) break;
        Match match;
        match.home = ini.ReadString(section, "Home");
        match.away = ini.ReadString(section, "Away");
        if (match.home.empty() || match.away.empty()) throw std::runtime_error(section + " needs Home and Away");
        if (ParseScore(ini.ReadString(section, "Score"), match.homeGoals, match.awayGoals))
            match.ended = ini.ReadBool(section, "Ended", true);
        ReadTriple(ini, section, "People", match.people);
        ReadTriple(ini, section, "News", match.news);
        ReadTriple(ini, section, "Odds", match.odds);
        match.tips = ini.ReadString(section, "Tips");
        match.comment = ini.ReadString(section, "Comment");
        r.matches.push_back(std::move(match));
    }
    if (r.matches.empty()) throw std::runtime_error("no [Match1] section");
    for (const std::string& key : ini.Keys("Payout")) {
        const auto rights = core::ParseInteger(key);
        const auto parts = SplitFields(ini.ReadString("Payout", key), ';');
        std::optional<int64_t> winners, payout;
        if (parts.size() == 2) {
            winners = core::ParseInteger(parts[0]);
            payout = core::ParseInteger(parts[1]);
        }
        if (!rights || *rights < 1 || *rights > 30 || !winners || !payout || *winners < 0 || *payout < 0)
            throw std::runtime_error("[Payout] " + key + " must be a number of rights = winners;payout");
        r.levels.push_back({static_cast<int>(*rights), *winners, *payout});
    }
    // Top level first; the program keeps four levels.
    std::sort(r.levels.begin(), r.levels.end(), [](const Level& a, const Level& b) { return a.rights > b.rights; });
    if (r.levels.size() > 4) r.levels.resize(4);
    r.repeat = static_cast<int>(ini.ReadInteger("Round", "Repeat", 0));
    r.drawStep = static_cast<int>(ini.ReadInteger("Round", "DrawStep", 1));
    if (r.repeat < 0 || r.repeat > 520) throw std::runtime_error("[Round] Repeat must be a number of weeks, 0 to 520");
    if (r.drawStep < 1 || r.drawStep > 100) throw std::runtime_error("[Round] DrawStep must be 1 to 100");
    if (r.repeat > 0 && (!ParseMinutes(r.deadline) || !MondayOfWeek(r.omg)))
        throw std::runtime_error("[Round] a repeating round needs Deadline=yyyy-mm-dd hh:mm");
    return r;
}

}  // namespace

int Round::roundInteger() const { return std::stoi(omg.substr(0, 4)) * 100 + std::stoi(omg.substr(5, 2)); }

std::string Round::resultRow() const {
    const std::string signs = PoolSigns(typ);
    std::string row;
    bool any = false;
    for (const Match& m : matches) {
        if (!m.ended) {
            row += '-';
            continue;
        }
        any = true;
        row += m.homeGoals > m.awayGoals ? signs[0] : m.homeGoals == m.awayGoals ? signs[1] : signs[2];
    }
    return any ? row : std::string();
}

std::string PoolSigns(char typ) { return typ >= 'A' && typ <= 'F' ? "HUB" : "1X2"; }

std::string PoolName(char typ) {
    const core::PoolInfo* pool = core::FindPool(std::string(1, typ));
    return pool ? pool->name : "";
}

std::string PoolOperator(char typ) {
    const core::PoolInfo* pool = core::FindPool(std::string(1, typ));
    return pool ? pool->country : "";
}

Season Season::Load(const fs::path& folder, const std::string& now) {
    Season season;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder / "rounds", ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && core::ToLowerAscii(it->path().extension().string()) == ".ini")
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    std::set<std::pair<char, int32_t>> seen;
    for (const fs::path& file : files) {
        try {
            Round r = ReadRound(file);
            if (!seen.insert({r.typ, r.omgId}).second)
                throw std::runtime_error("a second file for the same pool and draw");
            if (r.repeat > 0) season.repeating_.push_back(std::move(r));
            else season.add(std::move(r));
        } catch (const std::exception& e) {
            season.problems_.push_back(file.filename().string() + ": " + e.what());
        }
    }
    season.now_ = ParseMinutes(now) ? now : LocalClock();
    const long long at = *ParseMinutes(season.now_);
    long long next = -1;
    for (const Round& source : season.repeating_) {
        const long long first = *ParseMinutes(source.deadline), period = source.repeat * kWeek;
        // The first repetition whose deadline is not yet past.
        long long k = at > first ? (at - first + period - 1) / period : -((first - at) / period);
        if (first + k * period < at) ++k;
        const long long open = first + k * period;
        season.add(*season.instance(source, k - 1));
        if (open < at + kWeek) season.add(*season.instance(source, k));
        const long long change = open < at + kWeek ? open : open - kWeek;
        if (next < 0 || change < next) next = change;
    }
    if (next >= 0) season.validUntil_ = MinutesText(next);
    return season;
}

Season::Season(const Season& other)
    : rounds_(other.rounds_),
      repeating_(other.repeating_),
      problems_(other.problems_),
      now_(other.now_),
      validUntil_(other.validUntil_) {}

Season& Season::operator=(const Season& other) {
    if (this != &other) {
        rounds_ = other.rounds_;
        repeating_ = other.repeating_;
        problems_ = other.problems_;
        now_ = other.now_;
        validUntil_ = other.validUntil_;
        std::lock_guard lock(extraMutex_);
        extra_.clear();
    }
    return *this;
}

// Repetition k of a repeating round, settled when its deadline has passed.
// Returns a round held by extra_ (the caller copies it into the season or
// hands the pointer out).
const Round* Season::instance(const Round& source, long long k) const {
    Round r = source;
    const long long weeks = k * source.repeat;
    r.omgId = static_cast<int32_t>(source.omgId + weeks * source.drawStep);
    r.omg = WeekOfDay(*MondayOfWeek(source.omg) + std::chrono::days{7 * weeks});
    r.deadline = MinutesText(*ParseMinutes(source.deadline) + weeks * kWeek);
    if (r.deadline >= now_) {
        // Not played yet: no scores, no payouts.
        r.levels.clear();
        for (Match& m : r.matches) {
            m.homeGoals = m.awayGoals = -1;
            m.ended = false;
        }
    }
    std::lock_guard lock(extraMutex_);
    for (const Round& made : extra_)
        if (made.typ == r.typ && made.omgId == r.omgId) return &made;
    extra_.push_back(std::move(r));
    return &extra_.back();
}

void Season::add(Round round) {
    rounds_.push_back(std::move(round));
    std::stable_sort(rounds_.begin(), rounds_.end(),
                     [](const Round& a, const Round& b) { return a.typ != b.typ ? a.typ < b.typ : a.omgId < b.omgId; });
}

// A repetition far from today is not made: the range keeps the rounds a
// request can create bounded.
namespace {
bool WithinReach(const std::string& deadline, const std::string& now) {
    const auto d = ParseMinutes(deadline), n = ParseMinutes(now);
    return d && n && *d >= *n - 5 * 53 * kWeek && *d <= *n + 53 * kWeek;
}
}  // namespace

const Round* Season::find(char typ, int32_t omgId) const {
    for (const Round& r : rounds_)
        if (r.typ == typ && r.omgId == omgId) return &r;
    for (const Round& source : repeating_) {
        if (source.typ != typ) continue;
        const long long step = static_cast<long long>(source.repeat) * source.drawStep;
        const long long diff = static_cast<long long>(omgId) - source.omgId;
        if (diff % step != 0) continue;
        const long long k = diff / step;
        const std::string deadline = MinutesText(*ParseMinutes(source.deadline) + k * source.repeat * kWeek);
        if (WithinReach(deadline, now_)) return instance(source, k);
    }
    return nullptr;
}

const Round* Season::findByWeek(char typ, const std::string& omg) const {
    for (const Round& r : rounds_)
        if (r.typ == typ && r.omg == omg) return &r;
    const auto monday = ValidOmg(omg) ? MondayOfWeek(omg) : std::nullopt;
    if (!monday) return nullptr;
    for (const Round& source : repeating_) {
        if (source.typ != typ) continue;
        const long long weeks = (*monday - *MondayOfWeek(source.omg)).count() / 7;
        if (weeks % source.repeat != 0) continue;
        const long long k = weeks / source.repeat;
        const std::string deadline = MinutesText(*ParseMinutes(source.deadline) + weeks * kWeek);
        if (WithinReach(deadline, now_)) return instance(source, k);
    }
    return nullptr;
}

const Round* Season::current(char typ, const std::string& todayOmg) const {
    const Round* best = nullptr;
    const Round* first = nullptr;
    for (const Round& r : rounds_) {
        if (r.typ != typ) continue;
        if (!first || r.omg < first->omg) first = &r;
        if (r.omg <= todayOmg && (!best || r.omg > best->omg || (r.omg == best->omg && r.omgId > best->omgId)))
            best = &r;
    }
    return best ? best : first;
}

std::vector<const Round*> Season::unsettled() const {
    std::vector<const Round*> out;
    for (const std::string& code : {pools()})
        for (char typ : code)
            for (const Round& r : rounds_)
                if (r.typ == typ && !r.settled()) out.push_back(&r);
    return out;
}

std::string Season::pools() const {
    std::string codes;
    // Stryktipset and Europatipset first, as the program lists them, then the rest by code.
    for (char typ : std::string("SIABCDEFGHVTO"))
        for (const Round& r : rounds_)
            if (r.typ == typ) {
                codes += typ;
                break;
            }
    return codes;
}

}  // namespace vinra::service
