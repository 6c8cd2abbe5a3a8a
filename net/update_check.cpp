#include "net/update_check.h"

#include <atomic>
#include <optional>
#include <system_error>

#include "core/messages.h"
#include "core/system_document.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/http.h"

namespace vinra::net {

namespace fs = std::filesystem;

namespace {

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

fs::path WithSuffix(const fs::path& file, const std::string& suffix) {
    fs::path p = file;
    p += suffix;
    return p;
}

// The backup "<name>.old": a copy, so the file itself is there all the time.
void KeepBackup(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return;
    core::WriteFileAtomic(WithSuffix(file, ".old"), core::ReadFileBytes(file));
}

// Parses a downloaded file; nullopt when it cannot be read at all.
std::optional<core::IniFile> ReadIni(const fs::path& p) {
    try {
        return core::IniFile::FromFile(p);
    } catch (const core::FileError&) {
        return std::nullopt;
    }
}

// Keys of `section` in `from` that `into` lacks are added to `into`.
int CarryOverKeys(const core::IniFile& from, core::IniFile& into, std::string_view section) {
    int added = 0;
    for (const std::string& key : from.Keys(section)) {
        if (into.HasKey(section, key)) continue;
        into.WriteString(section, key, from.ReadString(section, key));
        ++added;
    }
    return added;
}

// 0 not run, 1 running, 2 done. No lock is held while the check runs: its
// message boxes run a nested event loop, from which a timer may call again.
std::atomic<int> g_prepareState{0};

}  // namespace

bool VersionGreater(std::string_view a, std::string_view b) {
    // std::char_traits<char> compares as unsigned char, i.e. by character code.
    return a.compare(b) > 0;
}

UpdateInfo ReadUpdateInfo(const core::IniFile& ini, std::string_view host, std::string_view programVersion) {
    const std::string h(host);
    UpdateInfo u;
    u.pgmVersion = ini.ReadString("Update", "PgmVersion", programVersion);
    u.pgmUrl = ini.ReadString("Update", "PgmUrl", h + "/vinra2000/");
    u.pgmInfo = ini.ReadString("Update", "PgmInfo");
    u.iniVersion = ini.ReadString("Update", "IniVersion", "700");
    u.iniUrl = ini.ReadString("Update", "IniUrl", h + "/vinra2000/ini/teamstat.ini");
    u.teamLogo = ini.ReadString("Update", "TeamLogo", h + "/vinra2000/ini/teamlogo.ini");
    u.iniInfo = ini.ReadString("Update", "IniInfo");
    u.varning = ini.ReadString("Update", "Varning");
    return u;
}

bool RefreshDataFile(const fs::path& file, const std::string& url, const std::vector<std::string>& keepSections,
                     std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    KeepBackup(file);
    const fs::path tmp = WithSuffix(file, ".tmp");
    try {
        if (!GetToFile(url, tmp)) {
            RemoveQuietly(tmp);
            return fail("The server refused " + url + ": " + file.filename().string() + " was kept");
        }
    } catch (const NetError& e) {
        RemoveQuietly(tmp);
        return fail(std::string(e.what()) + ": " + file.filename().string() + " was kept");
    }
    std::optional<core::IniFile> fresh = ReadIni(tmp);
    if (!fresh || fresh->ReadInteger("Update", "FileOK", 0) == 0) {
        RemoveQuietly(tmp);
        return fail(url + " did not give a complete file (no [Update] FileOK=1): " + file.filename().string() +
                    " was kept");
    }
    int added = 0;
    std::error_code ec;
    if (!keepSections.empty() && fs::exists(file, ec)) {
        if (std::optional<core::IniFile> old = ReadIni(file))
            for (const std::string& section : keepSections) added += CarryOverKeys(*old, *fresh, section);
    }
    try {
        if (added > 0) fresh->SaveToFile(tmp);
        fs::rename(tmp, file);
    } catch (const std::exception& e) {
        RemoveQuietly(tmp);
        return fail("Could not replace " + file.string() + ": " + e.what());
    }
    return true;
}

UpdateCheckResult UpdateCheck(const fs::path& dataFolder, UpdateCheckUi& ui, std::string_view programVersion) {
    UpdateCheckResult result;
    const fs::path updateIni = dataFolder / "update.ini";
    const fs::path tmp = dataFolder / "Update.tmp";

    std::error_code ec;
    core::IniFile oldIni;
    if (fs::exists(updateIni, ec)) {
        if (std::optional<core::IniFile> read = ReadIni(updateIni)) oldIni = std::move(*read);
    }
    const std::string oldIniVersion = oldIni.ReadString("Update", "IniVersion", "700");
    const std::string host = ServiceHostOf(oldIni);

    KeepBackup(updateIni);
    const std::string url = host + "/vinra2000/ini/update.ini";
    bool fetched = false;
    try {
        fetched = GetToFile(url, tmp);
        if (!fetched) result.updateIniError = "The server refused " + url;
    } catch (const NetError& e) {
        result.updateIniError = e.what();
    }
    std::optional<core::IniFile> fresh;
    if (fetched) {
        fresh = ReadIni(tmp);
        if (!fresh || !fresh->HasSection("Update")) {
            fresh.reset();
            result.updateIniError = url + " did not give a service definition file (no [Update] section)";
        }
    }
    if (!fresh) {
        RemoveQuietly(tmp);
        return result;
    }
    // A service that leaves out its own address keeps the one the user set.
    if (CarryOverKeys(oldIni, *fresh, "Service") > 0) fresh->SaveToFile(tmp);
    fs::rename(tmp, updateIni);
    result.updateIniReplaced = true;

    const UpdateInfo info = ReadUpdateInfo(*fresh, ServiceHostOf(*fresh), programVersion);
    if (VersionGreater(info.iniVersion, oldIniVersion)) {
        result.dataFilesDue = true;
        std::string why;
        // [Alias] and [teams_svt] hold names the user mapped himself.
        result.teamstatRefreshed =
            RefreshDataFile(dataFolder / "teamstat.ini", info.iniUrl, {"Alias", "teams_svt"}, &why);
        if (!result.teamstatRefreshed) result.dataFileErrors.push_back(why);
        result.teamlogoRefreshed = RefreshDataFile(dataFolder / "teamlogo.ini", info.teamLogo, {}, &why);
        if (!result.teamlogoRefreshed) result.dataFileErrors.push_back(why);
        if (!result.teamstatRefreshed || !result.teamlogoRefreshed) {
            // Not marked as done: the next check fetches the data files again.
            fresh->WriteString("Update", "IniVersion", oldIniVersion);
            fresh->SaveToFile(updateIni);
        }
    }

    if (!info.iniInfo.empty()) ui.ShowInfo(info.iniInfo);
    if (VersionGreater(info.pgmVersion, programVersion)) {
        result.newerProgram = true;
        if (ui.AskYesNo(core::FormatMsg(core::Msg(461), {info.pgmVersion}))) {
            ui.OpenUrl(info.pgmUrl);
            if (!info.pgmInfo.empty()) ui.ShowInfo(info.pgmInfo);
        }
    }
    if (!info.varning.empty()) ui.ShowInfo(info.varning);
    return result;
}

bool PrepareConnection(const fs::path& dataFolder, UpdateCheckUi& ui, UpdateCheckResult* result) {
    int expected = 0;
    if (!g_prepareState.compare_exchange_strong(expected, 1)) return expected == 2;
    try {
        UpdateCheckResult r = UpdateCheck(dataFolder, ui, core::kProgramVersion);
        g_prepareState = 2;
        if (result) *result = std::move(r);
    } catch (...) {
        g_prepareState = 0;
        throw;
    }
    return true;
}

void ResetPrepareConnection() { g_prepareState = 0; }

std::string HelpPageUrl(std::string_view host, int languageBase, std::string_view page) {
    std::string h(host);
    while (!h.empty() && h.back() == '/') h.pop_back();
    return h + "/vinra2000/help/" + std::to_string(languageBase) + "/html/" + UrlEncode(page);
}

}  // namespace vinra::net
