#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/system_document.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

TEST(CliInfo, FileWrittenByTheProgram) {
    TempDir dir;
    vinra::core::TVinraFile d;
    d.NewSystem(13, true);
    d.Omg = "2009-28";
    d.Typ = "S";
    d.Grundrad[0] = "0";
    d.Grundrad[1] = "02";
    d.Rader = {"0000000000000", "0200000000000"};
    d.SaveToFile(dir.path() / "s.1x2");
    auto r = RunProcess(VINRA_CLI, {"info", dir.file("s.1x2"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\"matches\":13,\"rows\":2,\"math_rows\":354294,\"frame\":[\"0\",\"02\",\"012\",\"012\",\"012\",\"012\","
        "\"012\",\"012\",\"012\",\"012\",\"012\",\"012\",\"012\"],\"round\":\"2009-28\",\"draw\":0,\"pool\":\"S\","
        "\"system_type\":\"E\",\"flags\":189}\n");
}

TEST(CliInfo, HandMadeOldLayoutFile) {
    TempDir dir;
    WriteBytes(dir.path() / "old.1x2",
               "[Info]\r\nOmg=2004-33\r\nOmgID=17\r\nTyp=I\r\nSystemTyp=R\r\nVersion=5.10\r\n"
               "[Villkor]\r\nUseMaxMin=0\r\nUseRadDiff=1\r\n"
               "[Rader]\r\nRad1=01\r\nRad2=22\r\nRad3=10\r\n"
               "[Grundrad]\r\nRad0=01\r\nRad1=2\r\nRad2=0 1\r\n");
    auto r = RunProcess(VINRA_CLI, {"info", dir.file("old.1x2"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["matches"], 3);
    EXPECT_EQ(j["rows"], 2);
    EXPECT_EQ(j["math_rows"], 4);
    EXPECT_EQ(j["frame"], nlohmann::json::array({"01", "2", "0 1"}));
    EXPECT_EQ(j["round"], "2004-33");
    EXPECT_EQ(j["draw"], 17);
    EXPECT_EQ(j["pool"], "I");
    EXPECT_EQ(j["system_type"], "R");
    EXPECT_EQ(j["flags"], 0b00111110);
}

TEST(CliInfo, ErrorsNameTheFile) {
    TempDir dir;
    WriteBytes(dir.path() / "bad.1x2",
               "[Info]\r\nVersion=7.51\r\n[Rader]\r\nRad1=01\r\nRad2=0\r\n[Grundrad]\r\nRad0=0\r\nRad1=0\r\n");
    for (const auto& file : {dir.file("missing.1x2"), dir.file("bad.1x2")}) {
        auto r = RunProcess(VINRA_CLI, {"info", file, "--json"});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_NE(RunProcess(VINRA_CLI, {"info"}).exitCode, 0);
}
