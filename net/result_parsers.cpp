#include "net/result_parsers.h"

#include <pugixml.hpp>

#include <algorithm>
#include <limits>

#include "core/messages.h"
#include "core/system_error.h"
#include "core/text.h"

namespace vinra::net {

namespace {

using core::KeepChars;

// Blanks and line breaks around a text.
std::string_view Trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

constexpr const char* kDigits = "0123456789";
// No table of a results page has more lines worth keeping than this.
constexpr size_t kMaxPrizeEntries = 10;

// What a page the program will not read is told with, in the player's language.
constexpr int kMsgPageUnreadable = 4015;     // "The downloaded page %s cannot be read: %s"
constexpr int kMsgPageTooLarge = 4016;       // "The downloaded page is too large (%s bytes); it is not read."
constexpr int kMsgNotXml = 4017;             // "The downloaded page is not readable XML."
constexpr int kMsgKeySelectsNoNodes = 4018;  // "The key %s of pool %s does not select nodes: %s"
constexpr int kMsgKeyNotXPath = 4019;        // "The key %s of pool %s is not a valid XPath (%s): %s"

std::string TooLargeText(uintmax_t size) {
    return core::FormatMsg(core::Msg(kMsgPageTooLarge), {core::GroupDigits(static_cast<int64_t>(size))});
}

std::string ReadPage(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec) throw ParseError(core::FormatMsg(core::Msg(kMsgPageUnreadable), {file.string(), core::SystemErrorText(ec.value())}));
    if (size > kMaxPageBytes) throw ParseError(TooLargeText(size));
    try {
        return core::ReadFileBytes(file);
    } catch (const core::FileError& e) {
        throw ParseError(e.what());
    }
}

void CheckSize(std::string_view page) {
    if (page.size() > kMaxPageBytes)
        throw ParseError(TooLargeText(page.size()));
}

// The page as UTF-8: an XML declaration naming a Latin-1 or Windows-1252
// encoding is honoured, anything else goes through the usual file rule.
std::string XmlPageAsUtf8(std::string_view bytes) {
    std::string_view head = bytes.substr(0, 256);
    if (core::HasUtf8Bom(head)) head.remove_prefix(3);
    if (head.substr(0, 5) == "<?xml") {
        const size_t end = head.find("?>");
        const std::string decl = core::ToLowerAscii(head.substr(0, end));
        const size_t at = decl.find("encoding");
        if (at != std::string::npos) {
            const std::string_view rest = std::string_view(decl).substr(at);
            if (rest.find("8859-1") != std::string_view::npos || rest.find("1252") != std::string_view::npos ||
                rest.find("latin") != std::string_view::npos)
                return core::Cp1252ToUtf8(bytes);
        }
    }
    return core::DecodeFileText(bytes);
}

bool LoadXml(pugi::xml_document& doc, std::string_view page) {
    const std::string text = XmlPageAsUtf8(page);
    const pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    return static_cast<bool>(r) && doc.document_element();
}

// Text content of a node: an attribute's value, or every text below an element.
std::string NodeText(const pugi::xpath_node& xn) {
    if (xn.attribute()) return xn.attribute().value();
    const pugi::xml_node root = xn.node();
    if (!root) return {};
    if (root.type() == pugi::node_pcdata || root.type() == pugi::node_cdata) return root.value();
    std::string out;
    pugi::xml_node n = root.first_child();
    while (n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
    return out;
}

class XmlKeys {
public:
    XmlKeys(const pugi::xml_document& doc, const core::IniFile& ini, std::string typ)
        : doc_(doc), ini_(ini), typ_(std::move(typ)) {}

    std::string key(std::string_view name, std::string_view def = {}) const { return ini_.ReadString(typ_, name, def); }

    // The nodes a key's XPath selects; an empty key selects nothing.
    pugi::xpath_node_set select(std::string_view name, std::string_view def = {}) const {
        return selectPath(key(name, def), name);
    }
    pugi::xpath_node_set selectPath(const std::string& xpath, std::string_view name) const {
        if (Trim(xpath).empty()) return {};
        try {
            pugi::xpath_query q(xpath.c_str());
            if (q.return_type() != pugi::xpath_type_node_set)
                throw XPathKeyError(core::FormatMsg(core::Msg(kMsgKeySelectsNoNodes), {std::string(name), typ_, xpath}));
            return q.evaluate_node_set(doc_);
        } catch (const pugi::xpath_exception& e) {
            throw XPathKeyError(
                core::FormatMsg(core::Msg(kMsgKeyNotXPath), {std::string(name), typ_, std::string(e.what()), xpath}));
        }
    }
    std::optional<std::string> first(std::string_view name, std::string_view def = {}) const {
        const auto nodes = select(name, def);
        if (nodes.empty()) return std::nullopt;
        return NodeText(nodes.first());
    }

private:
    const pugi::xml_document& doc_;
    const core::IniFile& ini_;
    std::string typ_;
};

// Characters [pos, pos + n) of a text by a 1-based position (clamped).
std::string Mid(std::string_view text, int64_t pos1, size_t n) {
    const size_t start = pos1 < 1 ? 0 : static_cast<size_t>(pos1 - 1);
    if (start >= text.size()) return {};
    return std::string(text.substr(start, n));
}

}  // namespace

void ClearCouponInfo(TCouponInfo& info) {
    info.Homes.clear();
    info.Aways.clear();
    info.Payouts.clear();
    info.Winners.clear();
    info.Row.clear();
}

// ---------------------------------------------------------------------------
// XML

XmlParseResult ParseXmlRound(const std::filesystem::path& file, const core::IniFile& updateIni,
                             const ParseOptions& options, TCouponInfo& info) {
    return ParseXmlRoundText(ReadPage(file), updateIni, options, info);
}

XmlParseResult ParseXmlRoundText(std::string_view page, const core::IniFile& updateIni, const ParseOptions& options,
                                 TCouponInfo& info) {
    CheckSize(page);
    pugi::xml_document doc;
    if (!LoadXml(doc, page)) throw ParseError(core::Msg(kMsgNotXml));
    const XmlKeys keys(doc, updateIni, options.typ);
    XmlParseResult result;
    TCouponInfo out = info;
    ClearCouponInfo(out);

    // Draw number and year: a draw number that is not a number is the one
    // error this step can meet; the year is then not checked either.
    {
        const auto omg = keys.first("XMLOmgID", "omgang");
        std::optional<int64_t> number = omg ? core::ParseInteger(Trim(*omg)) : std::optional<int64_t>(0);
        if (number && *number >= std::numeric_limits<int32_t>::min() &&
            *number <= std::numeric_limits<int32_t>::max()) {
            result.drawNumber = static_cast<int32_t>(*number);
            const auto yearText = keys.first(options.resultsMode ? "XMLCheckYearRes" : "XMLCheckYear");
            if (yearText) {
                const int64_t pos = updateIni.ReadInteger(
                    options.typ, options.resultsMode ? "XMLCheckYearResPos" : "XMLCheckYearPos", 1);
                const std::string year = Mid(*yearText, pos, 4);
                if (year.size() == 4) out.Year = year;
            }
        } else if (options.warnings) {
            result.messages.push_back(465);
        }
    }
    {
        const auto weekText = keys.first(options.resultsMode ? "XMLCheckWeekRes" : "XMLCheckWeek");
        if (weekText) {
            const int64_t pos =
                updateIni.ReadInteger(options.typ, options.resultsMode ? "XMLCheckWeekResPos" : "XMLCheckWeekPos", 1);
            std::string week(Trim(Mid(*weekText, pos, 2)));
            if (week.size() == 1) week = "0" + week;
            if (week.size() == 2) out.Week = week;
        }
    }

    const auto homes = keys.select("XMLGetGamesHome");
    const auto aways = keys.select("XMLGetGamesAway");
    for (size_t i = 0; i < homes.size() && i < static_cast<size_t>(core::kMaxMatches); ++i) {
        out.Homes.emplace_back(Trim(NodeText(homes[i])));
        out.Aways.emplace_back(i < aways.size() ? std::string(Trim(NodeText(aways[i]))) : std::string());
    }

    const auto signs = keys.select("XMLGetRightRow");
    for (size_t i = 0; i < signs.size() && i < static_cast<size_t>(core::kMaxMatches); ++i)
        out.Row += Trim(NodeText(signs[i]));

    bool verified = true;
    const std::string verify = keys.key("XMLResVerify");
    if (!Trim(verify).empty()) {
        const auto nodes = keys.selectPath(verify, "XMLResVerify");
        verified = !nodes.empty() && NodeText(nodes.first()) == keys.key("XMLResValue");
    }
    if (verified) {
        if (updateIni.ReadBool(options.typ, "XMLResultList", true)) {
            const auto money = keys.select("XMLGetMoney", "nil");
            const auto winners = keys.select("XMLGetWinners", "nil");
            const size_t n = std::min(std::max(money.size(), winners.size()), kMaxPrizeEntries);
            for (size_t i = 0; i < n; ++i) {
                if (i < money.size()) out.Payouts.push_back(KeepChars(NodeText(money[i]), kDigits));
                if (i < winners.size()) out.Winners.push_back(KeepChars(NodeText(winners[i]), kDigits));
            }
        } else {
            for (const char* prefix : {"XML_ANT_", "XML_UTD_"}) {
                for (int n = 1; n <= 5; ++n) {
                    const std::string name = prefix + std::to_string(n);
                    if (Trim(keys.key(name)).empty()) continue;
                    const auto text = keys.first(name);
                    std::string digits = text ? KeepChars(*text, kDigits) : std::string();
                    if (digits.empty()) digits = "0";
                    (prefix[4] == 'A' ? out.Winners : out.Payouts).push_back(digits);
                }
            }
        }
    }
    result.count = static_cast<int>(out.Homes.size());
    info = std::move(out);
    return result;
}

std::optional<std::string> XmlFirstNodeText(const std::filesystem::path& file, const std::string& xpath) {
    if (Trim(xpath).empty()) return std::nullopt;
    std::string page;
    try {
        page = ReadPage(file);
    } catch (const ParseError&) {
        return std::nullopt;
    }
    pugi::xml_document doc;
    if (!LoadXml(doc, page)) return std::nullopt;
    try {
        const auto nodes = doc.select_nodes(xpath.c_str());
        if (nodes.empty()) return std::nullopt;
        return NodeText(nodes.first());
    } catch (const pugi::xpath_exception&) {
        return std::nullopt;
    }
}

// ---------------------------------------------------------------------------
// HTML table lines

namespace {

// Case-insensitive compare of an upper-case ASCII word at pos.
bool WordAt(std::string_view upper, size_t pos, std::string_view word) {
    return upper.compare(pos, word.size(), word) == 0;
}

// True when a tag named `name` (upper case, with "<" or "</") starts at pos:
// the name is followed by a blank, ">" or "/" (so "<TH" is not "<THEAD").
bool TagAt(std::string_view upper, size_t pos, std::string_view open) {
    if (!WordAt(upper, pos, open)) return false;
    const size_t after = pos + open.size();
    if (after >= upper.size()) return true;
    const char c = upper[after];
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Positions of every "<TABLE" tag of the page.
std::vector<size_t> TablePositions(std::string_view upper, size_t limit) {
    std::vector<size_t> out;
    size_t pos = 0;
    while ((pos = upper.find("<TABLE", pos)) != std::string_view::npos && pos < limit) {
        if (TagAt(upper, pos, "<TABLE")) out.push_back(pos);
        pos += 6;
    }
    return out;
}

std::string ReplaceNbsp(std::string text) {
    std::string upper = core::ToUpperAscii(text);
    size_t pos = 0;
    std::string out;
    size_t last = 0;
    while ((pos = upper.find("&NBSP;", pos)) != std::string::npos) {
        out.append(text, last, pos - last);
        out += ' ';
        pos += 6;
        last = pos;
    }
    out.append(text, last, std::string::npos);
    return out;
}

}  // namespace

std::optional<int> TableNumberOfMarker(std::string_view page, std::string_view marker) {
    if (page.find(marker) == std::string_view::npos) return std::nullopt;
    const std::string upper = core::ToUpperAscii(page);
    const size_t first = upper.find(core::ToUpperAscii(marker));
    return static_cast<int>(TablePositions(upper, first).size());
}

std::vector<std::string> HtmlTableLines(std::string_view page, int tableNumber) {
    std::vector<std::string> lines;
    if (tableNumber < 1) return lines;
    const std::string upper = core::ToUpperAscii(page);
    const auto tables = TablePositions(upper, upper.size());
    if (static_cast<size_t>(tableNumber) > tables.size()) return lines;

    int depth = 0;
    bool inRow = false, inCell = false;
    std::string cell;
    std::vector<std::string> cells;
    auto finishCell = [&] {
        if (!inCell) return;
        std::string text = ReplaceNbsp(std::move(cell));
        std::replace(text.begin(), text.end(), '\t', ' ');
        cells.push_back(std::move(text));
        cell.clear();
        inCell = false;
    };
    auto finishRow = [&] {
        finishCell();
        if (inRow && !cells.empty()) {
            std::string line;
            for (size_t i = 0; i < cells.size(); ++i) {
                if (i) line += '\t';
                line += cells[i];
            }
            if (!Trim(line).empty() && line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
        }
        cells.clear();
        inRow = false;
    };

    size_t pos = tables[tableNumber - 1];
    while (pos < page.size()) {
        if (page[pos] != '<') {
            const size_t next = std::min(page.find('<', pos), page.size());
            if (depth == 1 && inCell)
                for (size_t i = pos; i < next; ++i)
                    if (page[i] != '\r' && page[i] != '\n') cell += page[i];
            pos = next;
            continue;
        }
        const size_t close = page.find('>', pos);
        const size_t end = close == std::string_view::npos ? page.size() : close + 1;
        if (TagAt(upper, pos, "<TABLE")) {
            ++depth;
        } else if (TagAt(upper, pos, "</TABLE")) {
            if (--depth <= 0) break;
        } else if (depth == 1) {
            if (TagAt(upper, pos, "<TR")) {
                finishRow();
                inRow = true;
            } else if (TagAt(upper, pos, "</TR")) {
                finishRow();
            } else if (TagAt(upper, pos, "<TD") || TagAt(upper, pos, "<TH")) {
                finishCell();
                inRow = true;
                inCell = true;
            } else if (TagAt(upper, pos, "</TD") || TagAt(upper, pos, "</TH")) {
                finishCell();
            }
        }
        pos = end;
    }
    finishRow();
    return lines;
}

std::string LineColumn(std::string_view line, int column) {
    if (column < -1) return {};
    const size_t index = static_cast<size_t>(column + 1);
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) return {};
        start = tab + 1;
    }
    const size_t tab = line.find('\t', start);
    return std::string(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
}

// ---------------------------------------------------------------------------
// HTML parser

namespace {

void WriteDebugFiles(const ParseOptions& options, const std::vector<std::string>& lines) {
    if (!options.debug || options.debugFolder.empty()) return;
    try {
        core::WriteFileAtomic(options.debugFolder / "Games.txt", core::JoinCrLf(lines));
        std::vector<std::string> cells;
        for (size_t r = 0; r < lines.size(); ++r) {
            size_t start = 0;
            for (size_t c = 0;; ++c) {
                const size_t tab = lines[r].find('\t', start);
                const std::string value =
                    lines[r].substr(start, tab == std::string::npos ? std::string::npos : tab - start);
                cells.push_back("Row: " + std::to_string(r) + " Col: " + std::to_string(c) + " Value: " + value);
                if (tab == std::string::npos) break;
                start = tab + 1;
            }
        }
        core::WriteFileAtomic(options.debugFolder / "Table.txt", core::JoinCrLf(cells));
    } catch (const std::exception&) {
        // Diagnostic files are a help for the operator's keys, never a reason to fail a download.
    }
}

}  // namespace

int ParseHtmlRound(const std::filesystem::path& file, const core::IniFile& updateIni, const ParseOptions& options,
                   TCouponInfo& info) {
    return ParseHtmlRoundText(ReadPage(file), updateIni, options, info);
}

int ParseHtmlRoundText(std::string_view bytes, const core::IniFile& ini, const ParseOptions& options,
                       TCouponInfo& info) {
    CheckSize(bytes);
    const std::string page = core::DecodeFileText(bytes);
    const std::string& typ = options.typ;
    const bool res = options.resultsMode;
    TCouponInfo out = info;
    ClearCouponInfo(out);

    const std::string weekMarker = ini.ReadString(typ, "GetWeekNumber");
    if (!weekMarker.empty()) {
        const size_t at = page.find(weekMarker);
        if (at != std::string::npos) out.Week = KeepChars(page.substr(at + weekMarker.size(), 5), kDigits);
    }

    const auto table =
        TableNumberOfMarker(page, ini.ReadString(typ, res ? "GetResultGamesTableNo" : "GetGamesTableNo"));
    if (!table) return -1;
    const std::vector<std::string> lines = HtmlTableLines(page, *table);
    const int64_t startRow =
        std::max<int64_t>(0, ini.ReadInteger(typ, res ? "GetResultGamesStartRow" : "GetGamesStartRow", 1));
    if (static_cast<int64_t>(lines.size()) < startRow + 1) {
        info.Week = out.Week;
        ClearCouponInfo(info);
        return 0;
    }
    WriteDebugFiles(options, lines);

    std::string sep = ini.ReadString(typ, res ? "GetResultGamesSep" : "GetGamesSep", "-");
    if (sep.empty()) sep = "-";
    const int column = static_cast<int>(
        std::clamp<int64_t>(ini.ReadInteger(typ, res ? "GetResultGamesColumn" : "GetGamesColumn", 0), -1, 1000));
    const int charColumn =
        static_cast<int>(std::clamp<int64_t>(ini.ReadInteger(typ, "GetResultCharColumn", 1), -1, 1000));
    const bool sepCol = ini.ReadBool(typ, "GetResultSepCol", false);
    const core::DisplaySigns& ds = options.signs;
    const std::string signChars = ds.home + ds.draw + ds.away + "xX";
    const int n = std::clamp(options.matchCount, 1, core::kMaxMatches);

    std::string signs;
    for (int64_t i = startRow; i < static_cast<int64_t>(lines.size()) && i < startRow + n; ++i) {
        const std::string& line = lines[static_cast<size_t>(i)];
        const std::string match = LineColumn(line, column);
        const size_t at = match.find(sep);
        std::string home(
            Trim(at == std::string::npos ? std::string_view(match) : std::string_view(match).substr(0, at)));
        std::string away(at == std::string::npos ? std::string() : std::string(Trim(match.substr(at + sep.size()))));
        const std::string number = std::to_string(i - startRow + 1) + ".";
        if (home.find(number) != std::string::npos)
            home = std::string(Trim(std::string_view(home).substr(number.size())));
        out.Homes.push_back(home);
        out.Aways.push_back(away);
        if (!res) continue;
        if (!sepCol) {
            signs += LineColumn(line, charColumn);
        } else {
            const std::string* shown[3] = {&ds.home, &ds.draw, &ds.away};
            for (int k = 0; k < 3; ++k) {
                if (!KeepChars(LineColumn(line, charColumn + k), signChars).empty()) {
                    signs += *shown[k];
                    break;
                }
            }
        }
    }

    if (res) {
        const auto prizeTable = TableNumberOfMarker(page, ini.ReadString(typ, "GetResultTableNo"));
        if (!prizeTable) return -1;
        const std::string right = ini.ReadString(typ, "GetResultRight");
        const int64_t antColumn = ini.ReadInteger(typ, "GetResultAntColumn", 0);
        const int64_t utdColumn = ini.ReadInteger(typ, "GetResultUtdColumn", 1);
        const std::string valid = ini.ReadString(typ, "GetResultUtdValidChar", kDigits);
        auto cellValue = [&](const std::string& line, int64_t c) {
            std::string v = KeepChars(LineColumn(line, static_cast<int>(std::clamp<int64_t>(c, -1, 1000))), valid);
            return v.empty() ? std::string("0") : v;
        };
        for (const std::string& line : HtmlTableLines(page, *prizeTable)) {
            if (line.find(right) == std::string::npos) continue;
            if (out.Winners.size() >= kMaxPrizeEntries || out.Payouts.size() >= kMaxPrizeEntries) break;
            if (antColumn != 99) out.Winners.push_back(cellValue(line, antColumn));
            if (utdColumn != 99) out.Payouts.push_back(cellValue(line, utdColumn));
        }
        out.Row = KeepChars(signs, "1xX2hHuUbB");
        for (auto* list : {&out.Payouts, &out.Winners})
            if (list->size() < 4)
                while (list->size() < 5) list->push_back("0");
    }
    const int count = static_cast<int>(out.Homes.size());
    info = std::move(out);
    return count;
}

// ---------------------------------------------------------------------------
// Live results

TResultInfo::TResultInfo() {
    tracked.fill(true);
    version.fill(-1);
    home.fill(-1);
    away.fill(-1);
    status.fill(3);
    outcome.fill(0);
}

namespace {

std::optional<int32_t> Int32Of(std::string_view text) {
    const auto v = core::ParseInteger(text);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(*v);
}

// "1234.56789" -> 12345679 (ten-thousandths, rounded half away from zero).
std::optional<int64_t> FixedFour(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() && frac.empty()) return std::nullopt;
    if (whole.size() > 14) return std::nullopt;
    int64_t value = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    int64_t fraction = 0;
    for (size_t i = 0; i < frac.size(); ++i) {
        const char c = frac[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (i < 4) fraction = fraction * 10 + (c - '0');
    }
    for (size_t i = frac.size(); i < 4; ++i) fraction *= 10;
    if (frac.size() > 4 && frac[4] >= '5') ++fraction;
    const int64_t total = value * 10000 + fraction;
    return negative ? -total : total;
}

// Windows-1252 upper case (ASCII and the Latin letters), byte for byte.
std::string UpperCp1252(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') ch = static_cast<char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) ch = static_cast<char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E) ch = static_cast<char>(c - 16);
        else if (c == 0xFF) ch = static_cast<char>(0x9F);
    }
    return out;
}

std::string ReplaceAllNoCase(const std::string& text, std::string_view what, std::string_view with) {
    const std::string upper = UpperCp1252(text);
    const std::string key = UpperCp1252(what);
    std::string out;
    size_t last = 0, pos = 0;
    while ((pos = upper.find(key, last)) != std::string::npos) {
        out.append(text, last, pos - last);
        out += with;
        last = pos + key.size();
    }
    out.append(text, last, std::string::npos);
    return out;
}

std::string TrimBlanks(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

struct SvtLine {
    std::string text;   // the cleaned line
    std::string score;  // "h-a" (digits may be missing)
    bool ended = false;
};

// Goals of one side: the number, its last (home) or first (away) digit when it
// is above 9, -1 when it is not a number.
int32_t Goals(std::string_view text, bool home) {
    const auto v = Int32Of(text);
    if (!v || text.empty()) return -1;
    if (*v > 9) {
        const std::string digits = KeepChars(text, kDigits);
        return home ? digits.back() - '0' : digits.front() - '0';
    }
    return *v;
}

}  // namespace

bool ParseLiveXml(const std::filesystem::path& file, TResultInfo& info) {
    std::string page;
    try {
        page = ReadPage(file);
    } catch (const ParseError&) {
        return false;
    }
    return ParseLiveXmlText(page, info);
}

bool ParseLiveXmlText(std::string_view page, TResultInfo& info) {
    if (page.size() > kMaxPageBytes) return false;
    pugi::xml_document doc;
    if (!LoadXml(doc, page)) return false;
    const std::string base = "svsxml//get_live_service_update_response//live_header//";
    for (int m = 1; m <= kLiveMatches; ++m) {
        const size_t i = static_cast<size_t>(m - 1);
        if (!info.tracked[i]) continue;
        const std::string xpath = base + "prel_result//match_result[@row_id=\"" + std::to_string(m) + "\"]";
        const pugi::xml_node e = doc.select_node(xpath.c_str()).node();
        if (!e) continue;
        const int32_t version = Int32Of(e.attribute("version").value()).value_or(-1);
        if (version <= info.version[i]) continue;
        info.version[i] = version;
        info.home[i] = Int32Of(e.attribute("score_home").value()).value_or(-1);
        info.away[i] = Int32Of(e.attribute("score_away").value()).value_or(-1);
        info.status[i] = Int32Of(e.attribute("status").value()).value_or(3);
        info.outcome[i] = Int32Of(e.attribute("outcome").value()).value_or(0);
    }
    for (int g = 1; g <= 4; ++g) {
        const std::string xpath = base + "return_forecast//winnings_group[@sequence=\"" + std::to_string(g) + "\"]";
        const pugi::xml_node e = doc.select_node(xpath.c_str()).node();
        if (!e) continue;
        if (const auto amount = FixedFour(e.attribute("win_amount").value())) info.winAmount[g - 1] = *amount;
        if (const auto winners = Int32Of(e.attribute("number_of_winners").value())) info.winners[g - 1] = *winners;
    }
    return true;
}

bool ParseSvtPage(const std::filesystem::path& file, TResultInfo& info, std::string_view typ,
                  const std::vector<std::string>& homes, const std::vector<std::string>& aways,
                  const core::IniFile& teamstat) {
    std::string page;
    try {
        page = ReadPage(file);
    } catch (const ParseError&) {
        return false;
    }
    ParseSvtPageText(page, info, typ, homes, aways, teamstat);
    return true;
}

void ParseSvtPageText(std::string_view bytes, TResultInfo& info, std::string_view typ,
                      const std::vector<std::string>& homes, const std::vector<std::string>& aways,
                      const core::IniFile& teamstat) {
    // One byte a character from here on: the page's letters are Windows-1252.
    const std::string page = core::Utf8ToCp1252(core::DecodeFileText(bytes.substr(0, kMaxPageBytes)));

    const size_t n = std::min<size_t>(homes.size(), core::kMaxMatches);
    std::vector<std::string> mappedHome(n), mappedAway(n);
    for (size_t m = 0; m < n; ++m) {
        const std::string& home = homes[m];
        const std::string away = m < aways.size() ? aways[m] : std::string();
        mappedHome[m] = home.empty() ? std::string() : teamstat.ReadString("teams_svt", home, home);
        mappedAway[m] = away.empty() ? std::string() : teamstat.ReadString("teams_svt", away, away);
    }

    if (typ == "S" || typ == "I") {
        std::array<int64_t, 4> amounts{};
        bool any = false;
        for (int g = 1; g <= 4; ++g) {
            const std::string label = std::to_string(14 - g) + " r\xE4tt";
            const size_t at = page.find(label);
            if (at == std::string::npos) continue;
            const std::string digits = at + 8 < page.size() ? KeepChars(page.substr(at + 8, 20), kDigits) : "";
            if (!digits.empty() && digits.size() <= 14) {
                amounts[static_cast<size_t>(g - 1)] = std::stoll(digits) * 10000;
                any = true;
            }
        }
        // A page without a single prize line (cut off, or a page of another
        // kind) says nothing about the winnings: the last ones known stay.
        if (any) {
            info.winAmount = amounts;
            info.winners.fill(0);
        }
    } else {
        info.winAmount.fill(0);
        info.winners.fill(0);
    }

    const std::string marked = ReplaceAllNoCase(page, "class=\"C\"", ">AVSL<");
    std::string text;
    text.reserve(marked.size());
    bool inTag = true;  // whatever comes before the first ">" is dropped
    for (char c : marked) {
        if (c == '<') inTag = true;
        else if (c == '>') inTag = false;
        else if (!inTag) text += c;
    }
    text = ReplaceAllNoCase(text, "&NBSP;", " ");

    std::vector<SvtLine> cleaned;
    for (const std::string& raw : core::SplitLines(text)) {
        if (raw.find('-') == std::string::npos) continue;
        SvtLine l;
        const std::string status = raw.find("AVSL") != std::string::npos ? "AVSL" : "n/a";
        l.ended = status == "AVSL";
        const std::string line = TrimBlanks(ReplaceAllNoCase(raw, "AVSL", ""));
        const size_t lastDash = line.rfind('-');
        if (lastDash == std::string::npos) continue;
        const size_t wStart = lastDash >= 3 ? lastDash - 3 : 0;
        const std::string window = line.substr(wStart, 10);
        const size_t d = window.rfind('-');
        const size_t bStart = d >= 3 ? d - 3 : 0;
        l.score =
            KeepChars(window.substr(bStart, d - bStart), kDigits) + "-" + KeepChars(window.substr(d + 1, 3), kDigits);
        const std::string teams = TrimBlanks(line.substr(0, 31));
        l.text = "-\t" + teams + "-\t" + status + "\t-\t" + l.score + "\t";
        cleaned.push_back(std::move(l));
    }
    std::vector<std::string> upperLines;
    info.pageLines.clear();
    for (const SvtLine& l : cleaned) {
        info.pageLines += core::Cp1252ToUtf8(l.text) + "\r\n";
        upperLines.push_back(UpperCp1252(l.text));
    }

    for (size_t m = 0; m < n; ++m) {
        if (!info.tracked[m]) continue;
        const std::string h = UpperCp1252(core::Utf8ToCp1252(mappedHome[m]));
        const std::string a = UpperCp1252(core::Utf8ToCp1252(mappedAway[m]));
        const SvtLine* found = nullptr;
        for (size_t k = 0; k < cleaned.size() && !found; ++k) {
            // An empty name is found nowhere: it must not match the first line.
            const int hits = (!h.empty() && upperLines[k].find(h) != std::string::npos) +
                             (!a.empty() && upperLines[k].find(a) != std::string::npos);
            if (hits > info.findTeams) found = &cleaned[k];
        }
        if (!found) {
            if (!mappedHome[m].empty()) info.unmatchedTeams += mappedHome[m] + "\r\n";
            if (!mappedAway[m].empty()) info.unmatchedTeams += mappedAway[m] + "\r\n";
            continue;
        }
        if (found->ended) info.status[m] = 1;
        const size_t dash = found->score.rfind('-');
        info.home[m] = Goals(std::string_view(found->score).substr(0, found->score.find('-')), true);
        info.away[m] = Goals(std::string_view(found->score).substr(dash + 1), false);
    }
}

namespace {

// Byte length of the first `count` code points of a UTF-8 text.
size_t PrefixBytes(std::string_view s, size_t count) {
    size_t i = 0;
    for (size_t c = 0; c < count && i < s.size(); ++c) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
}

size_t CodePoints(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string SvtSuggestion(std::string_view name, std::string_view pageText) {
    const size_t length = CodePoints(name);
    for (size_t len = length > 0 ? length - 1 : 0; len >= 3; --len) {
        const std::string_view prefix = name.substr(0, PrefixBytes(name, len));
        const size_t at = pageText.find(prefix);
        if (at == std::string_view::npos) continue;
        const size_t dash = pageText.find('-', at);
        return TrimBlanks(pageText.substr(at, dash == std::string_view::npos ? std::string_view::npos : dash - at));
    }
    return {};
}

bool SvtNameAcceptable(std::string_view text, std::string_view pageText) {
    return !text.empty() && pageText.find(text) != std::string_view::npos && CodePoints(text) < 13 &&
           CodePoints(TrimBlanks(text)) > 1;
}

}  // namespace vinra::net
