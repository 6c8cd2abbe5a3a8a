#include <gtest/gtest.h>

#include <filesystem>

#include "core/system_document.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

using Env = std::vector<std::pair<std::string, std::string>>;

std::string Golden(const std::string& name) {
    return ReadBytes(fs::path(VINRA_SOURCE_DIR) / "output" / "tests" / "data" / name);
}

// The rows of the NTF fixtures: i*7919+12345 in base 3, twelve digits.
std::vector<std::string> Rows12(int count) {
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i) {
        long v = i * 7919L + 12345;
        std::string r(12, '0');
        for (int m = 11; m >= 0; --m, v /= 3) r[m] = static_cast<char>('0' + v % 3);
        rows.push_back(r);
    }
    return rows;
}

std::string SaveSystem(const TempDir& dir, const std::string& typ, const std::string& pool, int n,
                       const std::vector<std::string>& rows) {
    vinra::core::TVinraFile d;
    d.NewSystem(n, true);
    d.Typ = typ;
    d.Pool = pool;
    d.Rader = rows;
    const fs::path path = dir.path() / (typ + ".1x2");
    d.SaveToFile(path);
    return path.string();
}

const std::vector<std::string> kRows13 = {"0120021102210", "2222222222222", "0000000000001"};

TEST(CliExport, FormatByPoolOrChosen) {
    TempDir dir;
    const Env env = {{"VINRA_HOME", dir.file("home")}};
    const std::string s = SaveSystem(dir, "S", "Stryktipset", 13, kRows13);
    const struct {
        std::vector<std::string> extra;
        const char* golden;
    } cases[] = {{{}, "rf_stryktipset.txt"},
                 {{"--format", "auto"}, "rf_stryktipset.txt"},
                 {{"--format", "unibet"}, "rf_unibet.txt"}};
    for (const auto& c : cases) {
        const std::string out = dir.file("out.txt");
        std::vector<std::string> args = {"export", s, "-o", out};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto r = RunProcess(VINRA_CLI, args, env);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("3 rows"), std::string::npos) << r.out;
        EXPECT_EQ(ReadBytes(out), Golden(c.golden)) << c.golden;
    }
}

TEST(CliExport, NtfTakesThePcBetValuesOfTheSettingsFile) {
    TempDir dir;
    const Env env = {{"VINRA_HOME", dir.file("home")}};
    // No settings file: the defaults.
    const std::string c = SaveSystem(dir, "C", "Tipping L\xC3\xB8rdag", 12, {"000000000000"});
    auto r = RunProcess(VINRA_CLI, {"export", c, "-o", dir.file("c.ntf")}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / "c.ntf"), Golden("rf_ntf_default_C.ntf"));

    // The settings file of the data folder under VINRA_HOME.
    fs::create_directories(dir.path() / "home" / "Program");
    WriteBytes(dir.path() / "home" / "Program" / "RAVAROZ.INI",
               "[General]\r\nLanguage=30000\r\n[PCBET]\r\nName=\xC5"
               "by-lag 7\r\nCardNo=12343\r\nDraws=05\r\n"
               "Reciept=0\r\nPause=1\r\nFulltime=0\r\n");
    const std::string a = SaveSystem(dir, "A", "Tipping Midtuke", 12, Rows12(23));
    r = RunProcess(VINRA_CLI, {"export", a, "-o", dir.file("a.ntf"), "--format", "ntf"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / "a.ntf"), Golden("rf_ntf_23rows_A.ntf"));
}

TEST(CliExport, RefusalsNameTheFileAndCreateNothing) {
    TempDir dir;
    const Env env = {{"VINRA_HOME", dir.file("home")}};
    const struct {
        std::string file;
        std::vector<std::string> extra;
        const char* says;
    } cases[] = {
        {SaveSystem(dir, "V", "Vakioveikkaus", 13, kRows13), {}, "no row file"},
        {SaveSystem(dir, "E", "Tipping S\xC3\xB8ndag", 14, {"01201201201201"}), {}, "13 matches"},
        {SaveSystem(dir, "T", "SuperToto", 14, {"01201201201201"}), {"--format", "ntf"}, "13 matches"},
        {dir.file("missing.1x2"), {}, "missing.1x2"},
    };
    const std::string out = dir.file("out.txt");
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export", c.file, "-o", out};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto r = RunProcess(VINRA_CLI, args, env);
        EXPECT_EQ(r.exitCode, 1) << c.says;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
    const std::string s = SaveSystem(dir, "S", "Stryktipset", 13, kRows13);
    EXPECT_NE(RunProcess(VINRA_CLI, {"export", s, "-o", out, "--format", "xml"}, env).exitCode, 0);
    EXPECT_NE(RunProcess(VINRA_CLI, {"export", s}, env).exitCode, 0);
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
