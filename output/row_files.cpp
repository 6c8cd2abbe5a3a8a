#include "output/row_files.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

#include "core/messages.h"
#include "core/text.h"

namespace vinra::output {

namespace fs = std::filesystem;

namespace {

// The reasons a row file is refused reach the player in his language; the
// command line runs in English, the table's default.
constexpr int kMsgNotARowOf = 4000;        // "row %d (\"%s\") is not a row of %d signs 1, X, 2"
constexpr int kMsgNtfSystemMatches = 4001;  // "the system has %d matches; an NTF file holds at most 13 ..."
constexpr int kMsgNtfRowMatches = 4002;     // "row %d has %d matches; an NTF file holds at most 13 ..."
constexpr int kMsgNotASignRow = 4003;       // "row %d (\"%s\") is not a row of signs 1, X, 2"
constexpr int kMsgNtfRows = 4004;           // "an NTF file holds at most %s rows; the system has %s"
constexpr int kMsgNoRowFile = 4005;         // "There is no row file for %s (pool code \"%s\"); ..."
constexpr int kMsgNoRowFileUnnamed = 4006;  // "There is no row file for this pool (pool code \"%s\"); ..."
constexpr int kMsgCannotExport = 4007;      // "The rows cannot be exported: %s. No file was written."
constexpr int kMsgRowsWritten = 4008;       // "%s rows written to %s"
constexpr int kMsgOneRowWritten = 4009;     // "1 row written to %s"

long long L(size_t n) { return static_cast<long long>(n); }
std::string Grouped(size_t n) { return core::GroupDigits(static_cast<int64_t>(n)); }

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// What the PC-Bet software reads in a name.
bool IsNameChar(char c) { return c == ' ' || IsAsciiAlnum(c); }
// What it reads in any field.
bool IsNtfChar(char c) { return IsNameChar(c) || c == '/' || c == ':' || c == '?'; }

template <typename Pred>
std::string KeepOnly(std::string_view s, Pred keep) {
    std::string out;
    for (char c : s)
        if (keep(c)) out += c;
    return out;
}

// A number field: its allowed characters, cut to the width, "0" in front up to
// the width. The record keeps its length whatever is stored.
std::string NumberField(std::string_view value, size_t width) {
    std::string v = KeepOnly(value, IsNtfChar);
    if (v.size() > width) v.resize(width);
    return std::string(width - v.size(), '0') + v;
}
// A text field: allowed characters, cut, spaces after it up to the width.
std::string NameField(std::string_view value, size_t width) {
    std::string v = KeepOnly(value, IsNameChar);
    if (v.size() > width) v.resize(width);
    return v + std::string(width - v.size(), ' ');
}
std::string Digits(size_t value, size_t width) {
    std::string s = std::to_string(value);
    return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

// A record's fields, already at their fixed widths, and its checksum.
std::string Record(const std::string& fields) {
    if (fields.size() != kNtfFieldBytes)
        throw std::logic_error("NTF record of " + std::to_string(fields.size()) + " field bytes");
    return fields + NtfChecksum(fields);
}

std::string NtfHeader(size_t blocks, const PcBetSettings& pc) {
    std::string f;
    f += "0000";
    f += "003";
    f += NameField(pc.name, 20);
    f += "0";
    f += "0";
    f += "00";
    f += "90/00/00";
    f += "00:00:00";
    f += "90/00/00";
    f += "00:00:00";
    f += "0000000000000000";
    f += Digits(blocks, 6);
    for (int i = 0; i < 7; ++i) f += "000000";
    f += std::string(206, ' ');
    f += "1";
    f += pc.reciept ? "0" : "1";
    f += "vr2k";
    f += NumberField(pc.cardNo, 9);
    return Record(f);
}

char PlayTypeDigit(const PcBetSettings& pc) { return pc.pause ? (pc.fulltime ? '2' : '1') : '0'; }
char DayDigit(std::string_view typ) {
    if (typ == "A") return '2';  // midweek
    if (typ == "C") return '0';  // Saturday
    return '1';                  // Sunday
}

std::string RowSlot(const std::string* row) {
    std::string slot;
    for (int m = 0; m < kNtfMaxMatches; ++m) {
        if (!row || m >= static_cast<int>(row->size())) {
            slot += "00";
            continue;
        }
        switch ((*row)[m]) {
            case '0': slot += "01"; break;
            case '1': slot += "03"; break;
            default: slot += "02"; break;  // '2'; rows are checked before
        }
    }
    return slot;
}

std::string NtfBlock(size_t k, const std::vector<std::string>& rows, size_t first, std::string_view typ,
                     const PcBetSettings& pc) {
    const size_t count = std::min<size_t>(10, rows.size() - first);
    std::string f;
    f += Digits(k, 4);
    f += "31";
    f += PlayTypeDigit(pc);
    f += DayDigit(typ);
    f += "00";
    f += NumberField(pc.draws, 2);
    f += "0001";
    f += Digits(count, 2);
    f += "001";
    for (size_t s = 0; s < 10; ++s) f += RowSlot(s < count ? &rows[first + s] : nullptr);
    f += "?????????";
    f += "0000000000000000";
    f += "00000000";
    f += "0";
    f += "000";
    f += "0";
    f += "80/01/01";
    f += "00:00:00";
    f += "0000";
    f += "000000000";
    return Record(f);
}

std::string JoinDisplay(const std::string& row, const core::DisplaySigns& signs) {
    std::string out;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i) out += ',';
        out += core::SignsToDisplay(std::string_view(row).substr(i, 1), signs);
    }
    return out;
}

// The rows must be rows of the document: n signs of the three codes each. A
// damaged row would reach the operator as "-" or as a wrong sign.
void CheckRows(const std::vector<std::string>& rows, size_t n) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!core::IsRow(rows[i], n))
            throw RowFileError(core::FormatMsg(core::Msg(kMsgNotARowOf), {L(i + 1), rows[i], L(n)}));
    }
}

std::string FormatBytes(RowFileFormat format, const core::TVinraFile& doc, const PcBetSettings& pcBet,
                        const core::DisplaySigns& signs) {
    if (format == RowFileFormat::Ntf && doc.MatchCount > kNtfMaxMatches)
        throw RowFileError(core::FormatMsg(core::Msg(kMsgNtfSystemMatches), {static_cast<long long>(doc.MatchCount)}));
    // These formats are written a row of display signs at a time.
    const std::vector<std::string> rows = doc.Rader.Strings();
    CheckRows(rows, doc.MatchCount > 0 ? static_cast<size_t>(doc.MatchCount) : 0);
    switch (format) {
        case RowFileFormat::SvenskaSpel: return SvenskaSpelRowFile(doc.Pool, rows, signs);
        case RowFileFormat::Unibet: return UnibetRowFile(rows, signs);
        case RowFileFormat::Ntf: return NtfFile(rows, doc.Typ, pcBet);
        case RowFileFormat::None: break;
    }
    return {};
}

std::string WrittenText(size_t n, const fs::path& path) {
    return n == 1 ? core::FormatMsg(core::Msg(kMsgOneRowWritten), {path.string()})
                  : core::FormatMsg(core::Msg(kMsgRowsWritten), {Grouped(n), path.string()});
}

std::string DecodeEntities(std::string_view s) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool done = false;
        if (s[i] == '&') {
            for (const auto& [name, c] : kEntities) {
                if (s.substr(i, name.size()) == name) {
                    out += c;
                    i += name.size();
                    done = true;
                    break;
                }
            }
        }
        if (!done) out += s[i++];
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------

PcBetSettings ReadPcBetSettings(const fs::path& settingsFile) {
    std::error_code ec;
    if (!fs::exists(settingsFile, ec)) return {};
    return ReadPcBetSettings(core::IniFile::FromFile(settingsFile));
}

RowFileFormat RowFileFormatOfPool(std::string_view typ) {
    if (typ == "S" || typ == "I") return RowFileFormat::SvenskaSpel;
    if (typ == "T" || typ == "O") return RowFileFormat::Unibet;
    if (typ == "A" || typ == "C" || typ == "E") return RowFileFormat::Ntf;
    return RowFileFormat::None;
}

std::string_view RowFileFormatName(RowFileFormat format) {
    switch (format) {
        case RowFileFormat::SvenskaSpel: return "svenskaspel";
        case RowFileFormat::Unibet: return "unibet";
        case RowFileFormat::Ntf: return "ntf";
        case RowFileFormat::None: break;
    }
    return "none";
}

fs::path ProposedExportName(const core::TVinraFile& doc, const fs::path& folder) {
    const RowFileFormat format = RowFileFormatOfPool(doc.Typ);
    std::string name = doc.Pool.empty() ? std::string("Vinra") : doc.Pool;
    if (!doc.Omg.empty()) name += " " + doc.Omg;
    if (format != RowFileFormat::None) name += " " + std::string(RowFileFormatName(format));
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7f) c = '_';
    }
    // No leading dot: neither a hidden file nor a way up the folders.
    name.erase(0, std::min(name.size(), name.find_first_not_of(". ")));
    if (name.empty()) name = "_";
    return folder / (name + (format == RowFileFormat::Ntf ? ".ntf" : ".txt"));
}

std::string ExportWrittenText(const ExportResult& result, const fs::path& path) {
    return core::FormatMsg(core::Msg(kMsgRowsExported), {static_cast<long long>(result.rowsWritten), path.string()});
}

std::string SvenskaSpelRowFile(std::string_view pool, const std::vector<std::string>& rows,
                               const core::DisplaySigns& signs) {
    std::string text(pool);
    text += "\r\n";
    for (const auto& row : rows) text += "E," + JoinDisplay(row, signs) + "\r\n";
    return core::Utf8ToCp1252(text);
}

std::string UnibetRowFile(const std::vector<std::string>& rows, const core::DisplaySigns& signs) {
    std::string text;
    for (const auto& row : rows) text += JoinDisplay(row, signs) + "\r\n";
    return core::Utf8ToCp1252(text);
}

std::string NtfChecksum(std::string_view fields) {
    uint32_t sum = 0;
    for (size_t i = 0; i < fields.size(); i += 2) {
        const uint32_t hi = static_cast<unsigned char>(fields[i]);
        const uint32_t lo = i + 1 < fields.size() ? static_cast<unsigned char>(fields[i + 1]) : 0;
        sum = (sum + (hi << 8 | lo)) & 0xFFFF;
    }
    return std::string{static_cast<char>(sum >> 8), static_cast<char>(sum & 0xFF)};
}

std::string NtfFile(const std::vector<std::string>& rows, std::string_view typ, const PcBetSettings& pcBet) {
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        if (row.size() > static_cast<size_t>(kNtfMaxMatches))
            throw RowFileError(core::FormatMsg(core::Msg(kMsgNtfRowMatches), {L(i + 1), L(row.size())}));
        if (row.empty() || row.find_first_not_of("012") != std::string::npos)
            throw RowFileError(core::FormatMsg(core::Msg(kMsgNotASignRow), {L(i + 1), row}));
    }
    if (rows.size() > kNtfMaxRows)
        throw RowFileError(core::FormatMsg(core::Msg(kMsgNtfRows), {Grouped(kNtfMaxRows), Grouped(rows.size())}));
    const size_t blocks = (rows.size() + 9) / 10;
    std::string out;
    out.reserve((blocks + 1) * kNtfRecordSize);
    out += NtfHeader(blocks, pcBet);
    for (size_t k = 1; k <= blocks; ++k) out += NtfBlock(k, rows, (k - 1) * 10, typ, pcBet);
    return out;
}

ExportResult ExportRows(const core::TVinraFile& doc, const fs::path& path, const PcBetSettings& pcBet,
                        const core::DisplaySigns& signs) {
    return ExportRowsAs(RowFileFormatOfPool(doc.Typ), doc, path, pcBet, signs);
}

ExportResult ExportRowsAs(RowFileFormat format, const core::TVinraFile& doc, const fs::path& path,
                          const PcBetSettings& pcBet, const core::DisplaySigns& signs) {
    ExportResult r;
    r.format = format;
    if (format == RowFileFormat::None) {
        r.status = ExportStatus::NoFormat;
        r.message = doc.Pool.empty() ? core::FormatMsg(core::Msg(kMsgNoRowFileUnnamed), {doc.Typ})
                                     : core::FormatMsg(core::Msg(kMsgNoRowFile), {doc.Pool, doc.Typ});
        return r;
    }
    std::string bytes;
    try {
        bytes = FormatBytes(format, doc, pcBet, signs);
    } catch (const RowFileError& e) {
        r.status = ExportStatus::Refused;
        r.message = core::FormatMsg(core::Msg(kMsgCannotExport), {std::string(e.what())});
        return r;
    }
    try {
        core::WriteFileAtomic(path, bytes);
    } catch (const core::FileError& e) {
        r.status = ExportStatus::WriteFailed;
        r.message = e.what();
        return r;
    }
    r.status = ExportStatus::Written;
    r.rowsWritten = doc.Rader.size();
    r.message = WrittenText(doc.Rader.size(), path);
    return r;
}

// ---------------------------------------------------------------------------

std::string OwnRowsXml(const core::TVinraFile& doc, std::string_view cardNo, const core::DisplaySigns& signs) {
    const std::string card = KeepOnly(cardNo, [](char c) { return c >= '0' && c <= '9'; });
    std::string x;
    x += "<egnarader klient=\"Vinra 2000\" ombud=\"";
    x += kOwnRowsAgent;
    x += "\" spelkort=\"" + card + "\">";
    x += "<spel produkt=\"";
    x += doc.Pool == "Stryktipset" ? "1" : "2";
    x += "\" produktnamn=\"" + core::EscapeMarkup(doc.Pool) + "\">";
    for (const auto& row : doc.Rader) x += "<rad system=\"E\">" + core::EscapeMarkup(JoinDisplay(row, signs)) + "</rad>";
    x += "</spel></egnarader>";
    return x;
}

bool IsCompleteHttpUrl(std::string_view url) {
    size_t pos;
    if (url.size() >= 7 && core::EqualsNoCase(url.substr(0, 7), "http://")) pos = 7;
    else if (url.size() >= 8 && core::EqualsNoCase(url.substr(0, 8), "https://")) pos = 8;
    else return false;
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '`') return false;
    }
    // Authority: optional user info, a host of letters, digits, dots and hyphens
    // (or a bracketed IPv6 address), an optional port of digits.
    const size_t end = url.find_first_of("/?#", pos);
    std::string_view authority = url.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority = authority.substr(at + 1);
    std::string_view host = authority, port;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        host = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            port = rest.substr(1);
            if (port.empty()) return false;
        }
    } else {
        if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
            if (port.empty()) return false;
        }
        if (host.empty() || host.front() == '.' || host.front() == '-') return false;
        for (char c : host)
            if (!IsAsciiAlnum(c) && c != '.' && c != '-') return false;
    }
    for (char c : port)
        if (c < '0' || c > '9') return false;
    return true;
}

SubmissionReply ParseSubmissionReply(std::string_view reply) {
    SubmissionReply r;
    if (reply.find("<status kod=\"0\">OK</status>") == std::string_view::npos) {
        constexpr std::string_view kStatus = "<status kod=\"";
        if (const size_t at = reply.find(kStatus); at != std::string_view::npos) {
            int code = 0;
            size_t i = at + kStatus.size(), digits = 0;
            for (; i < reply.size() && digits < 4 && reply[i] >= '0' && reply[i] <= '9'; ++i, ++digits)
                code = code * 10 + (reply[i] - '0');
            if (digits > 0 && i < reply.size() && reply[i] == '"') r.refusal = code;
        }
        return r;
    }
    r.status = SubmissionStatus::AcceptedWithoutUrl;
    const size_t open = reply.find("<url>");
    if (open == std::string_view::npos) return r;
    const size_t from = open + 5;
    const size_t close = reply.find("</url>", from);
    if (close == std::string_view::npos) return r;
    std::string url = DecodeEntities(core::Trim(reply.substr(from, close - from)));
    if (!IsCompleteHttpUrl(url)) return r;
    r.status = SubmissionStatus::Accepted;
    r.url = std::move(url);
    return r;
}

// ---------------------------------------------------------------------------

std::vector<std::string> RowsFromText(std::string_view text, int n, const core::DisplaySigns& signs) {
    std::vector<std::string> rows;
    if (n <= 0) return rows;
    const core::DisplaySigns plain;
    // The pool's own letters (H, U, B) read back what its export wrote; the
    // plain 1, X, 2 read every other file.
    const std::string allowed = "1xX2" + signs.home + signs.draw + signs.away;
    std::unordered_set<std::string> seen;
    for (const auto& line : core::SplitLines(text)) {
        const std::string kept = core::KeepChars(line, allowed);
        std::string row = core::DisplayToSigns(kept, signs);
        if (!core::IsRow(row, n)) row = core::DisplayToSigns(kept, plain);
        // A line with anything but the three signs in it is not a row.
        if (!core::IsRow(row, n)) continue;
        if (seen.insert(row).second) rows.push_back(std::move(row));
    }
    return rows;
}

int ImportRowText(core::TVinraFile& doc, const fs::path& path, const core::DisplaySigns& signs) {
    const std::string text = core::DecodeFileText(core::ReadFileBytes(path));
    std::unordered_set<std::string> present(doc.Rader.begin(), doc.Rader.end());
    int added = 0;
    for (auto& row : RowsFromText(text, doc.MatchCount, signs)) {
        if (present.insert(row).second) {
            doc.Rader.push_back(std::move(row));
            ++added;
        }
    }
    return added;
}

}  // namespace vinra::output
