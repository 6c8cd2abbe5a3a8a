#include "service/season.h"

#include <algorithm>
#include <system_error>

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
        out.emplace_back(core::Trim(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
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

Season Season::Load(const fs::path& folder) {
    Season season;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder / "rounds", ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && core::ToLowerAscii(it->path().extension().string()) == ".ini")
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        try {
            Round r = ReadRound(file);
            if (season.find(r.typ, r.omgId)) throw std::runtime_error("a second file for the same pool and draw");
            season.add(std::move(r));
        } catch (const std::exception& e) {
            season.problems_.push_back(file.filename().string() + ": " + e.what());
        }
    }
    return season;
}

void Season::add(Round round) {
    rounds_.push_back(std::move(round));
    std::stable_sort(rounds_.begin(), rounds_.end(), [](const Round& a, const Round& b) {
        return a.typ != b.typ ? a.typ < b.typ : a.omgId < b.omgId;
    });
}

const Round* Season::find(char typ, int32_t omgId) const {
    for (const Round& r : rounds_)
        if (r.typ == typ && r.omgId == omgId) return &r;
    return nullptr;
}

const Round* Season::findByWeek(char typ, const std::string& omg) const {
    for (const Round& r : rounds_)
        if (r.typ == typ && r.omg == omg) return &r;
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
