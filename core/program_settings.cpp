#include "core/program_settings.h"

#include "core/text.h"

namespace vinra::core {
namespace {
constexpr const char* kGeneral = "General";
constexpr const char* kUrl = "URL";
constexpr int kDialogLinks = 9;
constexpr int kLinkKeys = 10;

// The first character of a UTF-8 text (a print character is one character).
std::string FirstCharacter(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return {};
    char32_t cp = 0;
    size_t len = DecodeUtf8(text, 0, cp);
    return std::string(text.substr(0, len == 0 ? 1 : len));
}
}  // namespace

ProgramSettingsValues LoadProgramSettings(const IniFile& ravaroz, const Settings& process, const NationalIni& national,
                                          const SettingsPlace& place) {
    ProgramSettingsValues v;
    v.toolTip = ravaroz.ReadBool(kGeneral, "ToolTip", true);
    v.fillAll = ravaroz.ReadBool(kGeneral, "Fillall", true);
    v.printUpperCase = ravaroz.ReadBool(kGeneral, "PrintUpperCase", true);
    v.lastSaved = ravaroz.ReadBool(kGeneral, "LastSaved", true);
    v.closeProgram = ravaroz.ReadBool(kGeneral, "Closeprogram", true);
    v.useXWhenPrinting = ravaroz.ReadBool(kGeneral, "UseXWhenPrinting", false);
    v.warnings = ravaroz.ReadBool(kGeneral, "Warnings", true);
    v.guideOnNewFile = process.guideOnNewFile;
    v.apiKey = process.apiKey;
    v.printChar = national.ini().ReadString(place.poolName, "PrintChar", "X");
    v.links = ReadDialogLinks(national, place.operatorName);
    v.findTeams = static_cast<int>(ravaroz.ReadInteger(kUrl, "FindTeams", 0));
    v.proxy = process.proxy;
    for (const auto& op : national.Operators()) v.showPool.emplace_back(op, ravaroz.ReadBool("ShowPool", op, true));
    return v;
}

void StoreProgramSettings(const ProgramSettingsValues& v, IniFile& ravaroz, IniFile& national,
                          const SettingsPlace& place, Settings& process) {
    process.closeProgram = v.closeProgram;
    process.fillAll = v.fillAll;
    process.printUpperCase = v.printUpperCase;
    process.lastSaved = v.lastSaved;
    process.useXWhenPrinting = v.useXWhenPrinting;
    process.apiKey = std::string(Trim(v.apiKey));
    process.toolTip = v.toolTip;
    process.warnings = v.warnings;
    process.guideOnNewFile = v.guideOnNewFile;
    process.findTeams = v.findTeams;
    process.proxy = v.proxy;
    process.useProxy = v.proxy.use;
    process.proxyServer = v.proxy.host;
    process.proxyPort = v.proxy.port;

    std::string printChar = FirstCharacter(v.printChar);
    if (!place.poolName.empty()) national.WriteString(place.poolName, "PrintChar", printChar.empty() ? "X" : printChar);
    if (!place.operatorName.empty()) WriteLinks(national, place.operatorName, CloseUpLinks(v.links));

    ravaroz.WriteBool(kGeneral, "Closeprogram", v.closeProgram);
    ravaroz.WriteBool(kGeneral, "Fillall", v.fillAll);
    ravaroz.WriteBool(kGeneral, "PrintUpperCase", v.printUpperCase);
    ravaroz.WriteBool(kGeneral, "ToolTip", v.toolTip);
    ravaroz.WriteBool(kGeneral, "LastSaved", v.lastSaved);
    ravaroz.WriteBool(kGeneral, "UseXWhenPrinting", v.useXWhenPrinting);
    ravaroz.WriteBool(kGeneral, "Warnings", v.warnings);
    ravaroz.WriteBool(kGeneral, "GuideOnNewFile", v.guideOnNewFile);
    ravaroz.WriteString(kGeneral, "apiKey", process.apiKey);
    ravaroz.WriteBool(kUrl, "UseProxy", v.proxy.use);
    ravaroz.WriteString(kUrl, "Server", v.proxy.use ? v.proxy.host : std::string());
    ravaroz.WriteString(kUrl, "Port", v.proxy.use ? v.proxy.port : std::string());
    ravaroz.WriteInteger(kUrl, "FindTeams", v.findTeams);
    for (const auto& [op, shown] : v.showPool) ravaroz.WriteBool("ShowPool", op, shown);
}

std::vector<OperatorLink> ReadDialogLinks(const NationalIni& national, std::string_view operatorName) {
    std::vector<OperatorLink> out;
    for (int n = 0; n < kDialogLinks; ++n) {
        std::string caption = national.ini().ReadString(operatorName, "MENU" + std::to_string(n));
        if (caption.empty()) break;
        std::string url = national.ini().ReadString(operatorName, "URL" + std::to_string(n));
        if (url.empty()) break;
        out.push_back({std::move(caption), std::move(url)});
    }
    return out;
}

std::vector<OperatorLink> CloseUpLinks(const std::vector<OperatorLink>& grid) {
    std::vector<OperatorLink> out;
    for (const auto& row : grid) {
        std::string caption;
        for (char c : row.caption)
            if (c != '&') caption += c;
        caption = std::string(Trim(caption));
        if (caption.empty()) continue;
        out.push_back({std::move(caption), std::string(Trim(row.url))});
    }
    return out;
}

void WriteLinks(IniFile& national, std::string_view operatorName, const std::vector<OperatorLink>& links) {
    int n = 0;
    for (; n < static_cast<int>(links.size()) && n < kDialogLinks; ++n) {
        national.WriteString(operatorName, "MENU" + std::to_string(n), links[static_cast<size_t>(n)].caption);
        national.WriteString(operatorName, "URL" + std::to_string(n), links[static_cast<size_t>(n)].url);
    }
    for (; n < kLinkKeys; ++n) {
        national.DeleteKey(operatorName, "MENU" + std::to_string(n));
        national.DeleteKey(operatorName, "URL" + std::to_string(n));
    }
}

SoundEvents DefaultSoundEvents() {
    return {{"GoalUp", "good.wav"}, {"GoalDown", "bad.wav"}, {"GoalSame", "same.wav"},
            {"GoalAll", "all.wav"}, {"GameEnd", "end.wav"},  {"Comment", "comment.wav"}};
}

SoundEvents ReadSoundEvents(const IniFile& ravaroz) {
    auto keys = ravaroz.Keys("Sounds");
    if (keys.size() < 6) return DefaultSoundEvents();
    SoundEvents out;
    for (const auto& k : keys) out.emplace_back(k, ravaroz.ReadString("Sounds", k));
    return out;
}

void WriteSoundEvents(IniFile& ravaroz, const SoundEvents& events) {
    ravaroz.EraseSection("Sounds");
    for (const auto& [event, file] : events) ravaroz.WriteString("Sounds", event, file);
}

std::filesystem::path SoundFilePath(std::string_view value, const std::filesystem::path& dataFolder) {
    std::string v(value);
    for (char& c : v)
        if (c == '\\') c = '/';
    std::filesystem::path p(v);
    if (p.has_parent_path()) return p;
    return dataFolder / "Cache" / "Sounds" / p;
}

}  // namespace vinra::core
