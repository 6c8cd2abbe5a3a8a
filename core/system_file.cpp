// Reading and writing the .1x2 system file.
#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_set>

#include <fmt/format.h>

#include "core/ini.h"
#include "core/messages.h"
#include "core/system_document.h"
#include "core/system_file.h"
#include "core/text.h"

namespace vinra::core {

const char* const kMsgCannotOpen = "The file cannot be opened due to internal errors in the file.";

namespace {

// The reasons a file is refused, in the player's language.
constexpr int kMsgNotASystemFile = 3178;   // "\"%s\" is not a system file"
constexpr int kMsgColumnLength = 3179;     // "row column %d holds %d signs, column 1 holds %d"
constexpr int kMsgColumnCharacter = 3180;  // "row column %d holds the character '%s'"
constexpr int kMsgNotANumber = 3198;       // "%s is \"%s\", not a number"

std::function<int32_t(std::string_view, std::string_view)>& Resolver() {
    static std::function<int32_t(std::string_view, std::string_view)> resolver;
    return resolver;
}

[[noreturn]] void Refuse(const std::filesystem::path& path, const std::string& why) {
    // Only the file and the fault: the program puts its own "cannot be opened"
    // sentence (message 280, in the player's language) before this text.
    throw FileError("\"" + path.string() + "\": " + why);
}

// A value that counts as present for the "read until the first missing key" lists.
std::optional<std::string> Present(const IniFile& ini, std::string_view section, const std::string& key) {
    auto v = ini.Get(section, key);
    if (!v || v->empty()) return std::nullopt;
    return v;
}

std::string K(const char* prefix, int k) { return prefix + std::to_string(k); }

int ClampMatches(int n) { return n < 0 ? 0 : (n > kMaxMatches ? kMaxMatches : n); }

// Reads the row columns Rad1..Rad<n> of section Rader. Missing columns give no rows.
// Returns false with a reason for columns of unequal length or with other characters.
bool ReadRowColumns(const IniFile& ini, int n, RowList& rows, std::string& why) {
    rows.clear();
    std::vector<std::string> columns;
    columns.reserve(static_cast<size_t>(n));
    for (int j = 1; j <= n; ++j) {
        auto col = Present(ini, "Rader", K("Rad", j));
        if (!col) return true;  // a missing column: no rows
        columns.push_back(std::move(*col));
    }
    if (columns.empty()) return true;
    const size_t count = columns[0].size();
    for (size_t j = 0; j < columns.size(); ++j) {
        if (columns[j].size() != count) {
            why = FormatMsg(Msg(kMsgColumnLength), {static_cast<long long>(j + 1),
                                                    static_cast<long long>(columns[j].size()),
                                                    static_cast<long long>(count)});
            return false;
        }
        for (char c : columns[j]) {
            if (c < '0' || c > '2') {
                why = FormatMsg(Msg(kMsgColumnCharacter), {static_cast<long long>(j + 1), std::string(1, c)});
                return false;
            }
        }
    }
    // Every sign was checked above: the columns pack straight into the rows' words.
    std::vector<PackedRow> words(count, 0);
    for (size_t j = 0; j < columns.size(); ++j) {
        const std::string& col = columns[j];
        const int shift = PackedShift(static_cast<int>(j));
        for (size_t r = 0; r < count; ++r) words[r] |= static_cast<PackedRow>(col[r] - '0') << shift;
    }
    rows = RowList::FromPacked(std::move(words), static_cast<int>(columns.size()));
    return true;
}

void ReadDocument(const IniFile& ini, TVinraFile& doc, const std::filesystem::path& path) {
    const std::string version = ini.ReadString("Info", "Version", "5.00");
    const bool oldLayout = version.empty() ? true : version < "6.00";

    // 1. N: the frame keys present, empty ones being unmarked matches.
    int n = 0;
    while (n < kMaxMatches && ini.HasKey("Grundrad", K("Rad", n))) ++n;
    // A file whose frame keys are missing but whose rows are there would lose
    // its rows with N = 0: the row columns present give N instead.
    if (n == 0)
        while (n < kMaxMatches && ini.HasKey("Rader", K("Rad", n + 1))) ++n;
    doc.MatchCount = n;

    // 2. Info.
    doc.Omg = ini.ReadString("Info", "Omg", "2009-28");
    doc.OmgID = static_cast<int32_t>(ini.ReadInteger("Info", "OmgID", 0));
    doc.Country = ini.ReadString("Info", "Country", "Svenska Spel");
    doc.Pool = ini.ReadString("Info", "Pool", "Stryktipset");
    doc.Typ = ini.ReadString("Info", "Typ", "S");
    doc.SystemTyp = ini.ReadString("Info", "SystemTyp", "E");
    doc.Program = ini.ReadString("Info", "Program", "");
    doc.Version = ini.ReadString("Info", "Version", "");
    doc.Printed = ini.ReadBool("Info", "Printed", false);
    doc.Facit = ini.ReadString("Info", "Facit", "");
    if (!oldLayout) doc.SalvikLink = ini.ReadString("Info", "SalvikLink", "");
    {
        std::string comment = ini.ReadString("Info", "Comment", "");
        std::string out;
        size_t pos = 0;
        while (true) {
            size_t f = comment.find("*13*", pos);
            if (f == std::string::npos) break;
            out.append(comment, pos, f - pos);
            out += "\r\n";
            pos = f + 4;
        }
        out.append(comment, pos, std::string::npos);
        doc.Comment = std::move(out);
    }
    if (oldLayout && doc.OmgID == 0 && Resolver()) doc.OmgID = Resolver()(doc.Typ, doc.Omg);

    // 3. Condition flags and simple values.
    if (oldLayout) {
        static const char* const names[8] = {"UseMaxMin",  "UseRadDiff", "UseURad",     "UseJaKomb",
                                             "UseNejKomb", "UseProcent", "UseFilterTo", "UseChooseWin"};
        doc.UseFlags.FromInteger(0, 8);
        for (int i = 0; i < 8; ++i) doc.UseFlags.Put(i, ini.ReadBool("Villkor", names[i], i < 6));
    } else {
        const auto bits = ini.ReadInteger("Villkor", "UseSettings", 0);
        doc.UseFlags.FromInteger(static_cast<uint32_t>(bits), 8);
    }
    doc.RadDiff = static_cast<int32_t>(ini.ReadInteger("Villkor", "RadDiff", 2));
    doc.FirstRow = ini.ReadString("Villkor", "FirstRow", "");
    if (!IsRow(doc.FirstRow, static_cast<size_t>(n))) doc.FirstRow.clear();
    doc.ProcMin = ini.ReadFloat("Villkor", "ProcMin", 0.0);
    doc.ProcMax = ini.ReadFloat("Villkor", "ProcMax", 10000.0);
    doc.FilterToRader = static_cast<int32_t>(ini.ReadInteger("Villkor", "FilterToRader", 100));

    // 4. No-combinations.
    doc.Nej.clear();
    for (int k = 0; k < 100; ++k) {
        auto v = Present(ini, "Villkor", K("Nej", k));
        if (!v) break;
        doc.Nej.push_back(*v);
    }
    // 5./6. Triples: an incomplete one is dropped and ends its list.
    auto readTriples = [&](const char* a, const char* b, const char* c, std::vector<std::string>& la,
                           std::vector<std::string>& lb, std::vector<std::string>& lc) {
        la.clear();
        lb.clear();
        lc.clear();
        for (int k = 0; k < 100; ++k) {
            auto va = Present(ini, "Villkor", K(a, k));
            auto vb = Present(ini, "Villkor", K(b, k));
            auto vc = Present(ini, "Villkor", K(c, k));
            if (!va || !vb || !vc) break;
            la.push_back(*va);
            lb.push_back(*vb);
            lc.push_back(*vc);
        }
    };
    readTriples("Ja", "JaMin", "JaMax", doc.Ja, doc.JaMin, doc.JaMax);
    readTriples("URad", "UMin", "UMax", doc.URad, doc.UMin, doc.UMax);

    // 7. Sign counts: present keys only; text that is not a number refuses the file.
    for (int k = 0; k < 3; ++k) {
        const std::pair<const char*, int32_t*> keys[3] = {
            {"Max", &doc.Max[k]}, {"Ord", &doc.Ord[k]}, {"Min", &doc.Min[k]}};
        for (auto [name, field] : keys) {
            auto v = Present(ini, "Villkor", K(name, k));
            if (!v) continue;
            auto parsed = ParseInteger(*v);
            if (!parsed) Refuse(path, FormatMsg(Msg(kMsgNotANumber), {fmt::format("{}{}", name, k), *v}));
            *field = static_cast<int32_t>(*parsed);
        }
    }

    // 8. Percentages per sign, each list up to its first missing match.
    for (int s = 0; s < 3; ++s) {
        doc.Proc[s].clear();
        for (int i = 0; i < n; ++i) {
            auto v = Present(ini, "Villkor", fmt::format("Proc{}_{}", i, s));
            if (!v) break;
            doc.Proc[s].push_back(*v);
        }
    }

    // 9. Win level.
    doc.WinMin = static_cast<int32_t>(ini.ReadInteger("Villkor", "WinMin", 0));
    doc.WinMax = static_cast<int32_t>(ini.ReadInteger("Villkor", "WinMax", static_cast<int64_t>(n) * 1000));
    for (int m = 1; m <= n; ++m)
        for (int c = 1; c <= 3; ++c)
            doc.UserPercent[m - 1][c - 1] =
                static_cast<int32_t>(ini.ReadInteger("Villkor", fmt::format("UserPercent{}_{}", m, c), 0));

    // 10. Rows.
    std::string why;
    if (!ReadRowColumns(ini, n, doc.Rader, why)) Refuse(path, why);

    // 11. Frame.
    doc.Grundrad.clear();
    for (int k = 0; k < n; ++k) doc.Grundrad.push_back(ini.ReadString("Grundrad", K("Rad", k)));

    // 12. Warranty.
    const auto antalGar = ini.ReadInteger("Garanti", "AntalGarantiRader", 1);
    doc.AntalGarantiRader = static_cast<int32_t>(std::clamp<int64_t>(antalGar, 0, INT32_MAX));
    doc.AntalRader = static_cast<int32_t>(ini.ReadInteger("Garanti", "AntalRader", 1));
    doc.Gar.clear();
    for (int k = 0; k < 5; ++k) {
        auto v = Present(ini, "Garanti", K("Gar", k));
        if (!v) break;
        doc.Gar.push_back(*v);
    }
    doc.GarRad.clear();
    doc.GarAnt.clear();
    for (int64_t k = 0; k < doc.AntalGarantiRader; ++k) {
        auto key = Present(ini, "Garanti", "Rad" + std::to_string(k));
        auto count = Present(ini, "Garanti", "Ant" + std::to_string(k));
        if (!key || !count) break;
        doc.GarRad.push_back(*key);
        doc.GarAnt.push_back(*count);
    }

    // 13. System coupon.
    doc.Systemnamn = ini.ReadString("Systemkupong", "Systemnamn", "");
    if (auto v = Present(ini, "Systemkupong", "U-Rad")) doc.SetURow(*v);
    if (auto v = Present(ini, "Systemkupong", "MatGard")) doc.SetMatGard(*v);

    // 14. Goal log.
    doc.LogRows.clear();
    for (int k = 0; k < 10000; ++k) {
        auto v = ini.Get("LogResult", K("Row", k));
        if (!v || *v == "NODATA") break;
        doc.LogRows.push_back(*v);
    }
    for (int m = 1; m <= n; ++m) {
        doc.HGoal[m - 1] = static_cast<int32_t>(ini.ReadInteger("LogResult", K("HGoal", m), -1));
        doc.AGoal[m - 1] = static_cast<int32_t>(ini.ReadInteger("LogResult", K("AGoal", m), -1));
        doc.End[m - 1] = ini.ReadBool("LogResult", K("End", m), false);
    }
}

// Builds the file text key by key, straight into one string.
class Writer {
public:
    void Section(std::string_view name) {
        if (!text_.empty()) text_ += "\r\n";
        text_ += '[';
        text_ += name;
        text_ += "]\r\n";
    }
    void Key(std::string_view key, std::string_view value) {
        text_ += key;
        text_ += '=';
        // No raw line break may reach the file: it would end the value early.
        if (value.find_first_of("\r\n") != std::string_view::npos) text_ += ReplaceLineBreaks(value, " ");
        else text_ += value;
        text_ += "\r\n";
    }
    void Key(std::string_view key, int64_t value) { Key(key, std::to_string(value)); }
    void Bool(std::string_view key, bool value) { Key(key, value ? "1" : "0"); }
    std::string Finish() {
        text_ += "\r\n";
        return std::move(text_);
    }
    std::string& text() { return text_; }

private:
    std::string text_;
};

}  // namespace

void SetDrawNumberResolver(std::function<int32_t(std::string_view typ, std::string_view omg)> resolver) {
    Resolver() = std::move(resolver);
}

std::string SystemFileText(const TVinraFile& doc) {
    const int n = ClampMatches(doc.MatchCount);
    Writer w;
    const size_t width = doc.Rader.empty() ? 0 : doc.Rader.IsPacked() ? doc.Rader.Width() : doc.Rader.front().size();
    w.text().reserve(width * (doc.Rader.size() + 16) + 16 * 1024);

    w.Section("Info");
    w.Key("Omg", doc.Omg);
    w.Key("OmgID", doc.OmgID);
    w.Key("Country", doc.Country);
    w.Key("Pool", doc.Pool);
    w.Key("Typ", doc.Typ);
    w.Key("SystemTyp", doc.SystemTyp);
    w.Key("Program", doc.Program);
    w.Key("Version", doc.Version < "6.00" ? std::string(kProgramVersion) : doc.Version);
    w.Bool("Printed", doc.Printed);
    w.Key("Facit", doc.Facit);
    w.Key("SalvikLink", doc.SalvikLink);
    w.Key("Comment", ReplaceLineBreaks(doc.Comment, "*13*"));

    w.Section("Villkor");
    w.Key("RadDiff", doc.RadDiff);
    w.Key("FirstRow", doc.FirstRow);
    w.Key("UseSettings", doc.UseFlags.ToInteger());
    w.Key("ProcMin", FormatFloat(doc.ProcMin));
    w.Key("ProcMax", FormatFloat(doc.ProcMax));
    w.Key("FilterToRader", doc.FilterToRader);
    for (size_t k = 0; k < doc.Nej.size(); ++k) w.Key(K("Nej", static_cast<int>(k)), doc.Nej[k]);
    for (size_t k = 0; k < doc.Ja.size(); ++k) {
        const int i = static_cast<int>(k);
        w.Key(K("Ja", i), doc.Ja[k]);
        w.Key(K("JaMax", i), k < doc.JaMax.size() ? doc.JaMax[k] : std::string());
        w.Key(K("JaMin", i), k < doc.JaMin.size() ? doc.JaMin[k] : std::string());
    }
    for (size_t k = 0; k < doc.URad.size(); ++k) {
        const int i = static_cast<int>(k);
        w.Key(K("URad", i), doc.URad[k]);
        w.Key(K("UMin", i), k < doc.UMin.size() ? doc.UMin[k] : std::string());
        w.Key(K("UMax", i), k < doc.UMax.size() ? doc.UMax[k] : std::string());
    }
    for (int k = 0; k < 3; ++k) {
        w.Key(K("Max", k), doc.Max[k]);
        w.Key(K("Ord", k), doc.Ord[k]);
        w.Key(K("Min", k), doc.Min[k]);
    }
    for (int s = 0; s < 3; ++s)
        for (size_t i = 0; i < doc.Proc[s].size(); ++i) w.Key(fmt::format("Proc{}_{}", i, s), doc.Proc[s][i]);
    w.Key("WinMin", doc.WinMin);
    w.Key("WinMax", doc.WinMax);
    for (int m = 1; m <= n; ++m)
        for (int c = 1; c <= 3; ++c) w.Key(fmt::format("UserPercent{}_{}", m, c), doc.UserPercent[m - 1][c - 1]);

    if (!doc.Rader.empty()) {
        w.Section("Rader");
        if (doc.Rader.IsPacked()) {
            // Each column is written straight from the packed words into the text.
            const auto words = doc.Rader.Words();
            std::string& out = w.text();
            for (size_t j = 0; j < width; ++j) {
                out += K("Rad", static_cast<int>(j + 1));
                out += '=';
                const size_t at = out.size();
                out.resize(at + words.size());
                char* dst = out.data() + at;
                const int shift = PackedShift(static_cast<int>(j));
                for (size_t r = 0; r < words.size(); ++r) dst[r] = static_cast<char>('0' + ((words[r] >> shift) & 3));
                out += "\r\n";
            }
        } else {
            // Rows of unequal length: a row shorter than the first is filled with '-'.
            const std::vector<std::string> rows = doc.Rader.Strings();
            std::string column;
            column.reserve(rows.size());
            for (size_t j = 0; j < width; ++j) {
                column.clear();
                for (const auto& r : rows) column += j < r.size() ? r[j] : '-';
                w.Key(K("Rad", static_cast<int>(j + 1)), column);
            }
        }
    }

    w.Section("Grundrad");
    for (size_t k = 0; k < doc.Grundrad.size(); ++k) w.Key(K("Rad", static_cast<int>(k)), doc.Grundrad[k]);

    w.Section("Garanti");
    for (size_t k = 0; k < doc.GarRad.size(); ++k) w.Key(K("Rad", static_cast<int>(k)), doc.GarRad[k]);
    for (size_t k = 0; k < doc.GarAnt.size(); ++k) w.Key(K("Ant", static_cast<int>(k)), doc.GarAnt[k]);
    for (size_t k = 0; k < doc.Gar.size(); ++k) w.Key(K("Gar", static_cast<int>(k)), doc.Gar[k]);
    w.Key("AntalGarantiRader", static_cast<int64_t>(doc.GarRad.size()));
    w.Key("AntalRader", doc.AntalRader);

    w.Section("Systemkupong");
    w.Key("Systemnamn", doc.Systemnamn);
    w.Key("U-Rad", doc.GetURow());
    w.Key("MatGard", doc.GetMatGard());

    w.Section("LogResult");
    for (size_t k = 0; k < doc.LogRows.size(); ++k) w.Key(K("Row", static_cast<int>(k)), doc.LogRows[k]);
    for (int m = 1; m <= n; ++m) {
        w.Key(K("HGoal", m), doc.HGoal[m - 1]);
        w.Key(K("AGoal", m), doc.AGoal[m - 1]);
        w.Bool(K("End", m), doc.End[m - 1]);
    }
    return w.Finish();
}

IniFile ReadSystemIni(const std::filesystem::path& path) {
    const std::string bytes = ReadFileBytes(path);
    IniFile ini = IniFile::FromText(DecodeFileText(bytes));
    if (!ini.HasSection("Info") && !ini.HasSection("Grundrad") && !ini.HasSection("Rader"))
        throw FileError(FormatMsg(Msg(kMsgNotASystemFile), {path.string()}));
    return ini;
}

void TVinraFile::LoadFromFile(const std::filesystem::path& path) {
    const IniFile ini = ReadSystemIni(path);
    TVinraFile copy = *this;
    ReadDocument(ini, copy, path);
    *this = std::move(copy);
}

namespace {

bool IsAscii(std::string_view text) {
    uint64_t high = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        high |= word;
    }
    for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
    return (high & 0x8080808080808080ull) == 0;
}

}  // namespace

void TVinraFile::SaveToFile(const std::filesystem::path& path) const {
    const std::string text = SystemFileText(*this);
    // ASCII text (rows, numbers and plain names) is its own Windows-1252 form:
    // a system of a million rows is written without a converted copy.
    if (IsAscii(text)) WriteFileAtomic(path, text);
    else WriteFileAtomic(path, EncodeFileText(text));
}

int TVinraFile::MergeRowsFrom(const std::filesystem::path& path) {
    const IniFile ini = ReadSystemIni(path);
    const int n = ClampMatches(MatchCount);
    std::vector<std::string> columns;
    for (int j = 1; j <= n; ++j) {
        auto col = Present(ini, "Rader", K("Rad", j));
        if (!col) return 0;
        columns.push_back(std::move(*col));
    }
    if (columns.empty()) return 0;
    std::unordered_set<std::string> present(Rader.begin(), Rader.end());
    const size_t count = columns[0].size();
    int added = 0;
    std::string row(static_cast<size_t>(n), '0');
    for (size_t r = 0; r < count; ++r) {
        bool ok = true;
        for (int j = 0; j < n && ok; ++j) {
            if (r >= columns[j].size()) ok = false;
            else row[j] = columns[j][r];
        }
        if (!ok || !IsRow(row, static_cast<size_t>(n))) continue;
        if (present.insert(row).second) {
            Rader.push_back(row);
            ++added;
        }
    }
    return added;
}

}  // namespace vinra::core
