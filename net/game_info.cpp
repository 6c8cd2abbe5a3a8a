#include "net/game_info.h"

#include <algorithm>
#include <stdexcept>

#include <pugixml.hpp>

#include "core/messages.h"
#include "core/text.h"
#include "net/http.h"

namespace fs = std::filesystem;

namespace vinra::net {

namespace {

// What the match statistics window says when a round's game information
// cannot be had, in the player's language.
constexpr int kMsgNoMatches = 4039;       // "The game information holds no matches (no hemmalag element)."
constexpr int kMsgTooManyMatches = 4040;  // "The game information holds %d matches; a round has at most 30."
constexpr int kMsgIncomplete = 4041;      // "The game information is incomplete: %d matches but %d %s elements."
constexpr int kMsgTooLarge = 4042;        // "The game information from %s is too large."
constexpr int kMsgRefused = 4043;         // "The game information could not be fetched from %s (the server refused it)."
constexpr int kMsgNotFetched = 4044;      // "The game information could not be fetched: %s"
constexpr int kMsgNotXml = 4045;          // "The game information is not readable XML: %s at byte %d."
constexpr int kMsgNoInformation = 4046;   // "There is no game information for this pool."
constexpr int kMsgNoAddress = 4047;       // "update.ini gives no address for the game information of this pool."

// An operator's game-information page is a few kilobytes; anything far
// larger is not one and is refused before it is parsed.
constexpr std::uintmax_t kMaxXmlBytes = 16u * 1024u * 1024u;

const char* const kSignKeys[3] = {"1", "X", "2"};

std::string Key(std::string_view prefix, int s) { return std::string(prefix) + kSignKeys[s]; }

double Number(std::string_view text) {
    const auto v = core::ParseFloat(core::Trim(text));
    return v ? *v : 0.0;
}

// Implied percentages of three odds; all zero when any is zero.
void ImpliedPercent(const std::array<double, 3>& odds, std::array<double, 3>& out) {
    out = {0, 0, 0};
    if (odds[0] <= 0 || odds[1] <= 0 || odds[2] <= 0) return;
    const double sum = 1 / odds[0] + 1 / odds[1] + 1 / odds[2];
    for (int s = 0; s < 3; ++s) out[s] = (1 / odds[s]) / sum * 100;
}

// The text of an element with everything below it, as a DOM's text property gives it.
std::string NodeText(const pugi::xml_node& node) {
    std::string out;
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
        else if (n.type() == pugi::node_element) out += NodeText(n);
    }
    return out;
}

std::vector<std::string> ElementTexts(const pugi::xml_document& doc, const char* name) {
    std::vector<std::string> out;
    for (const auto& x : doc.select_nodes((std::string("//") + name).c_str()))
        out.push_back(std::string(core::Trim(NodeText(x.node()))));
    return out;
}

// The XML as UTF-8: a declared Latin-1/Windows-1252 encoding, or bytes that are
// not UTF-8 at all, are converted; UTF-8 (with or without BOM) is kept.
std::string XmlAsUtf8(std::string_view bytes) {
    if (core::HasUtf8Bom(bytes)) return std::string(bytes.substr(3));
    const std::string head = core::ToLowerAscii(bytes.substr(0, std::min<size_t>(bytes.size(), 200)));
    const bool declaredSingleByte = head.rfind("<?xml", 0) == 0 && (head.find("iso-8859-1") != std::string::npos ||
                                                                    head.find("windows-1252") != std::string::npos ||
                                                                    head.find("latin1") != std::string::npos);
    bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (declaredSingleByte || (!ascii && !core::IsUtf8WithNonAscii(bytes))) return core::Cp1252ToUtf8(bytes);
    return std::string(bytes);
}

std::string PeopleText(std::string text) {
    // The service writes a decimal point; a comma from an operator means the same.
    if (text.find('.') == std::string::npos) {
        const auto comma = text.find(',');
        if (comma != std::string::npos) text[comma] = '.';
        else text += ".0";
    }
    return text;
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

}  // namespace

std::string SafeFileNamePart(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out += (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7f) ? '_' : c;
    }
    size_t dots = 0;
    while (dots < out.size() && (out[dots] == '.' || out[dots] == ' ')) ++dots;
    out.erase(0, dots);
    if (out.empty()) out = "_";
    return out;
}

fs::path GameInfoFile(const fs::path& dataFolder, std::string_view pool, int64_t omgId) {
    return dataFolder / "Cache" / "Data" / SafeFileNamePart(std::string(pool) + " " + std::to_string(omgId) + ".ini");
}

std::string GameInfoDeadline(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return {};
    try {
        return core::IniFile::FromFile(file).ReadString("info", "Deadline");
    } catch (const core::FileError&) {
        return {};
    }
}

std::string DeadlineText(std::string_view deadline) {
    if (deadline.empty()) return {};
    return "(" + std::string(deadline) + ")";
}

Rgb ColourRgb(FavColour c) {
    switch (c) {
        case FavColour::Lime: return {0, 255, 0};
        case FavColour::Aqua: return {0, 255, 255};
        case FavColour::Red: return {255, 0, 0};
        case FavColour::Blue: break;
    }
    return {0, 0, 255};
}

void TSvSpelInfo::Load(const fs::path& file, int n, const std::array<std::vector<std::string>, 3>& proc) {
    *this = TSvSpelInfo();
    n_ = std::clamp(n, 1, core::kMaxMatches);
    core::IniFile ini;
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) {
        try {
            ini = core::IniFile::FromFile(file);
        } catch (const core::FileError&) {}
    }
    for (int m = 0; m < n_; ++m) {
        const std::string sec = "Game" + std::to_string(m);
        Home[m] = ini.ReadString(sec, "Home");
        Away[m] = ini.ReadString(sec, "Away");
        Comment[m] = ini.ReadString(sec, "Comment");
        XTips[m] = ini.ReadString(sec, "XTips");
        Sound[m] = ini.ReadString(sec, "Sound");
        std::array<double, 3> odds{}, ubet{};
        for (int s = 0; s < 3; ++s) {
            std::string people = ini.ReadString(sec, Key("People", s));
            // One leading zero makes "5.5" sort before "45.5" as text.
            if (people.size() < 4) people = "0" + people;
            People[m][s] = people;
            Odds[m][s] = ini.ReadString(sec, Key("Odds", s));
            News[m][s] = ini.ReadString(sec, Key("News", s));
            Ubet[m][s] = ini.ReadString(sec, Key("Ubet", s));
            PeopleValue[m][s] = Number(people);
            PeopleOdds[m][s] = PeopleValue[m][s] != 0 ? 100 / PeopleValue[m][s] : 0;
            odds[s] = OddsValue[m][s] = Number(Odds[m][s]);
            ubet[s] = UbetValue[m][s] = Number(Ubet[m][s]);
            if (static_cast<size_t>(m) < proc[s].size()) UserValue[m][s] = Number(proc[s][m]);
            UserOdds[m][s] = UserValue[m][s] != 0 ? 100 / UserValue[m][s] : 0;
            AllPeople.push_back(people);
        }
        ImpliedPercent(odds, OddsPercent[m]);
        ImpliedPercent(ubet, UbetPercent[m]);
    }
    std::sort(AllPeople.begin(), AllPeople.end());

    for (int m = 0; m < n_; ++m) {
        const int f = Favourite(m);
        Rank.push_back({m + 1, People[m][f], std::string(1, static_cast<char>('0' + f))});
    }
    std::sort(Rank.begin(), Rank.end(), [](const TRankRec& a, const TRankRec& b) {
        if (a.people != b.people) return a.people < b.people;
        if (a.sign != b.sign) return a.sign > b.sign;
        return a.match > b.match;
    });
    RankDesc.assign(Rank.rbegin(), Rank.rend());
}

void TSvSpelInfo::Load(const fs::path& dataFolder, const core::TVinraFile& doc, std::string_view omgIdText) {
    const fs::path file =
        dataFolder / "Cache" / "Data" / SafeFileNamePart(doc.Pool + " " + std::string(core::Trim(omgIdText)) + ".ini");
    Load(file, doc.MatchCount, doc.Proc);
}

int TSvSpelInfo::Favourite(int m) const {
    if (m < 0 || m >= n_) return 0;
    const std::string h = core::ToUpperAscii(People[m][0]);
    const std::string d = core::ToUpperAscii(People[m][1]);
    const std::string a = core::ToUpperAscii(People[m][2]);
    if (h >= d && h >= a) return 0;
    if (d > h && d >= a) return 1;
    return 2;
}

FavColour TSvSpelInfo::FavouriteColour(int m, int s) const {
    if (s < 0 || s > 2 || m < 0 || m >= n_) return FavColour::Blue;
    int dist[3];
    const int total = static_cast<int>(AllPeople.size());
    for (int t = 0; t < 3; ++t) {
        const auto it = std::lower_bound(AllPeople.begin(), AllPeople.end(), People[m][t]);
        dist[t] = total - static_cast<int>(it - AllPeople.begin());
    }
    const int o1 = (s + 1) % 3, o2 = (s + 2) % 3;
    if (dist[s] < dist[o1] && dist[s] < dist[o2]) return FavColour::Lime;
    if (dist[s] > dist[o1] && dist[s] > dist[o2]) return FavColour::Red;
    return FavColour::Aqua;
}

bool GameInfoAvailable(std::string_view poolCode) {
    return poolCode == "S" || poolCode == "I" || poolCode == "T" || poolCode == "O";
}

core::IniFile GameInfoFromXml(std::string_view xmlBytes) {
    const std::string xml = XmlAsUtf8(xmlBytes);
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw std::runtime_error(core::FormatMsg(core::Msg(kMsgNotXml),
                                                 {std::string(parsed.description()), static_cast<long long>(parsed.offset)}));
    const auto homes = ElementTexts(doc, "hemmalag");
    const auto aways = ElementTexts(doc, "bortalag");
    const auto tips = ElementTexts(doc, "tips");
    const auto comments = ElementTexts(doc, "kommentar");
    const std::vector<std::string> vals[3] = {ElementTexts(doc, "val1"), ElementTexts(doc, "valx"),
                                              ElementTexts(doc, "val2")};
    if (homes.empty()) throw std::runtime_error(core::Msg(kMsgNoMatches));
    if (homes.size() > static_cast<size_t>(core::kMaxMatches))
        throw std::runtime_error(
            core::FormatMsg(core::Msg(kMsgTooManyMatches), {static_cast<long long>(homes.size())}));
    const size_t n = homes.size();
    auto need = [&](const std::vector<std::string>& list, const char* name, size_t perMatch) {
        if (list.size() < n * perMatch)
            throw std::runtime_error(core::FormatMsg(
                core::Msg(kMsgIncomplete),
                {static_cast<long long>(n), static_cast<long long>(list.size()), std::string(name)}));
    };
    need(aways, "bortalag", 1);
    need(tips, "tips", 1);
    need(comments, "kommentar", 1);
    need(vals[0], "val1", 3);
    need(vals[1], "valx", 3);
    need(vals[2], "val2", 3);

    core::IniFile ini;
    size_t next[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const std::string sec = "Game" + std::to_string(i);
        ini.WriteString(sec, "Home", homes[i]);
        ini.WriteString(sec, "Away", aways[i]);
        ini.WriteString(sec, "XTips", tips[i]);
        ini.WriteString(sec, "Comment", core::ReplaceLineBreaks(comments[i], " "));
        for (const char* prefix : {"People", "News", "Odds"}) {
            for (int s = 0; s < 3; ++s) {
                std::string v = vals[s][next[s]++];
                if (prefix[0] == 'P') v = PeopleText(std::move(v));
                ini.WriteString(sec, Key(prefix, s), v);
            }
        }
    }
    return ini;
}

GameInfoDownload DownloadGameInfo(const core::IniFile& updateIni, const fs::path& dataFolder, std::string_view poolCode,
                                  std::string_view poolName, int64_t omgId) {
    GameInfoDownload r;
    r.file = GameInfoFile(dataFolder, poolName, omgId);
    // The other operators' pools have information where the service
    // definitions give its address.
    const std::string tmpl = updateIni.ReadString(poolCode, "Details");
    if (!GameInfoAvailable(poolCode) && tmpl.empty()) {
        r.error = core::Msg(kMsgNoInformation);
        return r;
    }
    if (tmpl.empty()) {
        r.error = core::Msg(kMsgNoAddress);
        return r;
    }
    // Our own substitution: the template comes from a downloaded file.
    std::string url;
    const std::string id = std::to_string(omgId);
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl.compare(i, 2, "%s") == 0) {
            url += UrlEncode(id);
            ++i;
        } else {
            url += tmpl[i];
        }
    }

    const fs::path xmlFile = dataFolder / "~ss.xml";
    RemoveQuietly(xmlFile);
    try {
        if (!GetToFile(url, xmlFile)) {
            r.error = core::FormatMsg(core::Msg(kMsgRefused), {url});
            RemoveQuietly(xmlFile);
            return r;
        }
        std::error_code ec;
        const auto size = fs::file_size(xmlFile, ec);
        if (ec || size > kMaxXmlBytes) throw std::runtime_error(core::FormatMsg(core::Msg(kMsgTooLarge), {url}));
        const core::IniFile ini = GameInfoFromXml(core::ReadFileBytes(xmlFile));
        fs::create_directories(r.file.parent_path());
        ini.SaveToFile(r.file);
        r.matches = static_cast<int>(ini.Sections().size());
        r.ok = true;
    } catch (const NetError& e) {
        r.error = core::FormatMsg(core::Msg(kMsgNotFetched), {std::string(e.what())});
    } catch (const std::exception& e) {
        r.error = e.what();
    }
    RemoveQuietly(xmlFile);
    return r;
}

}  // namespace vinra::net
