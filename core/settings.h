#pragma once
// The program's settings (RAVAROZ.INI in the data folder) and the recent files.
// Every write goes to the file at once, atomically.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"

namespace vinra::core {

// Language bases of the message table.
enum LanguageBase : int {
    LangSwedish = 0,
    LangEnglish = 10000,
    LangDanish = 20000,
    LangNorwegian = 30000,
    LangFinnish = 40000,
};
// True for the five bases above.
bool IsLanguageBase(int base);
// Pool a first start in this language begins with: S, T, H, C, V.
std::string StartPoolOfLanguage(int base);

struct ProxySetting {
    bool use = false;
    std::string host;
    std::string port;
};
// Takes a proxy text apart: "http=host:port;https=..." keeps the http entry;
// a URL "http://user:pw@host:port/" gives its host and port; "host:port" splits at the last ":".
ProxySetting ParseProxyText(std::string_view text);
// The proxy of the environment (http_proxy, then HTTP_PROXY); use=false when none.
ProxySetting ProxyFromEnvironment();

struct RecentFile {
    std::filesystem::path path;
    std::string display;  // file name; over 40 characters: the first 37 and "..."
};
// The display name of a recent file (cut at a character boundary).
std::string RecentDisplayName(const std::filesystem::path& path);

class RecentFiles {
public:
    static constexpr size_t kMax = 4;
    const std::vector<RecentFile>& entries() const { return entries_; }
    // Files 0..3 up to the first empty key or file that no longer exists.
    void Load(const IniFile& ini);
    void Store(IniFile& ini) const;
    // Nothing when the file does not exist or is already first; moves it to the
    // top when listed; otherwise inserts it at the top and drops the fifth.
    void Add(const std::filesystem::path& path);

private:
    std::vector<RecentFile> entries_;
};

struct Settings {
    // General
    std::string lastInstall;
    int gameWizTab = 0;
    int language = -1;
    std::string lastPool = "S";
    bool debug = false;
    bool warnings = true;
    bool guideOnNewFile = true;
    bool postAfterGuide = false;
    bool closeProgram = true;
    bool fillAll = true;
    bool printUpperCase = true;
    bool lastSaved = false;
    bool useXWhenPrinting = false;
    bool toolTip = true;
    // The people's percentage under each sign of the main grid (written at once).
    bool showPeople = true;
    std::string apiKey;
    std::string lastPrinter;
    std::string lastPrinterA4;
    // URL
    bool useProxy = false;  // as stored
    std::string proxyServer;
    std::string proxyPort;
    int findTeams = 0;
    // The proxy in force this run: the stored one, else the environment's.
    ProxySetting proxy;
    RecentFiles recent;
};

// The settings file and the process-wide values read from it.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path);
    // RAVAROZ.INI in DataFolder().
    static std::filesystem::path DefaultPath();

    const std::filesystem::path& path() const { return path_; }
    // Reads the start-time keys; a missing file gives every default.
    // Throws FileError only for a file that exists but cannot be read.
    Settings Load();
    // The exit-time keys: LastPool, Language, GuideOnNewFile, PostAfterGuide,
    // LastInstall (the program version), apiKey and Files 0..3.
    void SaveOnExit(const Settings& s, std::string_view currentPool);

    // Key-by-key access for the dialogs; writes go to the file at once.
    const IniFile& ini() const { return ini_; }
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteInteger(std::string_view section, std::string_view key, int64_t value);

    // ShowPool: the operator's pools are listed in the active-pools panel (default true).
    bool ShowPool(std::string_view country) const;
    // The first-start choice of a language: ShowPool for the five operators.
    void WriteShowPoolForLanguage(int base);

    std::string Sound(std::string_view key) const;

private:
    void save();
    std::filesystem::path path_;
    IniFile ini_;
};

}  // namespace vinra::core
