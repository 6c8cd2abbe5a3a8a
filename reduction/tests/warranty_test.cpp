#include "reduction/warranty.h"

#include <algorithm>
#include <array>
#include <random>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/tests/warranty_plain.h"
#include "tests/temp_dir.h"

namespace vinra::reduction {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<core::PackedRow> Pack(const std::vector<std::string>& rows) {
    std::vector<core::PackedRow> packed;
    for (const auto& r : rows) packed.push_back(core::PackRow(r));
    return packed;
}

void ExpectSameTable(const WarrantyTable& fast, const WarrantyTable& plain) {
    EXPECT_EQ(fast.keys, plain.keys);
    EXPECT_EQ(fast.counts, plain.counts);
    EXPECT_EQ(fast.total, plain.total);
    EXPECT_EQ(fast.complete, plain.complete);
}

// Random frames, outcome lists (whole, thinned as conditions would, out of
// order, with repeats) and row lists (inside, partly outside the frame,
// repeated, holding a no-result sign), every method, cut and thread count.
TEST(TallyWarranty, MatchesThePlainTallyOnRandomInput) {
    std::mt19937 rng(20261210);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const WarrantyMethod methods[] = {WarrantyMethod::Auto, WarrantyMethod::Direct, WarrantyMethod::Walk,
                                      WarrantyMethod::Transform};
    for (int iter = 0; iter < 250; ++iter) {
        SCOPED_TRACE(iter);
        // Now and then a long coupon (up to 30 matches) with few varying matches.
        const bool wide = iter % 5 == 4;
        const int n = wide ? pick(10, 30) : pick(3, 9);
        std::vector<std::string> frame;
        for (int m = 0; m < n; ++m) {
            static const char* kEntries[] = {"0", "1", "2", "01", "02", "12", "012", "012"};
            frame.push_back(kEntries[wide && pick(0, n) > 7 ? pick(0, 2) : pick(0, 7)]);
        }
        std::vector<std::string> outcomes = plain::ExpandFrame(frame);
        switch (pick(0, 5)) {
            case 0:
            case 1: break;
            case 2: {  // thinned, order kept
                std::vector<std::string> kept;
                for (auto& o : outcomes)
                    if (pick(0, 9) < 3) kept.push_back(o);
                outcomes.swap(kept);
                break;
            }
            case 3: std::shuffle(outcomes.begin(), outcomes.end(), rng); break;
            case 4:  // repeats
                for (int i = pick(1, 5); i > 0; --i) outcomes.push_back(outcomes[pick(0, int(outcomes.size()) - 1)]);
                std::sort(outcomes.begin(), outcomes.end());
                break;
            case 5: outcomes.resize(std::min<size_t>(outcomes.size(), pick(0, 3))); break;
        }
        static const int kRowCounts[] = {0, 1, 2, 7, 40, 250};
        std::vector<std::string> rows;
        for (int i = kRowCounts[pick(0, 5)]; i > 0; --i) {
            std::string r;
            const bool inside = pick(0, 9) < 7;
            for (int m = 0; m < n; ++m)
                r += inside ? frame[m][pick(0, int(frame[m].size()) - 1)] : char('0' + pick(0, 2));
            if (pick(0, 30) == 0) r[pick(0, n - 1)] = '-';
            rows.push_back(r);
            if (pick(0, 9) == 0) rows.push_back(r);
        }
        const WarrantyTable expected = plain::TallyWarranty(outcomes, rows, n);
        const auto po = Pack(outcomes), pr = Pack(rows);
        for (WarrantyMethod method : methods)
            for (uint64_t cap : {uint64_t{0}, uint64_t{3}, uint64_t{10}})
                for (unsigned threads : {1u, 2u}) {
                    SCOPED_TRACE(::testing::Message()
                                 << "method " << int(method) << " cap " << cap << " threads " << threads);
                    ExpectSameTable(TallyWarranty(po, pr, n, nullptr, nullptr, {method, cap, threads}), expected);
                }
        if (HasFailure()) return;
    }
}

// A 13-match frame big enough for the default cut into several chunks on
// several cores, rows inside and outside it.
TEST(TallyWarranty, MatchesThePlainTallyOnALargeFrame) {
    std::mt19937 rng(7);
    const std::vector<std::string> frame{"012", "0", "02",  "012", "1",  "012", "12",
                                         "012", "0", "012", "012", "01", "2"};
    std::vector<std::string> outcomes = plain::ExpandFrame(frame);
    std::vector<std::string> kept;
    for (auto& o : outcomes)
        if (rng() % 4 != 0) kept.push_back(o);
    std::vector<std::string> rows;
    for (int i = 0; i < 300; ++i) {
        std::string r;
        for (int m = 0; m < 13; ++m) r += (i % 3 == 0) ? char('0' + rng() % 3) : frame[m][rng() % frame[m].size()];
        rows.push_back(r);
    }
    const WarrantyTable expected = plain::TallyWarranty(kept, rows, 13);
    ASSERT_GT(expected.keys.size(), 20u);
    for (WarrantyMethod method : {WarrantyMethod::Auto, WarrantyMethod::Walk, WarrantyMethod::Transform})
        ExpectSameTable(TallyWarranty(Pack(kept), Pack(rows), 13, nullptr, nullptr, {method, 0, 2}), expected);
    std::atomic<int64_t> tested{-1};
    TallyWarranty(Pack(kept), Pack(rows), 13, nullptr, &tested);
    EXPECT_EQ(tested.load(), static_cast<int64_t>(kept.size()));
}

// Counts near the top of what 16 bits hold: every row of a 4-match frame many
// times over, just below 65 536 rows (counts in 16 bits) and just above (32 bits).
TEST(TallyWarranty, CountsNearTheSixteenBitLimit) {
    const std::vector<std::string> frame(4, "012");
    const std::vector<std::string> outcomes = plain::ExpandFrame(frame);
    for (int copies : {809, 810}) {
        SCOPED_TRACE(copies);
        std::vector<std::string> rows;
        for (int k = 0; k < copies; ++k) rows.insert(rows.end(), outcomes.begin(), outcomes.end());
        const WarrantyTable expected = plain::TallyWarranty(outcomes, rows, 4);
        ASSERT_EQ(expected.keys.size(), 1u);
        for (WarrantyMethod method : {WarrantyMethod::Walk, WarrantyMethod::Transform})
            ExpectSameTable(TallyWarranty(Pack(outcomes), Pack(rows), 4, nullptr, nullptr, {method, 0, 1}), expected);
    }
}

// The perfect ternary Hamming code of length 13: every outcome is within one
// sign of exactly one word, and the distance profile around a word and around a
// non-word is fixed, so the whole frame falls into exactly two classes. The
// profile is checked with the plain tally on a spread of outcomes.
TEST(TallyWarranty, PerfectCodeGivesTwoClasses) {
    std::vector<std::array<int, 3>> columns;  // nonzero vectors of GF(3)^3, first nonzero entry 1
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 3; ++c)
                if ((a ? a : b ? b : c) == 1) columns.push_back({a, b, c});
    const auto outcomes = plain::ExpandFrame(std::vector<std::string>(13, "012"));
    std::vector<std::string> code;
    for (const auto& w : outcomes) {
        int s[3] = {0, 0, 0};
        for (int m = 0; m < 13; ++m)
            for (int i = 0; i < 3; ++i) s[i] += (w[m] - '0') * columns[m][i];
        if (s[0] % 3 == 0 && s[1] % 3 == 0 && s[2] % 3 == 0) code.push_back(w);
    }
    ASSERT_EQ(code.size(), 59049u);
    const auto table = TallyWarranty(Pack(outcomes), Pack(code), 13, nullptr, nullptr);
    ASSERT_EQ(table.keys.size(), 2u);
    EXPECT_EQ(table.counts, (std::vector<int64_t>{59049, 1594323 - 59049}));
    std::vector<std::string> sample;
    for (size_t i = 0; i < outcomes.size(); i += 16411) sample.push_back(outcomes[i]);
    std::vector<std::string> seen;
    for (const auto& key : plain::TallyWarranty(sample, code, 13).keys) seen.push_back(key);
    std::sort(seen.begin(), seen.end());
    std::vector<std::string> keys = table.keys;
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(seen, keys);
    EXPECT_THAT(WarrantyView(table, 13).lines(), ElementsAre("3,70 % chans of at least 1 row(s) with 13 matches.",
                                                             "100,00 % chans of at least 1 row(s) with 12 matches."));
}

TEST(TallyWarranty, KeysOfTheCases) {
    const auto frame3 = plain::ExpandFrame({"012", "012", "012", "012"});
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<std::string> keys;  // in first-met order
    };
    const std::vector<Case> cases = {
        // Each count below 10 gets a leading zero, 0 stays "0".
        {"single row", {"0000"}, {"01-0-0-0", "0-01-0-0", "0-0-01-0", "0-0-0-01", "0-0-0-0"}},
        {"no rows", {}, {"0-0-0-0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto t = TallyWarranty(Pack(frame3), Pack(c.rows), 4, nullptr, nullptr);
        EXPECT_EQ(t.keys, c.keys);
        EXPECT_EQ(t.total, 81);
        EXPECT_TRUE(t.complete);
    }
    // The whole frame as rows: every outcome has exactly one row all right.
    const auto all = TallyWarranty(Pack(frame3), Pack(frame3), 4, nullptr, nullptr);
    ASSERT_EQ(all.keys.size(), 1u);
    EXPECT_EQ(all.keys[0], "01-08-24-32");
    EXPECT_EQ(all.counts[0], 81);

    EXPECT_EQ(WarrantyKey(1, 0, 3, 11), "01-0-03-11");
    EXPECT_EQ(WarrantyKey(10, 99, 100, 9), "10-99-100-09");
}

TEST(TallyWarranty, RefusesTooFewMatchesAndBadOutcomes) {
    EXPECT_THROW(TallyWarranty(Pack({"01"}), Pack({"01"}), 2, nullptr, nullptr), std::invalid_argument);
    EXPECT_THROW(TallyWarranty(Pack({"0-1"}), Pack({"011"}), 3, nullptr, nullptr), std::invalid_argument);
    EXPECT_NO_THROW(TallyWarranty(Pack({"011"}), Pack({"011"}), 3, nullptr, nullptr));
    // No outcomes: no classes.
    const auto empty = TallyWarranty({}, Pack({"011"}), 3, nullptr, nullptr);
    EXPECT_THAT(empty.keys, IsEmpty());
    EXPECT_EQ(empty.total, 0);
}

// A cancelled tally is marked incomplete, keeps the classes of a leading part
// of the outcomes (compared with the plain tally of that part), and still
// counts every outcome in its total.
TEST(TallyWarranty, CancelKeepsALeadingPartAndMarksTheTableIncomplete) {
    const auto outcomes = plain::ExpandFrame({"012", "012", "012", "012", "012", "012", "012", "012", "012"});
    std::vector<std::string> rows;
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) rows.push_back(outcomes[rng() % outcomes.size()]);
    const auto po = Pack(outcomes), pr = Pack(rows);

    std::atomic<bool> cancel{true};
    const auto none = TallyWarranty(po, pr, 9, &cancel, nullptr);
    EXPECT_FALSE(none.complete);
    EXPECT_THAT(none.keys, IsEmpty());
    EXPECT_EQ(none.total, static_cast<int64_t>(outcomes.size()));

    for (WarrantyMethod method : {WarrantyMethod::Direct, WarrantyMethod::Walk, WarrantyMethod::Transform}) {
        cancel = false;
        std::atomic<int64_t> tested{0};
        std::thread stopper([&] {
            while (tested.load() == 0) std::this_thread::yield();
            cancel = true;
        });
        // One worker, so the stopper has a core of its own.
        const auto part = TallyWarranty(po, pr, 9, &cancel, &tested, {method, 27, 1});
        stopper.join();
        int64_t tallied = 0;
        for (int64_t c : part.counts) tallied += c;
        EXPECT_EQ(part.total, static_cast<int64_t>(outcomes.size()));
        EXPECT_EQ(part.complete, tallied == part.total);
        const auto expected = plain::TallyWarranty({outcomes.begin(), outcomes.begin() + tallied}, rows, 9);
        EXPECT_EQ(part.keys, expected.keys);
        EXPECT_EQ(part.counts, expected.counts);

        core::TVinraFile doc;
        EXPECT_EQ(WarrantyView(part, 9).complete(), part.complete);
        if (!part.complete) {
            EXPECT_THROW(StoreWarranty(doc, part, {}), std::logic_error);
            EXPECT_THAT(doc.GarRad, IsEmpty());
        }
    }
}

// ---------------------------------------------------------------------------
// Show

WarrantyTable Table(std::vector<std::string> keys, std::vector<int64_t> counts, int64_t total) {
    WarrantyTable t;
    t.keys = std::move(keys);
    t.counts = std::move(counts);
    t.total = total;
    return t;
}

TEST(WarrantyView, GridSortedAsTextWithCountsAndPercentages) {
    // 100 sorts before 12 as text; 10..99 sort among the zero-padded counts.
    const WarrantyView view(Table({"0-02-12-40", "01-0-10-100", "0-02-100-3", "01-0-09-12"}, {30, 5, 10, 55}, 100), 13);
    std::vector<std::string> order;
    for (const auto& r : view.rows()) order.push_back(r.key);
    EXPECT_THAT(order, ElementsAre("0-02-100-3", "0-02-12-40", "01-0-09-12", "01-0-10-100"));
    EXPECT_THAT(view.Header(), ElementsAre("13", "12", "11", "10", "Chans", "Percent"));
    EXPECT_THAT(view.Cells(2), ElementsAre("1", "0", "9", "12", "55 / 100", "55,00 %"));
    EXPECT_THAT(view.Cells(0), ElementsAre("0", "2", "100", "3", "10 / 100", "10,00 %"));
}

TEST(WarrantyView, ChanceAndRiskLines) {
    struct Case {
        const char* name;
        WarrantyTable table;
        int n;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"every outcome has a full row",
         Table({"01-26-312-2288"}, {1594323}, 1594323),
         13,
         {"100,00 % chans of at least 1 row(s) with 13 matches."}},
        // Best N-k exactly: least counts 1 (of 1 and 2), 2, none at N-2, 4; a third below N-3.
        {"every level",
         Table({"01-0-0-0", "02-01-0-0", "0-02-01-0", "0-0-0-04", "0-0-0-0"}, {10, 20, 30, 25, 15}, 100),
         13,
         {"30,00 % chans of at least 1 row(s) with 13 matches.", "60,00 % chans of at least 2 row(s) with 12 matches.",
          "85,00 % chans of at least 4 row(s) with 10 matches.", "15,00 % risk of less than 10 matches."}},
        {"no rows", Table({"0-0-0-0"}, {81}, 81), 4, {"100,00 % risk of less than 1 matches."}},
        // A long coupon's class may hold 10 000 rows or more with N-3 right.
        {"large counts",
         Table({"0-0-0-12000", "0-0-0-10000"}, {1, 1}, 2),
         30,
         {"100,00 % chans of at least 10000 row(s) with 27 matches."}},
        {"thirds",
         Table({"0-01-0-0", "0-0-0-0"}, {1, 2}, 3),
         13,
         {"33,33 % chans of at least 1 row(s) with 12 matches.", "66,67 % risk of less than 10 matches."}},
        {"empty table", Table({}, {}, 0), 13, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WarrantyView(c.table, c.n).lines(), c.lines);
    }
    // The window passes the texts of its language.
    const WarrantyView sv(Table({"0-01-0-0", "0-0-0-0"}, {1, 3}, 4), 13,
                          WarrantyTexts::FromLanguage(core::LangSwedish));
    EXPECT_THAT(sv.lines(),
                ElementsAre("25,00 % chans till minst 1 rad(er) med 12 rätt.", "75,00 % risk för färre än 10 rätt."));
    EXPECT_THAT(sv.Header(), ElementsAre("13", "12", "11", "10", "Chans", "Procent"));
}

TEST(WarrantyView, SortByColumnAlternatesAndExportsTabSeparated) {
    WarrantyView view(Table({"01-0-0-0", "0-01-0-0", "0-0-x-0"}, {5, 20, 10}, 35), 3);
    auto keys = [&] {
        std::vector<std::string> k;
        for (const auto& r : view.rows()) k.push_back(r.key);
        return k;
    };
    view.SortByColumn(5);  // outcome count, ascending
    EXPECT_THAT(keys(), ElementsAre("01-0-0-0", "0-0-x-0", "0-01-0-0"));
    view.SortByColumn(5);  // descending
    EXPECT_THAT(keys(), ElementsAre("0-01-0-0", "0-0-x-0", "01-0-0-0"));
    view.SortByColumn(1);  // ascending by N-1
    EXPECT_THAT(keys(), ElementsAre("0-0-x-0", "01-0-0-0", "0-01-0-0"));
    EXPECT_EQ(view.ExportText(),
              "3\t2\t1\t0\tChans\tPercent\r\n"
              "0\t0\tx\t0\t10 / 35\t28,57 %\r\n"
              "1\t0\t0\t0\t5 / 35\t14,29 %\r\n"
              "0\t1\t0\t0\t20 / 35\t57,14 %\r\n");
    // An empty table keeps the header and one empty row.
    EXPECT_EQ(WarrantyView(Table({}, {}, 0), 13).ExportText(), "13\t12\t11\t10\tChans\tPercent\r\n\t\t\t\t\t\r\n");

    testing::TempDir dir;
    view.ExportToFile(dir.file("w.xls"));
    EXPECT_EQ(testing::ReadBytes(dir.file("w.xls")), view.ExportText());
}

// ---------------------------------------------------------------------------
// The document and its file

TEST(WarrantyDocument, StoreSaveLoadAndImport) {
    const auto outcomes = plain::ExpandFrame({"012", "02", "1", "012"});
    const std::vector<std::string> rows{"0010", "2112", "1011"};
    const auto table = TallyWarranty(Pack(outcomes), Pack(rows), 4, nullptr, nullptr);
    const WarrantyView view(table, 4);

    core::TVinraFile doc;
    doc.NewSystem(4, false);
    doc.Grundrad = {"012", "02", "1", "012"};
    doc.Rader = rows;
    StoreWarranty(doc, table, view.lines());
    EXPECT_EQ(doc.AntalRader, 18);
    EXPECT_EQ(doc.AntalGarantiRader, static_cast<int32_t>(table.keys.size()));
    EXPECT_EQ(doc.Gar, view.lines());

    testing::TempDir dir;
    const auto file = dir.path() / "s.1x2";
    doc.SaveToFile(file);
    core::TVinraFile back;
    back.LoadFromFile(file);
    const auto read = WarrantyFromDocument(back);
    EXPECT_EQ(read.keys, table.keys);
    EXPECT_EQ(read.counts, table.counts);
    EXPECT_EQ(read.total, 18);
    EXPECT_EQ(back.Gar, view.lines());

    const auto imported = ImportWarranty(file, back.AntalGarantiRader, back.AntalRader);
    EXPECT_EQ(imported.keys, table.keys);
    EXPECT_EQ(imported.counts, table.counts);
    EXPECT_TRUE(imported.complete);

    std::atomic<bool> cancel{true};
    const auto cancelled = ImportWarranty(file, back.AntalGarantiRader, back.AntalRader, &cancel);
    EXPECT_FALSE(cancelled.complete);
    EXPECT_THAT(cancelled.keys, IsEmpty());

    ClearWarranty(doc);
    EXPECT_THAT(doc.GarRad, IsEmpty());
    EXPECT_EQ(doc.AntalRader, 0);
}

TEST(WarrantyDocument, ImportStopsAtTheFirstIncompleteEntry) {
    testing::TempDir dir;
    struct Case {
        const char* name;
        const char* garanti;
        int64_t keyCount;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        {"last count missing",
         "Rad0=01-0-0-0\r\nAnt0=3\r\nRad1=0-01-0-0\r\nAnt1=4\r\nRad2=0-0-0-0\r\n",
         3,
         {"01-0-0-0", "0-01-0-0"}},
        {"key missing in the middle", "Rad0=01-0-0-0\r\nAnt0=3\r\nRad2=0-0-0-0\r\nAnt2=1\r\n", 3, {"01-0-0-0"}},
        {"count not a number", "Rad0=01-0-0-0\r\nAnt0=3\r\nRad1=0-0-0-0\r\nAnt1=many\r\n", 2, {"01-0-0-0"}},
        {"read up to the system's key count", "Rad0=01-0-0-0\r\nAnt0=3\r\nRad1=0-0-0-0\r\nAnt1=5\r\n", 1, {"01-0-0-0"}},
        {"no section", "", 5, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = dir.path() / "g.1x2";
        testing::WriteBytes(file, std::string("[Info]\r\nVersion=7.51\r\n\r\n[Garanti]\r\n") + c.garanti);
        const auto t = ImportWarranty(file, c.keyCount, 7);
        EXPECT_EQ(t.keys, c.keys);
        EXPECT_EQ(t.counts.size(), t.keys.size());
        EXPECT_EQ(t.total, 7);
    }
    EXPECT_THROW(ImportWarranty(dir.path() / "missing.1x2", 1, 1), core::FileError);
}

}  // namespace
}  // namespace vinra::reduction
