#include <gtest/gtest.h>

#include <algorithm>

#include "core/system_document.h"
#include "reduction/conditions.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;

namespace {

using vinra::core::TVinraFile;

// Five matches: two singles and three 3-ways, no home sign run of two, a warranty stored.
TVinraFile System() {
    TVinraFile d;
    d.NewSystem(5, true);
    d.Grundrad = {"0", "1", "012", "012", "012"};
    auto c = vinra::reduction::FromDocument(d);
    c.flags.fill(false);
    c.flags[vinra::core::UseNejKomb] = true;
    c.noCombinations = {"00"};
    vinra::reduction::ToDocument(c, d);
    d.GarRad = {"01-0-0-0"};
    d.GarAnt = {"1"};
    d.AntalGarantiRader = 1;
    d.Gar = {"100,00 % ..."};
    return d;
}

TVinraFile Load(const std::string& path) {
    TVinraFile d;
    d.LoadFromFile(path);
    return d;
}

TEST(CliGenerate, FullRandomAndFilterOnFilesOfTheProgram) {
    TempDir dir;
    System().SaveToFile(dir.path() / "s.1x2");

    auto r = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("full.1x2")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto full = Load(dir.file("full.1x2"));
    // 27 rows of the frame; those with "00" are dropped (0100x, 01x00 ...).
    std::vector<std::string> want;
    for (char a = '0'; a <= '2'; ++a)
        for (char b = '0'; b <= '2'; ++b)
            for (char c = '0'; c <= '2'; ++c) {
                const std::string row = std::string("01") + a + b + c;
                if (row.find("00") == std::string::npos) want.push_back(row);
            }
    EXPECT_EQ(full.Rader, want);
    EXPECT_TRUE(full.GarRad.empty());  // the old warranty is gone
    EXPECT_TRUE(full.Gar.empty());
    EXPECT_EQ(full.AntalGarantiRader, 0);
    EXPECT_EQ(r.out, std::to_string(want.size()) + " rows written to " + dir.file("full.1x2") + "\n");

    r = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("rnd.1x2"), "--method", "random",
                               "--count", "6", "--seed", "11"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rnd = Load(dir.file("rnd.1x2"));
    ASSERT_EQ(rnd.Rader.size(), 6u);
    EXPECT_TRUE(std::is_sorted(rnd.Rader.begin(), rnd.Rader.end()));
    for (const auto& row : rnd.Rader) EXPECT_TRUE(std::binary_search(want.begin(), want.end(), row)) << row;
    auto again = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("rnd2.1x2"), "--method", "random",
                                        "--count", "6", "--seed", "11"});
    EXPECT_EQ(Load(dir.file("rnd2.1x2")).Rader, rnd.Rader);

    // Filter: the full frame's rows against a stricter condition set.
    auto strict = full;
    auto c = vinra::reduction::FromDocument(strict);
    c.flags[vinra::core::UseMaxMin] = true;
    c.maxCount = {1, 5, 5};
    vinra::reduction::ToDocument(c, strict);
    strict.Rader = want;
    strict.SaveToFile(dir.path() / "strict.1x2");
    r = RunProcess(VINRA_CLI, {"generate", dir.file("strict.1x2"), "-o", dir.file("f.1x2"), "--method", "filter"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> one;
    for (const auto& row : want)
        if (std::count(row.begin(), row.end(), '0') <= 1) one.push_back(row);
    EXPECT_EQ(Load(dir.file("f.1x2")).Rader, one);
}

TEST(CliGenerate, RowDifferenceStartsFromTheFirstRowOfTheSystem) {
    TempDir dir;
    auto d = System();
    d.UseFlags.Put(vinra::core::UseRadDiff, true);
    d.RadDiff = 3;
    d.Rader = {"01222", "01010"};  // no start row stored: the first row becomes it
    d.SaveToFile(dir.path() / "s.1x2");
    auto r = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("o.1x2")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = Load(dir.file("o.1x2"));
    EXPECT_EQ(out.FirstRow, "01222");
    ASSERT_FALSE(out.Rader.empty());
    EXPECT_EQ(out.Rader[0], "01222");
    for (size_t i = 0; i < out.Rader.size(); ++i)
        for (size_t j = i + 1; j < out.Rader.size(); ++j)
            EXPECT_LE(vinra::reduction::CountEqualSigns(out.Rader[i], out.Rader[j]), 2)
                << out.Rader[i] << " " << out.Rader[j];
}

TEST(CliGenerate, RandomGivesUpAfterMaxTries) {
    TempDir dir;
    System().SaveToFile(dir.path() / "s.1x2");
    auto r = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("o.1x2"), "--method", "random",
                                    "--count", "100", "--seed", "1", "--max-tries", "20000"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("found 22 of 100 rows in 20000 attempts; 22 rows written. Raising --max-tries may find "
                         "more."),
              std::string::npos)
        << r.err;
    // The rows found are not called all the conditions admit.
    EXPECT_EQ(r.err.find("admit no more"), std::string::npos) << r.err;
    EXPECT_EQ(Load(dir.file("o.1x2")).Rader.size(), 22u);
}

TEST(CliGenerate, FilterToACountThatLeavesTheRows) {
    TempDir dir;
    auto d = System();
    d.Rader = {"01012", "01111", "01221"};
    d.UseFlags.Put(vinra::core::UseFilterTo, true);
    d.UseFlags.Put(vinra::core::UseRadDiff, true);
    d.FilterToRader = 3;
    d.SaveToFile(dir.path() / "s.1x2");
    auto r = RunProcess(VINRA_CLI, {"generate", dir.file("s.1x2"), "-o", dir.file("o.1x2"), "--method", "filter"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the rows are left as they were"), std::string::npos) << r.err;
    const auto out = Load(dir.file("o.1x2"));
    EXPECT_EQ(out.Rader, d.Rader);
    EXPECT_FALSE(out.UseFlags.Get(vinra::core::UseRadDiff));
}

TEST(CliGenerate, ClearErrorsOnBadInput) {
    TempDir dir;
    auto unmarked = System();
    unmarked.Grundrad[3] = "";
    unmarked.SaveToFile(dir.path() / "unmarked.1x2");
    auto big = System();
    big.NewSystem(17, true);
    big.SaveToFile(dir.path() / "big.1x2");
    auto over = System();
    over.Proc[0][2] = "90";
    over.Proc[1][2] = "20";
    over.SaveToFile(dir.path() / "over.1x2");

    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"generate", dir.file("missing.1x2"), "-o", dir.file("o.1x2")}, "missing.1x2"},
        {{"generate", dir.file("unmarked.1x2"), "-o", dir.file("o.1x2")}, "match 4 of the frame has no sign marked"},
        {{"generate", dir.file("big.1x2"), "-o", dir.file("o.1x2")}, "the engine handles at most 43046721 rows"},
        {{"generate", dir.file("over.1x2"), "-o", dir.file("o.1x2"), "--method", "random"}, "over 100"},
        {{"generate", dir.file("unmarked.1x2"), "-o", dir.file("o.1x2"), "--count", "5"}, "--count applies"},
        {{"generate", dir.file("unmarked.1x2"), "-o", dir.file("o.1x2"), "--method", "all"}, "--method"},
    };
    for (const Case& k : cases) {
        auto r = RunProcess(VINRA_CLI, k.args);
        EXPECT_NE(r.exitCode, 0) << k.message;
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "o.1x2")) << k.message;
    }
}

}  // namespace
