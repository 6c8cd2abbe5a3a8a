#include "net/active_pools.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <tuple>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/http.h"

namespace fs = std::filesystem;

namespace vinra::net {

namespace {

// A damaged file with thousands of round sections is not one the service
// writes; the bound keeps it from stalling the list.
constexpr int kMaxRoundSections = 100;

// Why a refresh failed, in the player's language: it ends in a message box.
constexpr int kMsgPoolsRefused = 4103;     // "The list of active pools could not be fetched from %s (...)."
constexpr int kMsgPoolsFailed = 4104;      // "The list of active pools could not be fetched: %s"
constexpr int kMsgPoolsIncomplete = 4105;  // "The reply from %s is not a complete list of active pools; ..."
constexpr int kMsgNotReplaced = 4106;      // "%s could not be replaced: %s"

bool ReadNumber(std::string_view s, size_t pos, size_t len, int& out) {
    if (pos + len > s.size()) return false;
    int v = 0;
    for (size_t i = pos; i < pos + len; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    out = v;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[month - 1];
}

std::optional<LocalDateTime> ParseDate(std::string_view s) {
    LocalDateTime d;
    if (s.size() < 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    if (!ReadNumber(s, 0, 4, d.year) || !ReadNumber(s, 5, 2, d.month) || !ReadNumber(s, 8, 2, d.day))
        return std::nullopt;
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return std::nullopt;
    return d;
}

// The raw lines of a section, for the sections that hold exchange lines rather
// than keys.
std::vector<std::string> SectionLines(const std::vector<std::string>& lines, std::string_view section) {
    std::vector<std::string> out;
    bool inside = false;
    for (const auto& raw : lines) {
        const std::string_view line = core::Trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inside = core::EqualsNoCase(line.substr(1, line.size() - 2), section);
            continue;
        }
        if (!inside || line.empty() || line.front() == ';') continue;
        out.emplace_back(line);
    }
    return out;
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

}  // namespace

LocalDateTime LocalNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::optional<LocalDateTime> ParseDeadline(std::string_view text) {
    const std::string_view s = core::Trim(text);
    auto d = ParseDate(s);
    if (!d) return std::nullopt;
    if (s.size() == 10) {
        // A bare date is open until the day is over.
        d->hour = 23, d->minute = 59, d->second = 59;
        return d;
    }
    if (s[10] != ' ' && s[10] != 'T') return std::nullopt;
    if (!(s.size() == 16 || s.size() == 19) || s[13] != ':') return std::nullopt;
    if (!ReadNumber(s, 11, 2, d->hour) || !ReadNumber(s, 14, 2, d->minute)) return std::nullopt;
    if (s.size() == 19 && (s[16] != ':' || !ReadNumber(s, 17, 2, d->second))) return std::nullopt;
    if (d->hour > 23 || d->minute > 59 || d->second > 59) return std::nullopt;
    return d;
}

bool DeadlinePassed(std::string_view deadline, const LocalDateTime& now) {
    const auto when = ParseDeadline(deadline);
    return when && *when <= now;
}

ActivePoolsFile ActivePoolsFile::FromText(std::string_view text) {
    ActivePoolsFile f;
    f.ini_ = core::IniFile::FromText(text);
    const auto lines = core::SplitLines(text);
    f.poolGames_ = SectionLines(lines, "PoolGames");
    f.poolResults_ = SectionLines(lines, "PoolResults");
    return f;
}

ActivePoolsFile ActivePoolsFile::Load(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return {};
    try {
        return FromText(core::DecodeFileText(core::ReadFileBytes(path)));
    } catch (const core::FileError&) {
        return {};
    }
}

bool ActivePoolsFile::FileOK() const { return ini_.ReadInteger("Info", "FileOK", 0) == 1; }

std::string ActivePoolsFile::Date() const { return ini_.ReadString("Info", "Date", "2009-01-01"); }

bool ActivePoolsFile::RefreshDue(const LocalDateTime& today) const {
    const auto date = ParseDate(core::Trim(Date()));
    if (!date) return true;
    return std::tie(date->year, date->month, date->day) < std::tie(today.year, today.month, today.day);
}

std::vector<std::string> ActivePoolsFile::PoolCodes() const {
    std::vector<std::string> codes;
    for (char c : ini_.ReadString("Info", "Pools", "SI"))
        if (c != ' ' && c != '\t') codes.emplace_back(1, c);
    return codes;
}

std::vector<TCouponInfoEx> ActivePoolsFile::Entries(const LocalDateTime& now) const {
    std::vector<TCouponInfoEx> out;
    if (!FileOK()) return out;
    for (const auto& code : PoolCodes()) {
        for (int k = 0; k < kMaxRoundSections; ++k) {
            const std::string section = code + std::to_string(k);
            std::string name = ini_.ReadString(section, "N");
            if (name.empty()) break;
            TCouponInfoEx e;
            e.code = code;
            e.name = std::move(name);
            e.country = ini_.ReadString(section, "C", "Svenska Spel");
            e.omg = ini_.ReadString(section, "Omg", core::RoundOfToday());
            e.omgId =
                static_cast<int32_t>(std::clamp<int64_t>(ini_.ReadInteger(section, "XMLOmgang", -1), -1, INT32_MAX));
            e.numGames = static_cast<int32_t>(
                std::clamp<int64_t>(ini_.ReadInteger(section, "NumGames", 13), 1, core::kMaxMatches));
            e.deadline = ini_.ReadString(section, "Deadline");
            e.closed = DeadlinePassed(e.deadline, now);
            out.push_back(std::move(e));
        }
    }
    return out;
}

void ActivePoolsFile::CurrentRound(std::string_view code, core::TVinraFile& doc) const {
    const std::string section = ini_.ReadString("Info", code, "S0");
    doc.OmgID = static_cast<int32_t>(std::clamp<int64_t>(ini_.ReadInteger(section, "XMLOmgang", -1), -1, INT32_MAX));
    doc.MatchCount =
        static_cast<int32_t>(std::clamp<int64_t>(ini_.ReadInteger(section, "NumGames", 13), 1, core::kMaxMatches));
    doc.Omg = ini_.ReadString(section, "Omg", core::RoundOfToday());
    doc.Pool = ini_.ReadString(section, "N", "Stryktipset");
    doc.Country = ini_.ReadString(section, "C", "Svenska Spel");
}

std::string ServiceHostOf(const core::IniFile& updateIni) {
    std::string host = updateIni.ReadString("Service", "Host", "http://127.0.0.1:8080");
    while (!host.empty() && host.back() == '/') host.pop_back();
    return host;
}

ActivePoolsRefresh RefreshActivePools(const std::string& serviceHost, const fs::path& dataFolder,
                                      checking::TTipsData* db, const ProgressFn& progress) {
    ActivePoolsRefresh r;
    const std::string url = serviceHost + "/vinra/activepools";
    const fs::path tmp = dataFolder / "~pools.tmp";
    const fs::path target = dataFolder / "activepools.ini";
    RemoveQuietly(tmp);
    try {
        if (!GetToFile(url, tmp, progress)) {
            r.error = core::FormatMsg(core::Msg(kMsgPoolsRefused), {url});
            RemoveQuietly(tmp);
            return r;
        }
    } catch (const std::exception& e) {  // NetError, or the file could not be written
        r.error = core::FormatMsg(core::Msg(kMsgPoolsFailed), {std::string(e.what())});
        RemoveQuietly(tmp);
        return r;
    }

    const ActivePoolsFile fresh = ActivePoolsFile::Load(tmp);
    if (!fresh.FileOK()) {
        r.error = core::FormatMsg(core::Msg(kMsgPoolsIncomplete), {url});
        RemoveQuietly(tmp);
        return r;
    }
    std::error_code ec;
    fs::rename(tmp, target, ec);  // rename replaces the old file in one step
    if (ec) {
        r.error = core::FormatMsg(core::Msg(kMsgNotReplaced), {target.filename().string(), ec.message()});
        RemoveQuietly(tmp);
        return r;
    }
    r.replaced = true;
    if (db && db->IsOpen()) ImportActivePoolsData(dataFolder, *db, r);
    return r;
}

void ImportActivePoolsData(const fs::path& dataFolder, checking::TTipsData& db, ActivePoolsRefresh& r) {
    if (!db.IsOpen()) return;
    const ActivePoolsFile fresh = ActivePoolsFile::Load(dataFolder / "activepools.ini");
    const fs::path resultsFile = dataFolder / "dbresults.txt";
    const fs::path gamesFile = dataFolder / "dbgames.txt";
    try {
        if (!fresh.PoolResults().empty()) {
            core::WriteFileAtomic(resultsFile, core::Utf8ToCp1252(core::JoinCrLf(fresh.PoolResults())));
            r.results = db.ImportResultsFile(resultsFile);
        }
        if (!fresh.PoolGames().empty()) {
            core::WriteFileAtomic(gamesFile, core::Utf8ToCp1252(core::JoinCrLf(fresh.PoolGames())));
            r.games = db.ImportGamesFile(gamesFile);
        }
    } catch (const std::exception& e) {
        r.importError = e.what();
    }
    RemoveQuietly(resultsFile);
    RemoveQuietly(gamesFile);
}

}  // namespace vinra::net
