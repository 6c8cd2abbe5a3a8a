#include "core/settings.h"

#include <cstdlib>

#include "core/folders.h"
#include "core/system_document.h"
#include "core/text.h"

namespace vinra::core {

bool IsLanguageBase(int base) {
    return base == LangSwedish || base == LangEnglish || base == LangDanish || base == LangNorwegian ||
           base == LangFinnish;
}

std::string StartPoolOfLanguage(int base) {
    switch (base) {
        case LangEnglish: return "T";
        case LangDanish: return "H";
        case LangNorwegian: return "C";
        case LangFinnish: return "V";
        default: return "S";
    }
}

ProxySetting ParseProxyText(std::string_view text) {
    std::string t(Trim(text));
    if (auto at = t.find("http="); at != std::string::npos) {
        t = t.substr(at + 5);
        if (auto semi = t.find(';'); semi != std::string::npos) t = t.substr(0, semi);
    }
    // A URL: drop the scheme, the credentials and the path.
    if (auto scheme = t.find("://"); scheme != std::string::npos) t = t.substr(scheme + 3);
    if (auto slash = t.find('/'); slash != std::string::npos) t = t.substr(0, slash);
    if (auto at = t.rfind('@'); at != std::string::npos) t = t.substr(at + 1);
    ProxySetting p;
    if (t.empty()) return p;
    p.use = true;
    if (!t.empty() && t.front() == '[') {  // [::1]:3128
        auto close = t.find(']');
        p.host = t.substr(0, close == std::string::npos ? t.size() : close + 1);
        if (close != std::string::npos && close + 1 < t.size() && t[close + 1] == ':') p.port = t.substr(close + 2);
        return p;
    }
    if (auto colon = t.rfind(':'); colon != std::string::npos) {
        p.host = t.substr(0, colon);
        p.port = t.substr(colon + 1);
    } else {
        p.host = t;
    }
    return p;
}

ProxySetting ProxyFromEnvironment() {
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return ParseProxyText(v);
    }
    return {};
}

std::string RecentDisplayName(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    // Count characters, not bytes: a UTF-8 sequence is never cut.
    size_t chars = 0;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
        if (chars == 37) cut = i;
        ++chars;
    }
    if (chars <= 40) return name;
    std::string shown = name.substr(0, cut);
    shown.append("...");
    return shown;
}

void RecentFiles::Load(const IniFile& ini) {
    entries_.clear();
    for (size_t i = 0; i < kMax; ++i) {
        const std::string v = ini.ReadString("Files", std::to_string(i));
        std::error_code ec;
        if (v.empty() || !std::filesystem::is_regular_file(v, ec)) break;
        entries_.push_back({v, RecentDisplayName(v)});
    }
}

void RecentFiles::Store(IniFile& ini) const {
    for (size_t i = 0; i < kMax; ++i)
        ini.WriteString("Files", std::to_string(i), i < entries_.size() ? entries_[i].path.string() : "");
}

void RecentFiles::Add(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    if (!entries_.empty() && entries_.front().path == path) return;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].path == path) {
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    entries_.insert(entries_.begin(), RecentFile{path, RecentDisplayName(path)});
    if (entries_.size() > kMax) entries_.resize(kMax);
}

SettingsFile::SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

std::filesystem::path SettingsFile::DefaultPath() { return DataFolder() / "RAVAROZ.INI"; }

Settings SettingsFile::Load() {
    std::error_code ec;
    ini_ = std::filesystem::exists(path_, ec) ? IniFile::FromFile(path_) : IniFile();
    Settings s;
    s.lastInstall = ini_.ReadString("General", "LastInstall");
    s.gameWizTab = static_cast<int>(ini_.ReadInteger("General", "GameWizTab", 0));
    s.language = static_cast<int>(ini_.ReadInteger("General", "Language", -1));
    if (s.language != -1 && !IsLanguageBase(s.language)) s.language = -1;
    s.lastPool = ini_.ReadString("General", "LastPool", "S");
    if (s.lastPool.empty()) s.lastPool = "S";
    s.debug = ini_.ReadBool("General", "Debug", false);
    s.warnings = ini_.ReadBool("General", "Warnings", true);
    s.guideOnNewFile = ini_.ReadBool("General", "GuideOnNewFile", true);
    // Nothing is sent unless the player chose it: the bet after the guide is his to switch on.
    s.postAfterGuide = ini_.ReadBool("General", "PostAfterGuide", false);
    s.closeProgram = ini_.ReadBool("General", "Closeprogram", true);
    s.fillAll = ini_.ReadBool("General", "Fillall", true);
    s.printUpperCase = ini_.ReadBool("General", "PrintUpperCase", true);
    s.lastSaved = ini_.ReadBool("General", "LastSaved", false);
    s.useXWhenPrinting = ini_.ReadBool("General", "UseXWhenPrinting", false);
    s.toolTip = ini_.ReadBool("General", "ToolTip", true);
    s.showPeople = ini_.ReadBool("General", "ShowPeople", true);
    s.apiKey = ini_.ReadString("General", "apiKey");
    s.lastPrinter = ini_.ReadString("General", "LastPrinter");
    s.lastPrinterA4 = ini_.ReadString("General", "LastPrinterA4");
    s.useProxy = ini_.ReadBool("URL", "UseProxy", false);
    if (s.useProxy) {
        s.proxyServer = ini_.ReadString("URL", "Server");
        s.proxyPort = ini_.ReadString("URL", "Port");
        s.proxy = {true, s.proxyServer, s.proxyPort};
    } else {
        s.proxy = ProxyFromEnvironment();
    }
    s.findTeams = static_cast<int>(ini_.ReadInteger("URL", "FindTeams", 0));
    s.recent.Load(ini_);
    return s;
}

void SettingsFile::save() {
    std::error_code ec;
    std::filesystem::create_directories(path_.parent_path(), ec);
    ini_.SaveToFile(path_);
}

void SettingsFile::SaveOnExit(const Settings& s, std::string_view currentPool) {
    ini_.WriteString("General", "LastPool", currentPool);
    ini_.WriteInteger("General", "Language", s.language);
    ini_.WriteBool("General", "GuideOnNewFile", s.guideOnNewFile);
    ini_.WriteBool("General", "PostAfterGuide", s.postAfterGuide);
    ini_.WriteString("General", "LastInstall", kProgramVersion);
    ini_.WriteString("General", "apiKey", s.apiKey);
    s.recent.Store(ini_);
    save();
}

void SettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    ini_.WriteString(section, key, value);
    save();
}

void SettingsFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    ini_.WriteBool(section, key, value);
    save();
}

void SettingsFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
    ini_.WriteInteger(section, key, value);
    save();
}

bool SettingsFile::ShowPool(std::string_view country) const { return ini_.ReadBool("ShowPool", country, true); }

void SettingsFile::WriteShowPoolForLanguage(int base) {
    ini_.WriteBool("ShowPool", "Svenska Spel", base == LangSwedish);
    // The operator of the language's start pool is always listed (English starts on
    // Unibet's SuperToto): a first start must show something to play.
    ini_.WriteBool("ShowPool", "Unibet", base == LangEnglish);
    ini_.WriteBool("ShowPool", "Dansk Tipstjeneste", base == LangDanish);
    ini_.WriteBool("ShowPool", "Norsk Tipping", base == LangNorwegian);
    ini_.WriteBool("ShowPool", "Veikkaus", base == LangFinnish);
    save();
}

std::string SettingsFile::Sound(std::string_view key) const {
    static const std::pair<const char*, const char*> defaults[] = {
        {"GoalUp", "good.wav"}, {"GoalDown", "bad.wav"},    {"GoalSame", "same.wav"},
        {"GoalAll", "all.wav"}, {"Comment", "comment.wav"}, {"GameEnd", "end.wav"},
    };
    for (auto [k, def] : defaults)
        if (EqualsNoCase(k, key)) return ini_.ReadString("Sounds", key, def);
    return ini_.ReadString("Sounds", key);
}

}  // namespace vinra::core
