#include "reduction/expert_system.h"

#include <algorithm>
#include <set>

#include "core/signs.h"
#include "core/text.h"
#include "reduction/warranty.h"

namespace fs = std::filesystem;

namespace vinra::reduction {

namespace {

constexpr const char* kSection = "Default";

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An integer of up to 6 digits (rank positions, counts); nullopt otherwise.
std::optional<int> SmallInt(std::string_view text) {
    text = core::Trim(text);
    if (!AllDigits(text) || text.size() > 6) return std::nullopt;
    return std::stoi(std::string(text));
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        out.push_back(text.substr(start, end - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

// A count read from a template: a signed integer, 0 when absent or not one.
int ReadCount(const core::IniFile& ini, std::string_view key) {
    const int64_t v = ini.ReadInteger(kSection, key, 0);
    return static_cast<int>(std::clamp<int64_t>(v, -core::kMaxMatches, core::kMaxMatches));
}

std::string Codes(std::initializer_list<int> signs) {
    std::string s;
    for (int i = 0; i < 3; ++i)
        if (std::find(signs.begin(), signs.end(), i) != signs.end()) s.push_back(static_cast<char>('0' + i));
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Ranking

std::optional<double> ParsePercent(std::string_view text) {
    text = core::Trim(text);
    if (text.empty()) return std::nullopt;
    const auto v = core::ParseFloat(text);
    if (!v || *v != *v || *v < 0) return std::nullopt;
    return v;
}

std::vector<RankEntry> FavouriteRanking(const std::vector<std::array<std::string, 3>>& people, int n) {
    n = std::clamp(n, 0, core::kMaxMatches);
    std::vector<RankEntry> rank;
    rank.reserve(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m) {
        RankEntry e{m + 1, -1.0, 0};
        if (m < static_cast<int>(people.size())) {
            for (int s = 0; s < 3; ++s) {
                const auto v = ParsePercent(people[static_cast<size_t>(m)][static_cast<size_t>(s)]);
                // Strictly greater: ties stay with the earlier sign (home, then draw).
                if (v && *v > e.percent) {
                    e.percent = *v;
                    e.sign = s;
                }
            }
        }
        rank.push_back(e);
    }
    std::stable_sort(rank.begin(), rank.end(), [](const RankEntry& a, const RankEntry& b) {
        if (a.percent != b.percent) return a.percent > b.percent;
        if (a.sign != b.sign) return a.sign < b.sign;
        return a.match < b.match;
    });
    return rank;
}

// ---------------------------------------------------------------------------
// Templates

std::string ExpertTemplate::Name(int languageBase) const {
    const auto it = names.find(languageBase);
    return it == names.end() ? std::string() : it->second;
}

std::string ExpertTemplate::Desc(int languageBase) const {
    const auto it = descs.find(languageBase);
    return it == descs.end() ? std::string() : it->second;
}

std::vector<int> ParsePositions(std::string_view text) {
    std::vector<int> out;
    for (std::string_view part : SplitCommas(text)) {
        const auto v = SmallInt(part);
        if (v && *v > 0) out.push_back(*v);
    }
    return out;
}

std::string JoinPositions(const std::vector<int>& positions) {
    std::string s;
    for (size_t i = 0; i < positions.size(); ++i) {
        if (i) s += ',';
        s += std::to_string(positions[i]);
    }
    return s;
}

std::string NormalisePositionList(std::string_view text) {
    std::string kept;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == ',') kept.push_back(c);
    std::set<int> unique;
    for (std::string_view part : SplitCommas(kept)) {
        const auto v = SmallInt(part);
        if (v && *v >= 1 && *v <= kMaxTemplatePosition) unique.insert(*v);
    }
    return JoinPositions(std::vector<int>(unique.begin(), unique.end()));
}

ExpertTemplate TemplateFromIni(const core::IniFile& ini) {
    ExpertTemplate t;
    t.rowDiff = static_cast<int>(std::clamp<int64_t>(ini.ReadInteger(kSection, "Rowdiff", 0), 0, 5));
    t.safe = ParsePositions(ini.ReadString(kSection, "Safe"));
    t.halfX = ParsePositions(ini.ReadString(kSection, "HalfX"));
    t.half2 = ParsePositions(ini.ReadString(kSection, "Half2"));
    for (int s = 0; s < 3; ++s) {
        const std::string d = std::to_string(s);
        t.maxTighten[static_cast<size_t>(s)] = ReadCount(ini, "Max" + d);
        t.runTighten[static_cast<size_t>(s)] = ReadCount(ini, "Ord" + d);
        t.minTighten[static_cast<size_t>(s)] = ReadCount(ini, "Min" + d);
    }
    for (int i = 0; i < 100; ++i) {
        const std::string u = "U" + std::to_string(i);
        const auto kindText = ini.Get(kSection, u + "_Char");
        if (!kindText) break;
        const int64_t kind = ini.ReadInteger(kSection, u + "_Char", -1);
        if (kind < 0) break;
        if (kind >= kSourceKinds) continue;  // a kind this program does not know: that row is left out
        ExpertSourceRow row;
        row.kind = static_cast<int>(kind);
        row.positions = ParsePositions(ini.ReadString(kSection, u + "_Row"));
        row.min = ini.ReadString(kSection, u + "_Min");
        row.max = ini.ReadString(kSection, u + "_Max");
        t.sourceRows.push_back(std::move(row));
    }
    for (int base : kTemplateLanguages) {
        const std::string key = std::to_string(base);
        if (auto v = ini.Get("Name", key); v && !v->empty()) t.names[base] = *v;
        if (auto v = ini.Get("Desc", key); v && !v->empty()) t.descs[base] = *v;
    }
    return t;
}

ExpertTemplate ReadTemplate(const fs::path& path) { return TemplateFromIni(core::IniFile::FromFile(path)); }

core::IniFile TemplateToIni(const ExpertTemplate& t) {
    core::IniFile ini;
    ini.WriteInteger(kSection, "Rowdiff", std::clamp(t.rowDiff, 0, 5));
    ini.WriteString(kSection, "Safe", JoinPositions(t.safe));
    ini.WriteString(kSection, "HalfX", JoinPositions(t.halfX));
    ini.WriteString(kSection, "Half2", JoinPositions(t.half2));
    for (int s = 0; s < 3; ++s) {
        const std::string d = std::to_string(s);
        ini.WriteInteger(kSection, "Min" + d, t.minTighten[static_cast<size_t>(s)]);
        ini.WriteInteger(kSection, "Max" + d, t.maxTighten[static_cast<size_t>(s)]);
        if (t.runTighten[static_cast<size_t>(s)] != 0)
            ini.WriteInteger(kSection, "Ord" + d, t.runTighten[static_cast<size_t>(s)]);
    }
    for (size_t i = 0; i < t.sourceRows.size() && i < 100; ++i) {
        const auto& r = t.sourceRows[i];
        const std::string u = "U" + std::to_string(i);
        ini.WriteInteger(kSection, u + "_Char", r.kind);
        ini.WriteString(kSection, u + "_Row", JoinPositions(r.positions));
        ini.WriteString(kSection, u + "_Min", r.min);
        ini.WriteString(kSection, u + "_Max", r.max);
    }
    for (const auto& [base, text] : t.names) ini.WriteString("Name", std::to_string(base), text);
    for (const auto& [base, text] : t.descs) ini.WriteString("Desc", std::to_string(base), text);
    return ini;
}

void WriteTemplate(const fs::path& path, const ExpertTemplate& t) { TemplateToIni(t).SaveToFile(path); }

fs::path TemplateFolder(const fs::path& dataFolder) { return dataFolder / "Expertsystem"; }

std::vector<TemplateChoice> ListTemplates(const fs::path& folder, int languageBase) {
    std::vector<TemplateChoice> out;
    for (int i = 0; i <= 9; ++i) {
        const fs::path file = folder / (std::to_string(i) + ".exp");
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) break;
        ExpertTemplate t;
        try {
            t = ReadTemplate(file);
        } catch (const std::exception&) {
            break;
        }
        const std::string name = t.Name(languageBase);
        if (name.empty()) break;
        TemplateChoice c{i, file, {}, name, t.Desc(languageBase)};
        for (const char* ext : {".bmp", ".png"}) {
            const fs::path pic = folder / (std::to_string(i) + ext);
            if (fs::is_regular_file(pic, ec)) {
                c.picture = pic;
                break;
            }
        }
        out.push_back(std::move(c));
    }
    return out;
}

// ---------------------------------------------------------------------------
// Applying

std::string SourceCell(SourceKind kind, int f, int position) {
    const bool late = position > 11;
    switch (kind) {
        case SourceKind::Favourite: return late ? "1" : Codes({f});
        case SourceKind::FavouriteDraw: return (late || f != 2) ? "01" : "12";
        case SourceKind::HomeAway: return f == 1 ? "12" : "02";
        case SourceKind::Underdog: return late ? "2" : (f == 2 ? "0" : "2");
        case SourceKind::UnderdogDraw: return f == 0 ? "12" : f == 1 ? "02" : "01";
        case SourceKind::GuardSign: return f == 1 ? "0" : "1";
    }
    return "*";
}

ExpertSetup ApplyTemplate(const ExpertTemplate& t, const std::vector<RankEntry>& rank, int n,
                          const ConditionSet& base) {
    ExpertSetup out;
    out.n = std::clamp(n, 1, core::kMaxMatches);
    n = out.n;
    out.frame.assign(static_cast<size_t>(n), "012");
    ConditionSet& c = out.conditions;
    c = base;
    c.n = n;
    c.sourceRows.clear();
    for (int f : {core::UseJaKomb, core::UseNejKomb, core::UseProcent, core::UseChooseWin})
        c.flags[static_cast<size_t>(f)] = false;
    c.radDiff = std::clamp(t.rowDiff, 0, 5);
    c.flags[core::UseRadDiff] = c.radDiff > 0;

    // Rank position p of the list: the entry, when the round has that many matches.
    auto entry = [&](int p) -> const RankEntry* {
        if (p < 1 || p > n || p > static_cast<int>(rank.size())) return nullptr;
        const RankEntry& e = rank[static_cast<size_t>(p - 1)];
        if (e.match < 1 || e.match > n) return nullptr;
        return &e;
    };
    for (int p : t.safe)
        if (const RankEntry* e = entry(p))
            out.frame[static_cast<size_t>(e->match - 1)] = p > 11 ? "1" : Codes({e->sign});
    for (int p : t.halfX)
        if (const RankEntry* e = entry(p))
            out.frame[static_cast<size_t>(e->match - 1)] = (p > 11 || e->sign != 2) ? "01" : "12";
    for (int p : t.half2)
        if (const RankEntry* e = entry(p))
            out.frame[static_cast<size_t>(e->match - 1)] = (p > 11 || e->sign == 1) ? "12" : "02";

    // Natural bounds of this frame, then the template's tightening.
    for (int s = 0; s < 3; ++s) {
        const char code = static_cast<char>('0' + s);
        int maxCount = 0, minCount = 0, run = 0, longest = 0;
        for (const std::string& e : out.frame) {
            const bool has = core::EntryHas(e, code);
            maxCount += has;
            minCount += e == std::string(1, code);
            run = has ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        const size_t si = static_cast<size_t>(s);
        c.maxCount[si] = std::clamp(maxCount - t.maxTighten[si], 0, n);
        c.runMax[si] = std::clamp(longest - t.runTighten[si], 1, n);
        c.minCount[si] = std::clamp(minCount + t.minTighten[si], 0, n);
    }
    const int sum = c.maxCount[0] + c.maxCount[1] + c.maxCount[2];
    if (sum < n) c.maxCount[2] += n - sum;

    for (const ExpertSourceRow& r : t.sourceRows) {
        std::vector<std::string> cells(static_cast<size_t>(n), "*");
        for (int p : r.positions)
            if (const RankEntry* e = entry(p))
                cells[static_cast<size_t>(e->match - 1)] = SourceCell(static_cast<SourceKind>(r.kind), e->sign, p);
        SourceRow row;
        for (size_t i = 0; i < cells.size(); ++i) row.pattern += (i ? "," : "") + cells[i];
        const auto mn = SmallInt(r.min);
        const auto mx = SmallInt(r.max);
        row.min = mn ? std::min(*mn, n) : 0;
        row.max = mx ? std::min(*mx, n) : n;
        c.sourceRows.push_back(std::move(row));
    }
    return out;
}

// ---------------------------------------------------------------------------
// Passes

int ParseRowLimit(std::string_view text) {
    const auto v = SmallInt(text);
    if (!v || *v < 1) return 100;
    return *v;
}

GenerationInput ExpertPass1(const ExpertSetup& setup, const PercentTables& percent) {
    GenerationInput in;
    in.mode = GenerationMode::Full;
    in.frame = setup.frame;
    in.conditions = setup.conditions;
    in.conditions.n = setup.n;
    in.conditions.firstRow.clear();
    auto& f = in.conditions.flags;
    f = {true, true, true, false, false, false, false, false};
    in.percent = percent;
    in.randomSelection = true;
    return in;
}

bool NeedsPass2(size_t rows, int limit) { return limit > 0 && rows > static_cast<size_t>(limit); }

GenerationInput ExpertPass2(const ExpertSetup& setup, std::vector<std::string> rows, int limit,
                            std::optional<uint64_t> seed) {
    GenerationInput in;
    in.mode = GenerationMode::Filter;
    in.frame = setup.frame;
    in.conditions = setup.conditions;
    in.conditions.n = setup.n;
    in.conditions.firstRow.clear();
    in.conditions.flags = {true, true, true, false, false, false, true, false};
    in.conditions.filterToRader = limit;
    in.rows = std::move(rows);
    in.randomSelection = true;
    in.seed = seed;
    return in;
}

ExpertRun RunExpert(const ExpertSetup& setup, const PercentTables& percent, int limit, std::optional<uint64_t> seed) {
    ExpertRun run;
    run.frameRows = static_cast<int64_t>(core::MathRowCount(setup.frame));
    {
        TRowGeneration g(ExpertPass1(setup, percent));
        g.Run();
        if (!g.Error().empty()) throw GenerationError(g.Error());
        run.rows = g.Rows().Strings();
    }
    run.afterPass1 = static_cast<int64_t>(run.rows.size());
    if (NeedsPass2(run.rows.size(), limit)) {
        run.pass2 = true;
        TRowGeneration g(ExpertPass2(setup, std::move(run.rows), limit, seed));
        g.Run();
        if (!g.Error().empty()) throw GenerationError(g.Error());
        run.rows = g.Rows().Strings();
    }
    return run;
}

void StoreExpertResult(core::TVinraFile& doc, const ExpertSetup& setup, const std::vector<std::string>& rows,
                       int limit) {
    ConditionSet c = FromDocument(doc);
    c.n = setup.n;
    c.radDiff = setup.conditions.radDiff;
    c.maxCount = setup.conditions.maxCount;
    c.runMax = setup.conditions.runMax;
    c.minCount = setup.conditions.minCount;
    c.sourceRows = setup.conditions.sourceRows;
    c.firstRow.clear();
    c.filterToRader = limit;
    // The conditions that describe these rows.
    c.flags = {true, c.radDiff > 0, !c.sourceRows.empty(), false, false, false, false, false};
    ToDocument(c, doc);
    doc.Rader = rows;
    doc.Grundrad = core::FrameFromRows(rows, setup.n);
    ClearWarranty(doc);
    doc.SystemTyp = "E";
    doc.Systemnamn.clear();
    for (auto& m : doc.MatGard) m.clear();
    for (auto& u : doc.URow) u.clear();
}

}  // namespace vinra::reduction
