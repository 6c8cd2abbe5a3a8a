#include <gtest/gtest.h>

#include "core/system_document.h"
#include "core/text.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

// 9 singles and 4 full guards (matches 10-13).
vinra::core::TVinraFile Round(std::vector<std::string> frame) {
    vinra::core::TVinraFile d;
    d.NewSystem(static_cast<int>(frame.size()), false);
    d.Grundrad = std::move(frame);
    d.Rader = {std::string(d.Grundrad.size(), '0')};
    return d;
}

const char* kHamming = "000111222\r\n012012012\r\n012120201\r\n021102210\r\n";

std::vector<std::pair<std::string, std::string>> Home(const TempDir& dir) { return {{"VINRA_HOME", dir.file("home")}}; }

}  // namespace

TEST(CliApplySystem, WritesTheRowsOfAnRAndAUSystem) {
    TempDir dir;
    Round({"0", "1", "2", "0", "1", "2", "0", "1", "012", "012", "012", "012", "012"}).SaveToFile(dir.path() / "s.1x2");
    WriteBytes(dir.path() / "R 4-0-9.RED", kHamming);
    WriteBytes(dir.path() / "U 4-0-9.RED", kHamming);

    // Match 9 as a mathematical guard: the 9 rows three times.
    auto r = RunProcess(
        VINRA_CLI,
        {"apply-system", dir.file("s.1x2"), "--red", dir.file("R 4-0-9.RED"), "-o", dir.file("r.1x2"), "--math", "9"},
        Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    vinra::core::TVinraFile back;
    back.LoadFromFile(dir.path() / "r.1x2");
    ASSERT_EQ(back.Rader.size(), 27u);
    EXPECT_EQ(back.Rader[0], "0120120100000");
    EXPECT_EQ(back.Rader[26].substr(8), "22210");
    EXPECT_EQ(back.GetMatGard(), "--------M----");
    EXPECT_EQ(back.Systemnamn, "R 4-0-9");

    // U-system: X as U sign on match 10 turns code 0 into a draw there.
    r = RunProcess(VINRA_CLI,
                   {"apply-system", dir.file("s.1x2"), "--red", dir.file("U 4-0-9.RED"), "-o", dir.file("u.1x2"),
                    "--math", "9", "--urow",
                    "--------"
                    "-X111"},
                   Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    back.LoadFromFile(dir.path() / "u.1x2");
    ASSERT_EQ(back.Rader.size(), 27u);
    EXPECT_EQ(back.Rader[0].substr(9), "1000");
    EXPECT_EQ(back.GetURow(), "*********X111");
}

TEST(CliApplySystem, ClearErrorsOnBadInput) {
    TempDir dir;
    Round({"0", "1", "2", "0", "1", "2", "0", "1", "0", "012", "012", "012", "012"}).SaveToFile(dir.path() / "s.1x2");
    WriteBytes(dir.path() / "R 4-0-9.RED", kHamming);
    WriteBytes(dir.path() / "R 5-0-9.RED", kHamming);
    WriteBytes(dir.path() / "U 4-0-9.RED", kHamming);
    WriteBytes(dir.path() / "R 4-0-8.RED", "00011122\r\n012012012\r\n012120201\r\n021102210\r\n");
    WriteBytes(dir.path() / "Mine.RED", kHamming);
    const std::string out = dir.file("out.1x2");
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : {
             Case{{"--red", dir.file("none.RED")}, "File not found: "},
             Case{{"--red", dir.file("Mine.RED")}, "An error occured when calculating covers."},
             Case{{"--red", dir.file("R 5-0-9.RED")}, "needs 5 full and 0 half guards, the frame has 4 and 0"},
             Case{{"--red", dir.file("R 4-0-8.RED")}, "line 2 has 9 characters"},
             Case{{"--red", dir.file("U 4-0-9.RED")}, "needs a U sign (--urow)"},
             Case{{"--red", dir.file("U 4-0-9.RED"), "--urow", "1X2"}, "has 3 characters"},
             Case{{"--red", dir.file("U 4-0-9.RED"), "--urow", "---------QXXX"}, "'Q' is not one of"},
             Case{{"--red", dir.file("U 4-0-9.RED"), "--urow", "1--------XXXX"}, "match 1 cannot take"},
             Case{{"--red", dir.file("R 4-0-9.RED"), "--urow", "---------XXXX"}, "not a U-system"},
             Case{{"--red", dir.file("R 4-0-9.RED"), "--math", "1"}, "needs two or three signs"},
             Case{{"--red", dir.file("R 4-0-9.RED"), "--math", "14"}, "matches 1 to 13"},
         }) {
        std::vector<std::string> args = {"apply-system", dir.file("s.1x2"), "-o", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = RunProcess(VINRA_CLI, args, Home(dir));
        EXPECT_EQ(r.exitCode, 1) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.says;
    }
}
