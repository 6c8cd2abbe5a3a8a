#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/system_document.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

vinra::core::TVinraFile System(int n, std::vector<std::string> frame, std::vector<std::string> rows) {
    vinra::core::TVinraFile d;
    d.NewSystem(n, true);
    d.Grundrad = std::move(frame);
    d.Rader = std::move(rows);
    return d;
}

}  // namespace

TEST(CliWarranty, JsonAndOutputFile) {
    TempDir dir;
    // Four 3-way matches; a no-combination drops the outcomes starting 22.
    auto d = System(4, {"012", "012", "012", "012"}, {"0000"});
    d.UseFlags.FromInteger(1u << vinra::core::UseNejKomb, 8);
    d.Nej = {"22"};
    d.SaveToFile(dir.path() / "s.1x2");

    auto r = RunProcess(VINRA_CLI, {"warranty", dir.file("s.1x2"), "--json", "-o", dir.file("out.1x2")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // 81 outcomes minus those containing "22" anywhere: 0000 differs from an
    // outcome in as many places as the outcome has non-home signs.
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["total"], 60);
    ASSERT_EQ(j["classes"].size(), 5u);
    EXPECT_EQ(j["classes"][0], nlohmann::json({{"key", "01-0-0-0"}, {"count", 1}}));
    EXPECT_EQ(j["classes"][1], nlohmann::json({{"key", "0-01-0-0"}, {"count", 8}}));
    int64_t sum = 0;
    for (const auto& c : j["classes"]) sum += c["count"].get<int64_t>();
    EXPECT_EQ(sum, 60);
    ASSERT_FALSE(j["lines"].empty());
    EXPECT_EQ(j["lines"][0], "1,67 % chance of at least 1 row(s) with 4 right.");

    vinra::core::TVinraFile back;
    back.LoadFromFile(dir.path() / "out.1x2");
    EXPECT_EQ(back.AntalRader, 60);
    EXPECT_EQ(back.AntalGarantiRader, 5);
    EXPECT_EQ(back.GarRad[0], "01-0-0-0");
    EXPECT_EQ(back.GarAnt[1], "8");
    EXPECT_EQ(back.Gar, j["lines"].get<std::vector<std::string>>());
    EXPECT_EQ(back.Rader, d.Rader);
}

TEST(CliWarranty, ClearErrorsOnBadInput) {
    TempDir dir;
    System(2, {"012", "012"}, {"00"}).SaveToFile(dir.path() / "two.1x2");
    WriteBytes(dir.path() / "noframe.1x2", "[Info]\r\nVersion=7.51\r\n");
    System(3, {"012", "012", "012"}, {"000"}).SaveToFile(dir.path() / "ok.1x2");
    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {dir.file("two.1x2"), "at least 3 matches"},
        {dir.file("noframe.1x2"), "no frame"},
        {dir.file("missing.1x2"), "missing.1x2"},
    };
    for (const auto& c : cases) {
        auto r = RunProcess(VINRA_CLI, {"warranty", c.file, "--json"});
        EXPECT_EQ(r.exitCode, 1) << c.file;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // No -o given: nothing written; a valid file works without --json too.
    auto r = RunProcess(VINRA_CLI, {"warranty", dir.file("ok.1x2")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 25), "3\t2\t1\t0\tChans\tPercent\n0\t0");
}

// Ctrl+C during a long run: the command stops, says so, and writes nothing.
TEST(CliWarranty, InterruptWritesNothing) {
    TempDir dir;
    // 16 three-way matches: 43 million outcomes take far longer than the wait below.
    System(16, std::vector<std::string>(16, "012"), {"0000000000000000", "1111111111111111"})
        .SaveToFile(dir.path() / "big.1x2");
    const std::string out = dir.file("out.1x2"), log = dir.file("stderr.txt");
    std::vector<std::string> args{VINRA_CLI, "warranty", dir.file("big.1x2"), "--json", "-o", out};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, VINRA_CLI, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(vinra::testing::ReadBytes(log), "vinra: Warranty calculation interrupted! Nothing was written.\n");
}
