#include <gtest/gtest.h>

#include <filesystem>

#include "core/ini.h"
#include "tests/tiny_http_server.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::ReadBytes;
using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::TinyServer;
using vinra::testing::WriteBytes;

namespace {

namespace fs = std::filesystem;

std::vector<std::pair<std::string, std::string>> Home(const TempDir& dir) {
    return {{"VINRA_HOME", dir.path().string()}, {"http_proxy", ""}, {"HTTP_PROXY", ""}};
}

TEST(CliUpdate, ChecksTheServiceAndRefreshesTheClubFiles) {
    TinyServer svc(TinyServer::Files{
        {"/vinra2000/ini/update.ini", "[Update]\r\nIniVersion=701\r\nPgmVersion=9.0\r\nVarning=Read this\r\n"},
        {"/vinra2000/ini/teamstat.ini", "[Update]\r\nFileOK=1\r\n[Alias]\r\nSpurs=Tottenham\r\n"},
        {"/vinra2000/ini/teamlogo.ini", "[Update]\r\nFileOK=1\r\n[Images]\r\n"},
    });
    TempDir dir;
    const fs::path data = dir.path() / "Program";
    fs::create_directories(data);
    WriteBytes(data / "update.ini", "[Update]\r\nIniVersion=700\r\n[Service]\r\nHost=" + svc.Host() + "\r\n");
    WriteBytes(data / "teamstat.ini", "[Update]\r\nFileOK=1\r\n[Alias]\r\nMine=My Club\r\n");

    auto r = RunProcess(VINRA_CLI, {"update-check"}, Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("(9.0)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Read this"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("teamstat.ini: refreshed"), std::string::npos) << r.out;
    const auto teamstat = vinra::core::IniFile::FromFile(data / "teamstat.ini");
    EXPECT_EQ(teamstat.ReadString("Alias", "Spurs"), "Tottenham");
    EXPECT_EQ(teamstat.ReadString("Alias", "Mine"), "My Club");

    // fetch: a good reply replaces the file, a 404 leaves it.
    r = RunProcess(VINRA_CLI, {"fetch", svc.Host() + "/vinra2000/ini/teamlogo.ini", "-o", dir.file("logo.ini")},
                   Home(dir));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / "logo.ini"), "[Update]\r\nFileOK=1\r\n[Images]\r\n");
    r = RunProcess(VINRA_CLI, {"fetch", svc.Host() + "/nothing", "-o", dir.file("logo.ini")}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("404"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / "logo.ini"), "[Update]\r\nFileOK=1\r\n[Images]\r\n");
}

TEST(CliUpdate, AnUnreachableServiceKeepsUpdateIniAndFails) {
    TempDir dir;
    const fs::path data = dir.path() / "Program";
    fs::create_directories(data);
    // A port that was free a moment ago: nothing answers there.
    int port;
    {
        TinyServer tmp(TinyServer::Files{});
        port = std::stoi(tmp.Host().substr(tmp.Host().rfind(':') + 1));
    }
    const std::string ini =
        "[Update]\r\nIniVersion=700\r\n[Service]\r\nHost=http://127.0.0.1:" + std::to_string(port) + "\r\n";
    WriteBytes(data / "update.ini", ini);
    auto r = RunProcess(VINRA_CLI, {"update-check"}, Home(dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("update.ini kept"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(data / "update.ini"), ini);
}

}  // namespace
