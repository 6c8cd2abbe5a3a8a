#include "net/downloads.h"

#include "core/messages.h"
#include "core/text.h"
#include "net/http.h"

namespace vinra::net {

namespace {
// An address the program cannot make is told in the player's language.
constexpr int kMsgFormNeedsValues = 4011;   // "The address form \"%s\" needs more than %d value(s)."
constexpr int kMsgNoResultsAddress = 4012;  // "update.ini gives no address for the results of pool %s (key %s)."
constexpr int kMsgNoGamesAddress = 4013;    // "update.ini gives no address for the games of pool %s (key %s)."
constexpr int kMsgNotAWebAddress = 4014;    // "The address of pool %s is not a web address: %s"
constexpr int kMsgDownloadRefused = 4057;   // "The server refused the download of %s (HTTP error)."
constexpr int kMsgNoTables = 4058;          // "The page of %s does not hold the tables the settings of pool %s describe."
constexpr int kMsgKeysCannotRead = 4059;    // "The settings of pool %s cannot read %s: %s"
constexpr int kMsgPageCannotBeRead = 4060;  // "The page of %s cannot be read: %s"
}  // namespace

std::string FillPlaceholders(std::string_view form, const std::vector<std::string>& values) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < form.size(); ++i) {
        const char c = form[i];
        if (c != '%' || i + 1 >= form.size()) {
            out += c;
            continue;
        }
        const char k = form[i + 1];
        if (k == '%') {
            out += '%';
            ++i;
        } else if (k == 's' || k == 'd') {
            if (next >= values.size())
                throw AddressError(core::FormatMsg(core::Msg(kMsgFormNeedsValues),
                                                   {std::string(form), static_cast<long long>(values.size())}));
            out += UrlEncode(values[next++]);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ServiceAddress(const core::IniFile& updateIni, std::string_view typ, bool xml, bool results, int mode,
                           int32_t drawNumber, std::string_view year, std::string_view week) {
    const char* urlKey =
        results ? (xml ? "XMLGetResultUrl" : "GetResultLink") : (xml ? "XMLGetGamesUrl" : "GetGamesLink");
    const char* paramKey =
        results ? (xml ? "XMLGetResultParam" : "GetResultParam") : (xml ? "XMLGetGamesParam" : "GetGamesParam");
    const std::string url = updateIni.ReadString(typ, urlKey);
    const std::string param = updateIni.ReadString(typ, paramKey);
    if (url.empty())
        throw AddressError(core::FormatMsg(core::Msg(results ? kMsgNoResultsAddress : kMsgNoGamesAddress),
                                           {std::string(typ), std::string(urlKey)}));
    std::string address;
    if (mode == kByDrawNumber) address = FillPlaceholders(url + param, {std::to_string(drawNumber)});
    else if (mode == kByYearWeek) address = FillPlaceholders(url + param, {std::string(year), std::string(week)});
    else address = url;
    const std::string lower = core::ToLowerAscii(address.substr(0, 8));
    if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0)
        throw AddressError(core::FormatMsg(core::Msg(kMsgNotAWebAddress), {std::string(typ), address}));
    return address;
}

std::string HalfTimeCode(std::string_view code) {
    if (code == "A") return "B";
    if (code == "C") return "D";
    if (code == "E") return "F";
    return {};
}

std::string ProxyHostOf(const core::IniFile& updateIni) {
    std::string host = updateIni.ReadString("Service", "ProxyHost");
    if (host.empty()) host = updateIni.ReadString("Service", "Host");
    while (!host.empty() && host.back() == '/') host.pop_back();
    return host;
}

std::string BulkResultsAddress(const core::IniFile& updateIni, std::string_view code, int32_t drawNumber) {
    const std::string host = ProxyHostOf(updateIni);
    if (host.empty()) return {};
    const std::string draw = std::to_string(drawNumber);
    if (code == "S") return host + "/api/svenskaspel/XMLresultatProxy.php?produktid=1&omgang=" + draw;
    if (code == "I") return host + "/api/svenskaspel/XMLresultatProxy.php?produktid=2&omgang=" + draw;
    if (code == "G") return host + "/spil/tips/tips12/resultater.php?draw=" + draw;
    if (code == "H") return host + "/spil/tips/tips13/resultater.php?draw=" + draw;
    return {};
}

const std::vector<std::string>& BulkPoolCodes() {
    static const std::vector<std::string> codes = {"S", "I", "A", "B", "C", "D", "E", "F", "G", "H", "V", "O", "T"};
    return codes;
}

FetchOutcome FetchRound(const std::string& url, const std::filesystem::path& target, bool xml,
                        const core::IniFile& updateIni, const ParseOptions& options, TCouponInfo& info) {
    FetchOutcome out;
    std::error_code ec;
    std::filesystem::remove(target, ec);
    try {
        if (!GetToFile(url, target)) {
            out.error = core::FormatMsg(core::Msg(kMsgDownloadRefused), {url});
            return out;
        }
    } catch (const std::exception& e) {
        out.transportFailed = true;
        out.error = e.what();
        return out;
    }
    try {
        TCouponInfo parsed = info;
        if (xml) {
            const XmlParseResult r = ParseXmlRound(target, updateIni, options, parsed);
            out.count = r.count;
            out.drawNumber = r.drawNumber;
            out.messages = r.messages;
        } else {
            out.count = ParseHtmlRound(target, updateIni, options, parsed);
            if (out.count < 0) {
                out.error = core::FormatMsg(core::Msg(kMsgNoTables), {url, options.typ});
                return out;
            }
        }
        info = std::move(parsed);
        out.ok = true;
    } catch (const XPathKeyError& e) {
        out.badKeys = true;
        out.error = core::FormatMsg(core::Msg(kMsgKeysCannotRead), {options.typ, url, std::string(e.what())});
    } catch (const std::exception& e) {
        out.error = core::FormatMsg(core::Msg(kMsgPageCannotBeRead), {url, std::string(e.what())});
    }
    return out;
}

}  // namespace vinra::net
