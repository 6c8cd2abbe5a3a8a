#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::ReadBytes;
using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

class CliDb : public ::testing::Test {
protected:
    vinra::testing::ProcessResult db(std::vector<std::string> args) {
        args.insert(args.begin(), "db");
        return RunProcess(VINRA_CLI, args, {{"VINRA_HOME", home.path().string()}});
    }
    TempDir home;
};

TEST_F(CliDb, ImportsAndShowsRoundsOfTheDataFolder) {
    WriteBytes(home.path() / "g.txt", "200928;S;3921;1;Malmö FF;AIK\r\n200928;S;3921;2;Öster;GAIS\r\n");
    WriteBytes(home.path() / "r.txt",
               "200928;S;3921;1X21X21X21X21;12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n");
    auto r = db({"import", "games", home.file("g.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = db({"import", "results", home.file("r.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    r = db({"games", "S", "--round", "2009-28", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"pool\":\"S\",\"draw\":3921,\"round\":\"2009-28\",\"matches\":[{\"match\":1,\"home\":\"Malmö FF\","
              "\"away\":\"AIK\"},{\"match\":2,\"home\":\"Öster\",\"away\":\"GAIS\"}]}\n");

    r = db({"result", "S", "3921", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["row"], "1X21X21X21X21");
    EXPECT_EQ(j["slots"][0]["payout"], "1 500 000,00");
    EXPECT_EQ(j["slots"][1]["payout_hundredths"], 420050);
    EXPECT_EQ(j["slots"][3]["winners"], 25000);

    // Saving through the command line, then the export of that pool.
    r = db({"result", "S", "3922", "--row", "1x2", "--round", "2009-29", "--payouts", "1 234 567,89;1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = db({"export", "S"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(home.path() / "Program" / "SResultat.txt"),
              "200928;S;3921;1X21X21X21X21;12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n"
              "200929;S;3922;1X2;0;1234567,89;0;1,00;0;0,00;0;0,00\r\n");
}

TEST_F(CliDb, BadInputGivesOneClearLineAndAnExitCode) {
    WriteBytes(home.path() / "g.txt", "200928;S;3921;1;A;B\r\nnot a line\r\n");
    auto r = db({"import", "games", home.file("g.txt")});
    EXPECT_EQ(r.exitCode, 3);  // imported, but a line was skipped
    EXPECT_NE(r.err.find("skipped: 2"), std::string::npos) << r.err;

    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"import", "games", home.file("missing.txt")}, "missing.txt"},
        {{"result", "S", "1"}, "no result stored for pool S, draw 1"},
        {{"games", "S", "1"}, "no games stored"},
        {{"games", "S1", "1"}, "not a pool code"},
        {{"games", "S"}, "either a draw number or --round"},
        {{"result", "S", "5", "--row", "1X2", "--round", "2009-54"}, "not a round"},
        {{"result", "S", "5", "--row", "1X2", "--round", "2009-28", "--payouts", "1,2,3"}, "not an amount"},
        {{"result", "S", "5", "--row", "1X2"}, "needs --row and --round"},
    };
    for (const auto& c : cases) {
        auto res = db(c.args);
        EXPECT_EQ(res.exitCode, 1) << c.message;
        EXPECT_NE(res.err.find(c.message), std::string::npos) << res.err;
        EXPECT_EQ(std::count(res.err.begin(), res.err.end(), '\n'), 1) << res.err;
    }
}

}  // namespace
