#include "reduction/expert_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>

#include "core/ini.h"
#include "core/signs.h"
#include "core/text.h"
#include "reduction/red_guarantee.h"
#include "tests/temp_dir.h"

namespace vinra::reduction {
namespace {

namespace fs = std::filesystem;
using People = std::vector<std::array<std::string, 3>>;

std::vector<int> Matches(const std::vector<RankEntry>& rank) {
    std::vector<int> m;
    for (const auto& e : rank) m.push_back(e.match);
    return m;
}

TEST(FavouriteRanking, ComparesPercentagesAsNumbersThenTies) {
    // Text order would put "5.55" above "45.0" and "100.0" below "99.9".
    const People people = {
        {"45.0", "30.0", "25.0"},  // 1: home 45
        {"5.55", "4.45", "90.0"},  // 2: away 90
        {"100.0", "0.0", "0.0"},   // 3: home 100
        {"20.0", "99.9", "0.1"},   // 4: draw 99.9
        {"40,0", "40,0", "20,0"},  // 5: tie home/draw -> home 40 (decimal comma)
        {"30.0", "30.0", "40.0"},  // 6: away 40: after match 5 (home before away at 40)
        {"", "", ""},              // 7: no information: last
        {"45", "20", "35"},        // 8: home 45, same as match 1: the lower match first
    };
    const auto rank = FavouriteRanking(people, 8);
    EXPECT_EQ(Matches(rank), (std::vector<int>{3, 4, 2, 1, 8, 5, 6, 7}));
    EXPECT_EQ(rank[1].sign, 1);
    EXPECT_EQ(rank[2].sign, 2);
    EXPECT_EQ(rank[5].sign, 0);
    EXPECT_DOUBLE_EQ(rank[0].percent, 100.0);
    EXPECT_EQ(rank.back().percent, -1.0);
}

TEST(TemplateLists, ParsingIgnoresWhatIsNotAPositionAndTheEditorNormalises) {
    EXPECT_EQ(ParsePositions("1, 2,x,,3a,0,-4,7"), (std::vector<int>{1, 2, 7}));
    EXPECT_EQ(ParsePositions(""), std::vector<int>{});
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"3,1,2", "1,2,3"},    {"10,9,2,10", "2,9,10"}, {"1;2,3", "3,12"},  // other separators go, digits stay
        {"15,14,0,1", "1,14"}, {",,5,", "5"},           {"abc", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalisePositionList(c.in), c.out) << c.in;
}

ExpertTemplate SampleTemplate() {
    ExpertTemplate t;
    t.rowDiff = 2;
    t.safe = {1, 2, 40};
    t.halfX = {3};
    t.half2 = {4};
    t.maxTighten = {1, 0, 2};
    t.runTighten = {0, 9, 0};
    t.minTighten = {0, 1, 0};
    t.sourceRows = {{0, {1, 5, 6}, "1", "3"}, {3, {2, 3}, "0", "x"}};
    t.names = {{0, "Försiktig"}, {10000, "Careful"}};
    t.descs = {{10000, "Few rows."}};
    return t;
}

TEST(ExpertTemplate, WritesAndReadsEveryFieldAndSkipsBadEntries) {
    testing::TempDir dir;
    const fs::path file = dir.path() / "t.exp";
    const ExpertTemplate t = SampleTemplate();
    WriteTemplate(file, t);
    EXPECT_EQ(ReadTemplate(file), t);
    // The file is Windows-1252 like every INI file the program shares.
    EXPECT_NE(testing::ReadBytes(file).find("F\xF6rsiktig"), std::string::npos);

    // A hand-made file: a kind out of range is left out, a missing one ends the list.
    core::IniFile ini = core::IniFile::FromText(
        "[Default]\nRowdiff=9\nSafe=1,a,2\nU0_Char=1\nU0_Row=1,2\nU1_Char=7\nU1_Row=3\nU2_Char=2\nU2_Row=4\n"
        "U4_Char=0\n[Name]\n10000=X\n");
    const ExpertTemplate h = TemplateFromIni(ini);
    EXPECT_EQ(h.rowDiff, 5);
    EXPECT_EQ(h.safe, (std::vector<int>{1, 2}));
    ASSERT_EQ(h.sourceRows.size(), 2u);
    EXPECT_EQ(h.sourceRows[1].kind, 2);
    EXPECT_EQ(h.Name(10000), "X");
    EXPECT_EQ(h.Name(0), "");
}

// 13 matches ranked 1..13 in match order, favourites home except where given.
std::vector<RankEntry> Rank13(std::vector<int> signs = {}) {
    std::vector<RankEntry> r;
    for (int m = 1; m <= 13; ++m)
        r.push_back({m, 90.0 - m, m - 1 < static_cast<int>(signs.size()) ? signs[static_cast<size_t>(m - 1)] : 0});
    return r;
}

TEST(ApplyTemplate, SafeOneTwoOnTwoHomeFavouritesFixesThemToHome) {
    // The two clearest favourites are matches 7 and 3, both home wins.
    std::vector<RankEntry> rank = Rank13();
    std::swap(rank[0], rank[6]);
    std::swap(rank[1], rank[2]);
    ExpertTemplate t;
    t.safe = {1, 2};
    const ExpertSetup s = ApplyTemplate(t, rank, 13, NewConditionSet(13));
    for (int m = 0; m < 13; ++m) EXPECT_EQ(s.frame[static_cast<size_t>(m)], (m == 6 || m == 2) ? "0" : "012") << m;
    EXPECT_EQ(s.conditions.minCount[0], 2);
    EXPECT_EQ(s.conditions.maxCount, (std::array<int, 3>{13, 11, 11}));
    EXPECT_FALSE(s.conditions.flag(core::UseRadDiff));
}

TEST(ApplyTemplate, FrameRulesPerFavouriteAndRankPosition) {
    // Favourites by rank: home, draw, away, ...; positions above 11 have fixed signs.
    std::vector<RankEntry> rank = Rank13({0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0});
    struct Case {
        std::vector<int> safe, halfX, half2;
        std::vector<std::string> expect;  // frame of matches 1..3 and 12, 13
    } cases[] = {
        {{1, 2, 3, 12, 13}, {}, {}, {"0", "1", "2", "1", "1"}},
        {{}, {1, 2, 3, 12, 13}, {}, {"01", "01", "12", "01", "01"}},
        {{}, {}, {1, 2, 3, 12, 13}, {"02", "12", "02", "12", "12"}},
    };
    for (const auto& c : cases) {
        ExpertTemplate t;
        t.safe = c.safe;
        t.halfX = c.halfX;
        t.half2 = c.half2;
        const ExpertSetup s = ApplyTemplate(t, rank, 13, NewConditionSet(13));
        const std::vector<std::string> got = {s.frame[0], s.frame[1], s.frame[2], s.frame[11], s.frame[12]};
        EXPECT_EQ(got, c.expect);
    }
}

TEST(ApplyTemplate, TighteningAndSourceRowsAndPositionsBeyondTheRound) {
    const ExpertTemplate t = SampleTemplate();  // safe 1, 2 and 40 (beyond N: ignored)
    ConditionSet base = NewConditionSet(13);
    base.sourceRows = {{"0,0", 1, 1}};
    base.flags[core::UseJaKomb] = true;
    const ExpertSetup s = ApplyTemplate(t, Rank13(), 13, base);
    // Frame: 1, 2 home; 3 home+draw; 4 home+away; the rest full.
    EXPECT_EQ(s.frame[0], "0");
    EXPECT_EQ(s.frame[2], "01");
    EXPECT_EQ(s.frame[3], "02");
    EXPECT_EQ(s.conditions.radDiff, 2);
    EXPECT_TRUE(s.conditions.flag(core::UseRadDiff));
    EXPECT_FALSE(s.conditions.flag(core::UseJaKomb));
    // Natural: home in all 13, draw in 10, away in 10; min home 2; longest runs 13, 9, 10.
    EXPECT_EQ(s.conditions.maxCount, (std::array<int, 3>{12, 10, 8}));
    EXPECT_EQ(s.conditions.minCount, (std::array<int, 3>{2, 1, 0}));
    EXPECT_EQ(s.conditions.runMax, (std::array<int, 3>{13, 1, 10}));  // 9 - 9 would be 0: at least 1
    ASSERT_EQ(s.conditions.sourceRows.size(), 2u);
    EXPECT_EQ(s.conditions.sourceRows[0].pattern, "0,*,*,*,0,0,*,*,*,*,*,*,*");
    EXPECT_EQ(s.conditions.sourceRows[0].min, 1);
    EXPECT_EQ(s.conditions.sourceRows[0].max, 3);
    EXPECT_EQ(s.conditions.sourceRows[1].pattern, "*,2,2,*,*,*,*,*,*,*,*,*,*");
    EXPECT_EQ(s.conditions.sourceRows[1].max, 13);  // "x" is no number: no upper bound
}

TEST(ApplyTemplate, MaxCountsBelowNRaiseTheAwayMaximum) {
    ExpertTemplate t;
    t.safe = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};  // eleven home singles
    t.maxTighten = {5, 2, 2};
    const ExpertSetup s = ApplyTemplate(t, Rank13(), 13, NewConditionSet(13));
    // Natural 13, 2, 2 -> 8, 0, 0: three short of 13, which away gets.
    EXPECT_EQ(s.conditions.maxCount, (std::array<int, 3>{8, 0, 5}));
}

TEST(SourceCell, EveryKindForEveryFavourite) {
    const char* expect[6][4] = {
        // home, draw, away, position 12 (home favourite)
        {"0", "1", "2", "1"}, {"01", "01", "12", "01"}, {"02", "12", "02", "02"},
        {"2", "2", "0", "2"}, {"12", "02", "01", "12"}, {"1", "0", "1", "1"},
    };
    for (int k = 0; k < kSourceKinds; ++k) {
        for (int f = 0; f < 3; ++f) EXPECT_EQ(SourceCell(static_cast<SourceKind>(k), f, 1), expect[k][f]) << k << f;
        EXPECT_EQ(SourceCell(static_cast<SourceKind>(k), 0, 12), expect[k][3]) << k;
    }
}

TEST(ExpertPasses, ThreeHundredRowsAreCutToExactlyTheLimit) {
    // A frame of 324 rows (3^4 x 2^2) with no condition that removes any.
    ExpertSetup s;
    s.n = 13;
    s.frame = {"012", "012", "012", "012", "01", "01", "0", "0", "0", "0", "0", "0", "0"};
    s.conditions = NewConditionSet(13);
    s.conditions.radDiff = 0;
    const ExpertRun run = RunExpert(s, {}, 200, 7);
    EXPECT_EQ(run.frameRows, 324);
    EXPECT_EQ(run.afterPass1, 324);
    EXPECT_TRUE(run.pass2);
    EXPECT_EQ(run.rows.size(), 200u);
    EXPECT_EQ(std::set<std::string>(run.rows.begin(), run.rows.end()).size(), 200u);
    // Under the limit, pass 2 does not run.
    const ExpertRun small = RunExpert(s, {}, 400, 7);
    EXPECT_FALSE(small.pass2);
    EXPECT_EQ(small.rows.size(), 324u);
    EXPECT_EQ(ParseRowLimit("250"), 250);
    for (const char* bad : {"", "0", "-5", "1e3", "abc"}) EXPECT_EQ(ParseRowLimit(bad), 100) << bad;
}

TEST(ExpertPasses, StoredResultDescribesTheRows) {
    ExpertTemplate t = SampleTemplate();
    t.rowDiff = 1;
    const ExpertSetup s = ApplyTemplate(t, Rank13(), 13, NewConditionSet(13));
    const ExpertRun run = RunExpert(s, {}, 50, 3);
    ASSERT_FALSE(run.rows.empty());
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    doc.GarRad = {"01-02-03-04"};
    StoreExpertResult(doc, s, run.rows, 50);
    EXPECT_EQ(doc.Rader, run.rows);
    EXPECT_TRUE(doc.GarRad.empty());
    EXPECT_EQ(doc.FilterToRader, 50);
    EXPECT_EQ(doc.Grundrad, core::FrameFromRows(run.rows, 13));
    const ConditionSet c = FromDocument(doc);
    EXPECT_EQ(c.sourceRows, s.conditions.sourceRows);
    EXPECT_EQ(c.maxCount, s.conditions.maxCount);
    // Every stored row passes the stored conditions.
    for (const auto& r : doc.Rader) EXPECT_TRUE(RowPassesConditions(r, c, {})) << r;
}

// The shipped templates on the sample season's rounds (people's percentages
// as the service publishes them).
std::vector<fs::path> SampleRounds() {
    std::vector<fs::path> out;
    for (const char* f : {"S-4848.ini", "I-2309.ini", "C-2590.ini"})
        out.push_back(fs::path(VINRA_SOURCE_DIR) / "service" / "data" / "rounds" / f);
    return out;
}

People PeopleOf(const core::IniFile& round, int& n) {
    People p;
    for (int m = 1; round.HasSection("Match" + std::to_string(m)); ++m) {
        const std::string text = round.ReadString("Match" + std::to_string(m), "People");
        std::array<std::string, 3> signs;
        size_t start = 0;
        for (int s = 0; s < 3; ++s) {
            const size_t end = text.find(';', start);
            signs[static_cast<size_t>(s)] = text.substr(start, end == std::string::npos ? end : end - start);
            start = end == std::string::npos ? text.size() : end + 1;
        }
        p.push_back(signs);
    }
    n = static_cast<int>(p.size());
    return p;
}

TEST(ShippedTemplates, EachGivesASensibleSystemOnTheSampleRounds) {
    const fs::path folder = fs::path(VINRA_SOURCE_DIR) / "resources" / "templates";
    for (int lang : kTemplateLanguages) EXPECT_EQ(ListTemplates(folder, lang).size(), 10u) << lang;
    int64_t previousFrame = 0;
    for (int i = 0; i < 10; ++i) {
        const ExpertTemplate t = ReadTemplate(folder / (std::to_string(i) + ".exp"));
        // Windows-1252 with CR LF, as every INI file the program shares.
        const std::string bytes = testing::ReadBytes(folder / (std::to_string(i) + ".exp"));
        EXPECT_FALSE(core::IsUtf8WithNonAscii(bytes)) << i;
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), std::count(bytes.begin(), bytes.end(), '\r')) << i;
        EXPECT_NE(bytes.find("\r\n"), std::string::npos) << i;
        for (int lang : kTemplateLanguages) {
            EXPECT_FALSE(t.Name(lang).empty()) << i << " " << lang;
            EXPECT_FALSE(t.Desc(lang).empty()) << i << " " << lang;
        }
        for (const fs::path& file : SampleRounds()) {
            int n = 0;
            const People people = PeopleOf(core::IniFile::FromFile(file), n);
            ASSERT_GE(n, 12) << file;
            const auto rank = FavouriteRanking(people, n);
            const ExpertSetup s = ApplyTemplate(t, rank, n, NewConditionSet(n));
            const ExpertRun run = RunExpert(s, {}, 200, 11);
            const std::string what = std::to_string(i) + ".exp on " + file.filename().string();
            EXPECT_GT(run.rows.size(), 0u) << what;
            EXPECT_LE(run.rows.size(), 200u) << what;
            // The singles sit on the clearest favourites, with their favourite sign.
            for (int p : t.safe) {
                const RankEntry& e = rank[static_cast<size_t>(p - 1)];
                for (const auto& r : run.rows)
                    ASSERT_EQ(r[static_cast<size_t>(e.match - 1)], '0' + e.sign) << what << " rank " << p;
            }
            // Every row passes the template's conditions.
            GenerationInput in = ExpertPass1(s, {});
            for (const auto& r : run.rows) ASSERT_TRUE(RowPassesConditions(r, in.conditions, {})) << what << " " << r;
            if (file.filename() == "S-4848.ini") {
                // From careful to aggressive: the frames open up template by template.
                EXPECT_GE(run.frameRows, previousFrame) << what;
                previousFrame = run.frameRows;
            }
        }
    }
}

TEST(ListTemplates, StopsAtTheFirstTemplateWithoutANameInTheLanguage) {
    testing::TempDir dir;
    ExpertTemplate t;
    t.names = {{0, "Ett"}, {10000, "One"}};
    WriteTemplate(dir.path() / "0.exp", t);
    t.names = {{10000, "Two"}};  // no Swedish name
    WriteTemplate(dir.path() / "1.exp", t);
    t.names = {{0, "Tre"}, {10000, "Three"}};
    WriteTemplate(dir.path() / "2.exp", t);
    testing::WriteBytes(dir.path() / "2.bmp", "BM");
    EXPECT_EQ(ListTemplates(dir.path(), 0).size(), 1u);
    const auto english = ListTemplates(dir.path(), 10000);
    ASSERT_EQ(english.size(), 3u);
    EXPECT_EQ(english[2].name, "Three");
    EXPECT_EQ(english[2].picture.filename(), "2.bmp");
    EXPECT_TRUE(english[0].picture.empty());
    fs::remove(dir.path() / "1.exp");  // a gap ends the list too
    EXPECT_EQ(ListTemplates(dir.path(), 10000).size(), 1u);
}

TEST(RedGuarantee, TheWarrantyEngineConfirmsTheShippedSystems) {
    const fs::path folder = fs::path(VINRA_SOURCE_DIR) / "resources" / "systems" / "Svenska Spel";
    struct Case {
        const char* name;
        int guaranteed;
        const char* known;  // the line on the best known size, "" where none is known
    };
    for (const Case& c : {Case{"R 4-0-9", 12, "Smallest size known for these guards: 9 rows."},
                          Case{"R 0-3-2", 12, "Smallest size known for these guards: 2 rows."},
                          Case{"R 3-3-24", 12, ""},
                          Case{"R 8-0-81 N-2", 11, "Smallest size known for these guards: 81 rows."}}) {
        SCOPED_TRACE(c.name);
        const RedGuarantee g = ComputeRedGuarantee(ReadRedFile(folder / (std::string(c.name) + ".RED")), 13);
        EXPECT_EQ(g.guaranteed, c.guaranteed);
        const auto lines = GuaranteeLines(g);
        ASSERT_EQ(lines.size(), *c.known ? 2u : 1u);
        EXPECT_NE(lines[0].find(std::to_string(c.guaranteed) + " right guaranteed"), std::string::npos) << lines[0];
        if (*c.known) {
            EXPECT_EQ(lines[1], c.known);
        }
    }
    // A system above the best known says by how much.
    RedGuarantee above;
    above.n = 13;
    above.rows = 1377;
    above.full = 9;
    above.guaranteed = 12;
    EXPECT_EQ(GuaranteeLines(above).back(), "Best known system for these guards: 1269 rows; this one has 108 more.");
    // A shipped U-system: a covering, so 12 right whatever the U signs do.
    const RedGuarantee u = ComputeRedGuarantee(ReadRedFile(folder / "U 4-0-9.RED"), 13);
    ASSERT_EQ(u.byMisses.size(), 5u);
    EXPECT_EQ(*std::min_element(u.byMisses.begin(), u.byMisses.end()), 12);
    EXPECT_EQ(GuaranteeLines(u).size(), 7u);  // header, 0 .. 4 wrong U signs, the known size
    // One full guard played as the U sign and the first other sign: 13 right
    // when the U sign comes in, 12 when it does not (the second other sign).
    testing::TempDir dir;
    testing::WriteBytes(dir.path() / "U 1-0-2.RED", "01\r\n");
    const RedGuarantee one = ComputeRedGuarantee(ReadRedFile(dir.path() / "U 1-0-2.RED"), 13);
    EXPECT_EQ(one.byMisses, (std::vector<int>{13, 12}));
    EXPECT_EQ(one.rows, 2);
    // A system that needs more guards than the round has matches is refused.
    EXPECT_THROW(ComputeRedGuarantee(ReadRedFile(folder / "R 10-0-3645.RED"), 8), RedError);
    // A count that is called off says it is incomplete, never a guarantee of its own.
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(ComputeRedGuarantee(ReadRedFile(folder / "R 4-0-9.RED"), 13).complete);
    EXPECT_FALSE(ComputeRedGuarantee(ReadRedFile(folder / "R 4-0-9.RED"), 13, &stop).complete);
}

}  // namespace
}  // namespace vinra::reduction
