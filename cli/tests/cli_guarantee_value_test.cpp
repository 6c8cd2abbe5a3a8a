#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/system_document.h"
#include "core/text.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

const std::string kSample = std::string(VINRA_SOURCE_DIR) + "/resources/samples/sample.1x2";

std::vector<std::pair<std::string, std::string>> Home(const TempDir& dir) { return {{"VINRA_HOME", dir.file("home")}}; }

int Distance(const std::string& a, const std::string& b) {
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d += a[i] != b[i];
    return d;
}

// Game information of 13 matches: odds with a margin, people's percentages.
std::string GameInfo() {
    std::string ini;
    for (int m = 0; m < 13; ++m) {
        ini += "[Game" + std::to_string(m) + "]\r\nPeople1=" + std::to_string(40 + m) +
               ".0\r\nPeopleX=30.0\r\nPeople2=" + std::to_string(30 - m) +
               ".0\r\nOdds1=2.10\r\nOddsX=3.30\r\nOdds2=" + std::to_string(3 + m % 3) + ".50\r\n";
    }
    return ini;
}

// The sample's own rows: every frame row that meets its conditions.
std::string SampleWithRows(const TempDir& dir) {
    const std::string out = dir.file("rows.1x2");
    const auto r = RunProcess(VINRA_CLI, {"generate", kSample, "-o", out}, Home(dir));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return out;
}

}  // namespace

TEST(CliReduce, GuaranteesTwelveAndElevenUnderTheSampleConditions) {
    TempDir dir;
    vinra::core::TVinraFile sample;
    sample.LoadFromFile(kSample);
    // The outcomes the player's conditions leave, the plain way: the frame rows
    // that the sample's own full generation keeps.
    auto r = RunProcess(VINRA_CLI, {"generate", kSample, "-o", dir.file("all.1x2")}, Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    vinra::core::TVinraFile all;
    all.LoadFromFile(dir.path() / "all.1x2");
    ASSERT_GT(all.Rader.size(), 100u);

    for (int right : {12, 11}) {
        SCOPED_TRACE(right);
        const std::string out = dir.file("g" + std::to_string(right) + ".1x2");
        r = RunProcess(VINRA_CLI,
                       {"reduce", kSample, "-o", out, "--guarantee", std::to_string(right), "--seconds", "0.5"},
                       Home(dir));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(std::to_string(right) + " right guaranteed"), std::string::npos) << r.out;
        vinra::core::TVinraFile back;
        back.LoadFromFile(out);
        ASSERT_FALSE(back.Rader.empty());
        EXPECT_LT(back.Rader.size(), all.Rader.size());
        EXPECT_EQ(back.Grundrad, sample.Grundrad);
        EXPECT_EQ(back.AntalRader, static_cast<int32_t>(all.Rader.size()));
        EXPECT_FALSE(back.Gar.empty());
        for (const std::string& o : all.Rader) {
            int best = 99;
            for (const std::string& row : back.Rader) best = std::min(best, Distance(o, row));
            ASSERT_LE(best, 13 - right) << o;
        }
    }
}

TEST(CliReduce, RefusesWhatItCannotGuaranteeAndWritesNothing) {
    TempDir dir;
    auto r = RunProcess(VINRA_CLI, {"reduce", kSample, "-o", dir.file("x.1x2"), "--guarantee", "10"}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("choose 12 or 11 right"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.1x2"));

    // Conditions no row meets.
    vinra::core::TVinraFile doc;
    doc.LoadFromFile(kSample);
    doc.WinMin = 5;
    doc.WinMax = 4;
    doc.SaveToFile(dir.path() / "none.1x2");
    r = RunProcess(VINRA_CLI, {"reduce", dir.file("none.1x2"), "-o", dir.file("y.1x2"), "--guarantee", "12"},
                   Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("nothing to guarantee"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "y.1x2"));
}

TEST(CliValue, FiguresTextJsonAndTheHighestValueRows) {
    TempDir dir;
    WriteBytes(dir.path() / "info.ini", GameInfo());
    const std::string system = SampleWithRows(dir);
    auto r = RunProcess(VINRA_CLI, {"value", system, "--info", dir.file("info.ini")}, Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Chance of 13 right"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Turnover (assumed, typical): 50 000 000 kr"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not promises"), std::string::npos);

    r = RunProcess(VINRA_CLI,
                   {"value", system, "--info", dir.file("info.ini"), "--json", "--turnover", "1000000", "--keep", "5",
                    "-o", dir.file("k.1x2")},
                   Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["turnover"].get<double>(), 1e6);
    EXPECT_TRUE(j["turnover_known"].get<bool>());
    double sum = 0;
    for (const auto& c : j["distribution"]) sum += c["probability"].get<double>();
    EXPECT_NEAR(sum, 1.0, 1e-9);
    EXPECT_GT(j["chance_best"]["13"].get<double>(), 0.0);
    vinra::core::TVinraFile kept;
    kept.LoadFromFile(dir.path() / "k.1x2");
    EXPECT_EQ(kept.Rader.size(), 5u);

    // The model and its assumptions are in the help.
    r = RunProcess(VINRA_CLI, {"value", "--help"}, Home(dir));
    EXPECT_NE(r.out.find("estimates from market odds, not promises"), std::string::npos) << r.out;
}

TEST(CliReduceAndValue, RefuseNumbersBeyondWhatTheyCanUse) {
    TempDir dir;
    const std::string system = SampleWithRows(dir);
    WriteBytes(dir.path() / "info.ini", GameInfo());
    const std::string out = dir.file("out.1x2");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"reduce", kSample, "-o", out, "--guarantee", "12", "--seconds", "1e12"}, "at most 604800"},
        {{"reduce", kSample, "-o", out, "--guarantee", "12", "--seconds", "inf"}, "at most 604800"},
        {{"reduce", kSample, "-o", out, "--guarantee", "12", "--seconds", "0"}, "above 0"},
        {{"value", system, "--info", dir.file("info.ini"), "--turnover", "1e300"}, "0 to 10000000000000 kr"},
        {{"value", system, "--info", dir.file("info.ini"), "--turnover", "1.5e13", "--keep", "3", "-o", out},
         "0 to 10000000000000 kr"},
    };
    for (const Case& c : cases) {
        const auto r = RunProcess(VINRA_CLI, c.args, Home(dir));
        EXPECT_EQ(r.exitCode, 1) << c.args[0] << " " << c.args.back() << "\n" << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // The largest turnover taken is still shown as a positive amount.
    const auto r = RunProcess(VINRA_CLI, {"value", system, "--info", dir.file("info.ini"), "--json", "--turnover", "1e13"},
                              Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["turnover"].get<double>(), 1e13);
}

TEST(CliValue, WithoutGameInformationItSaysSo) {
    TempDir dir;
    const std::string system = SampleWithRows(dir);
    auto r = RunProcess(VINRA_CLI, {"value", system}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no game information"), std::string::npos) << r.err;
    WriteBytes(dir.path() / "empty.ini", "[Game0]\r\nHome=A\r\n");
    r = RunProcess(VINRA_CLI, {"value", system, "--info", dir.file("empty.ini")}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no game information"), std::string::npos) << r.err;
    r = RunProcess(VINRA_CLI, {"value", system, "--info", dir.file("empty.ini"), "--keep", "3"}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    // A system without rows has nothing to value.
    r = RunProcess(VINRA_CLI, {"value", kSample, "--info", dir.file("empty.ini")}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no rows to value"), std::string::npos) << r.err;
}
