#include <filesystem>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/system_document.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

// A 13-match system of three rows with the no-combination "222" switched on alone.
std::string WriteSystem(const TempDir& dir, const std::string& pool = "Stryktipset", const std::string& typ = "S") {
    vinra::core::TVinraFile d;
    d.NewSystem(13, true);
    d.Pool = pool;
    d.Typ = typ;
    d.Rader = {"0000000000000", "0000000000100", "1111111111111"};
    d.UseFlags.FromInteger(1u << vinra::core::UseNejKomb, 8);
    d.Nej = {"222"};
    d.SaveToFile(dir.path() / "s.1x2");
    return dir.file("s.1x2");
}

TEST(CliCheck, JsonOfACheck) {
    TempDir dir;
    const auto file = WriteSystem(dir);
    const std::vector<std::pair<std::string, std::string>> env = {{"VINRA_HOME", dir.path().string()}};
    auto r = RunProcess(VINRA_CLI, {"check", file, "--result", "1111111111x2-", "--json"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    std::vector<int> dist(14, 0);
    dist[10] = 1;  // row 1: ten home wins right
    dist[11] = 1;  // row 2: ten home wins and the draw
    dist[1] = 1;   // row 3: only the draw
    EXPECT_EQ(j["distribution"], nlohmann::json(dist));
    EXPECT_EQ(j["best"], 11);
    EXPECT_EQ(j["winning_lines"], nlohmann::json::array({"10 right in coupon 1, row 1 (row 1)",
                                                         "11 right in coupon 1, row 2 (row 2)"}));
    const std::string S(67, '=');
    EXPECT_EQ(j["protocol"], nlohmann::json::array({S, S, "No-combinations:   OK", S, "   222 => OK", S}));
    EXPECT_EQ(j["conditions_ok"], true);

    // The result row "222" at the end breaks the no-combination.
    r = RunProcess(VINRA_CLI, {"check", file, "--result", "1111111111222", "--json"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["conditions_ok"], false);
}

TEST(CliCheck, PoolDisplayLettersAndNoReportedCondition) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Program");
    WriteBytes(dir.path() / "Program" / "National.Ini",
               "[Pools]\r\nH=Dansk Tipstjeneste\r\n[Dansk Tipstjeneste]\r\nH=Tips 13\r\n"
               "[Tips 13]\r\ndbID=H\r\nHome=H\r\nDraw=U\r\nAway=B\r\nCouponColumns=0\r\n");
    vinra::core::TVinraFile d;
    d.NewSystem(13, true);
    d.Pool = "Tips 13";
    d.Typ = "H";
    d.UseFlags.FromInteger(0, 8);
    for (int i = 0; i < 13; ++i) d.Rader.push_back(i == 12 ? "0000000000000" : "1111111111111");
    d.SaveToFile(dir.path() / "h.1x2");
    const std::vector<std::pair<std::string, std::string>> env = {{"VINRA_HOME", dir.path().string()}};
    auto r = RunProcess(VINRA_CLI, {"check", dir.file("h.1x2"), "--result", "hhhhhhhhhhhhh", "--json"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["best"], 13);
    // CouponColumns=0 counts as 12 rows a coupon: the 13th row starts coupon 2.
    EXPECT_EQ(j["winning_lines"], nlohmann::json::array({"13 right in coupon 2, row 1 (row 13)"}));
    EXPECT_EQ(j["protocol"], nlohmann::json::array({std::string(67, '=')}));
    EXPECT_TRUE(j["conditions_ok"].is_null());

    // "1" is not one of this pool's letters.
    r = RunProcess(VINRA_CLI, {"check", dir.file("h.1x2"), "--result", "1111111111111", "--json"}, env);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("H, U, B"), std::string::npos) << r.err;
}

TEST(CliCheck, ClearErrors) {
    TempDir dir;
    const auto file = WriteSystem(dir);
    const std::vector<std::pair<std::string, std::string>> env = {{"VINRA_HOME", dir.path().string()}};
    struct Case {
        std::vector<std::string> args;
        std::string inError;
    };
    const std::vector<Case> cases = {
        {{"check", file, "--result", "111", "--json"}, "13 matches"},
        {{"check", file, "--result", "111111111111Q", "--json"}, "'Q'"},
        {{"check", file, "--json"}, "--result"},
        {{"check", dir.file("missing.1x2"), "--result", "1111111111111"}, "missing.1x2"},
    };
    for (const auto& c : cases) {
        auto r = RunProcess(VINRA_CLI, c.args, env);
        EXPECT_NE(r.exitCode, 0) << c.inError;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(c.inError), std::string::npos) << r.err;
    }
}

}  // namespace
