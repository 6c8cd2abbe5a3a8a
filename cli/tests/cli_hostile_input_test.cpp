// Hostile files given to `vinra`: control characters that would drive the
// terminal, and a small file whose result would take gigabytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/system_document.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

using vinra::testing::RunProcess;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

// Control bytes other than line feed and tab, and UTF-8 C1 controls.
bool HasRawControl(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(s[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

TEST(CliHostileInput, ControlCharactersFromAFileAreShownEscaped) {
    TempDir dir;
    // A pool name that would clear the screen and ring the bell; a country with
    // the one-byte control sequence introducer U+009B; a round with DEL.
    WriteBytes(dir.path() / "s.1x2",
               "[Info]\r\nOmg=2009-28\x7f\r\nTyp=S\r\nPool=Stryk\x1b[2J\x07tipset\r\nCountry=Sverige\xC2\x9b"
               "31m\r\n"
               "[Rader]\r\nRad1=01\r\n[Grundrad]\r\nRad0=0\r\nRad1=01\r\n");
    auto r = RunProcess(VINRA_CLI, {"info", dir.file("s.1x2")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(HasRawControl(r.out)) << r.out;
    EXPECT_NE(r.out.find("Stryk\\x1b[2J\\x07tipset"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Sverige\\u009b31m"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2009-28\\x7f"), std::string::npos) << r.out;
    // Letters outside ASCII are left as they are.
    WriteBytes(dir.path() / "t.1x2", "[Info]\r\nPool=\xC2\xA9 V\xC3\xA4xj\xC3\xB6\r\n[Grundrad]\r\nRad0=0\r\n");
    r = RunProcess(VINRA_CLI, {"info", dir.file("t.1x2")});
    EXPECT_NE(r.out.find("\xC2\xA9 V\xC3\xA4xj\xC3\xB6"), std::string::npos) << r.out;

    // The JSON output escapes them by its own rules.
    r = RunProcess(VINRA_CLI, {"info", dir.file("s.1x2"), "--json"});
    EXPECT_FALSE(HasRawControl(r.out)) << r.out;
}

TEST(CliHostileInput, ErrorMessagesEscapeTheNamesTheyQuote) {
    TempDir dir;
    const std::string name = dir.file("a\x1b]0;owned\x07.1x2");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", name},
          std::vector<std::string>{"generate", name, "-o", dir.file("o.1x2"), "--method", "all\x1b[5m"}}) {
        auto r = RunProcess(VINRA_CLI, args);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_FALSE(HasRawControl(r.err)) << r.err;
        EXPECT_FALSE(HasRawControl(r.out)) << r.out;
        EXPECT_NE((r.err + r.out).find("\\x1b"), std::string::npos) << r.err << r.out;
    }
}

TEST(CliHostileInput, ASmallFileWhoseResultWouldNotFitIsRefusedNamingItsRows) {
    TempDir dir;
    // Sixteen fully guarded matches and no condition: a file of a few kilobytes.
    vinra::core::TVinraFile d;
    d.NewSystem(16, true);
    d.UseFlags.FromInteger(0, 8);
    d.SaveToFile(dir.path() / "huge.1x2");
    ASSERT_LT(std::filesystem::file_size(dir.path() / "huge.1x2"), 4000u);
    auto r = RunProcess(VINRA_CLI, {"generate", dir.file("huge.1x2"), "-o", dir.file("o.1x2")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("43 046 721 rows"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "o.1x2"));
}

}  // namespace
