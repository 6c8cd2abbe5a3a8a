// The data files as shipped in resources/, and the installer program run on them.
#include <gtest/gtest.h>

#include <set>

#include "core/ini.h"
#include "core/pools.h"
#include "core/text.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"

namespace fs = std::filesystem;
using namespace vinra::core;
using vinra::testing::ReadBytes;
using vinra::testing::RunProcess;
using vinra::testing::TempDir;

namespace {

const fs::path kRes = fs::path(VINRA_SOURCE_DIR) / "resources";

bool IsNorwegian(char code) { return std::string("ABCDEF").find(code) != std::string::npos; }

TEST(ShippedData, NationalIniOffersEveryPoolUnderItsOperator) {
    const NationalIni national = NationalIni::FromFile(kRes / "National.Ini");
    EXPECT_EQ(national.Operators(),
              (std::vector<std::string>{"Svenska Spel", "Norsk Tipping", "Dansk Tipstjeneste", "Veikkaus", "Unibet"}));
    for (const auto& op : national.Operators()) {
        const auto links = national.Links(op);
        ASSERT_FALSE(links.empty()) << op;
        for (const auto& l : links) EXPECT_EQ(l.url.rfind("https://", 0), 0u) << op << " " << l.url;
    }
    for (const PoolInfo& pool : BuiltinPools()) {
        const std::string code(1, pool.code);
        SCOPED_TRACE(code);
        EXPECT_EQ(national.OperatorOfPool(code), pool.country);
        EXPECT_EQ(national.PoolName(pool.country, code), pool.name);
        const PoolSettings s = national.SettingsOfCode(code);
        EXPECT_EQ(s.dbId, code);
        const DisplaySigns expected =
            IsNorwegian(pool.code) ? DisplaySigns{"H", "U", "B"} : DisplaySigns{"1", "X", "2"};
        EXPECT_EQ(s.signs.home, expected.home);
        EXPECT_EQ(s.signs.draw, expected.draw);
        EXPECT_EQ(s.signs.away, expected.away);
        EXPECT_EQ(s.pauseTipping, code == "A" || code == "C" || code == "E");
        EXPECT_GE(s.couponColumns, 1);
        EXPECT_LE(s.couponColumns, 16);
        EXPECT_GT(s.pricePerRow, 0);
        EXPECT_EQ(s.printChar, "X");
        // Pictures are shipped in pictures/ and installed into Images/.
        ASSERT_EQ(s.img.rfind("Images/", 0), 0u) << s.img;
        EXPECT_TRUE(fs::is_regular_file(kRes / "pictures" / s.img.substr(7))) << s.img;
        // Every key is written out, so the pool does not live on defaults.
        for (const char* key : {"Img", "CouponColumns", "dbID", "Home", "Draw", "Away", "PauseTipping", "XML",
                                "PricePerRow", "PrintChar"})
            EXPECT_TRUE(national.ini().HasKey(pool.name, key)) << key;
    }
}

TEST(ShippedData, IniFilesAreWindows1252WithCrLf) {
    for (const char* name : {"National.Ini", "update.ini", "activepools.ini"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadBytes(kRes / name);
        ASSERT_FALSE(bytes.empty());
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
            }
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at " << i;
            }
        }
        EXPECT_FALSE(IsUtf8WithNonAscii(bytes));
        EXPECT_FALSE(HasUtf8Bom(bytes));
    }
    // The Norwegian pool names carry the Windows-1252 letter, not UTF-8.
    EXPECT_NE(ReadBytes(kRes / "National.Ini").find("[Tipping L\xF8rdag]"), std::string::npos);
}

TEST(ShippedData, UpdateIniAndTheActivePoolsSampleMatchThePools) {
    const NationalIni national = NationalIni::FromFile(kRes / "National.Ini");
    const IniFile update = IniFile::FromFile(kRes / "update.ini");
    EXPECT_EQ(update.ReadString("Service", "Host"), "http://127.0.0.1:8080");
    for (const char* key : {"PgmVersion", "PgmUrl", "IniVersion", "IniUrl", "TeamLogo"})
        EXPECT_FALSE(update.ReadString("Update", key).empty()) << key;
    for (const PoolInfo& pool : BuiltinPools())
        EXPECT_EQ(update.ReadString(std::string(1, pool.code), "Name"), pool.name) << pool.code;

    const IniFile active = IniFile::FromFile(kRes / "activepools.ini");
    EXPECT_EQ(active.ReadInteger("Info", "FileOK", 0), 1);
    const std::string codes = active.ReadString("Info", "Pools");
    ASSERT_FALSE(codes.empty());
    for (char c : codes) {
        const std::string code(1, c), section = active.ReadString("Info", code);
        SCOPED_TRACE(code);
        ASSERT_TRUE(active.HasSection(section));
        EXPECT_EQ(active.ReadString(section, "C"), national.OperatorOfPool(code));
        EXPECT_EQ(active.ReadString(section, "N"), national.PoolName(national.OperatorOfPool(code), code));
        const int64_t n = active.ReadInteger(section, "NumGames", 0);
        EXPECT_TRUE(n >= 1 && n <= 30);
        EXPECT_GT(active.ReadInteger(section, "XMLOmgang", -1), 0);
    }
}

TEST(ShippedData, SoundsAndProgramLogoArePresentAndSmall) {
    for (const char* name : {"good.wav", "bad.wav", "same.wav", "all.wav", "comment.wav", "end.wav"}) {
        const std::string bytes = ReadBytes(kRes / "sounds" / name);
        ASSERT_GT(bytes.size(), 44u) << name;
        EXPECT_EQ(bytes.substr(0, 4), "RIFF") << name;
        EXPECT_EQ(bytes.substr(8, 4), "WAVE") << name;
        EXPECT_LT(bytes.size(), 64u * 1024) << name;
    }
    const std::string logo = ReadBytes(kRes / "pictures" / "logo.png");
    EXPECT_EQ(logo.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_LT(logo.size(), 64u * 1024);
}

TEST(DataFilesProgram, SilentRunInstallsQuietlyAndReportsFailureByExitCode) {
    TempDir home;
    auto run = [&](std::vector<std::string> args, const fs::path& vinraHome) {
        return RunProcess(VINRA_DATAFILES_EXE, std::move(args), {{"VINRA_HOME", vinraHome.string()}});
    };

    auto silent = run({"/S"}, home.path());
    EXPECT_EQ(silent.exitCode, 0) << silent.err;
    EXPECT_EQ(silent.out, "");
    EXPECT_EQ(silent.err, "");
    const fs::path data = home.path() / "Program";
    EXPECT_EQ(ReadBytes(data / "National.Ini"), ReadBytes(kRes / "National.Ini"));
    EXPECT_EQ(ReadBytes(data / "Cache" / "Sounds" / "end.wav"), ReadBytes(kRes / "sounds" / "end.wav"));
    EXPECT_TRUE(fs::is_regular_file(data / "Images" / "logo.png"));
    EXPECT_TRUE(fs::is_regular_file(data / "DB" / "tipsdata.sqlite"));
    EXPECT_FALSE(fs::exists(data / "RAVAROZ.INI"));

    // Without /S it tells what it did.
    TempDir other;
    auto loud = run({}, other.path());
    EXPECT_EQ(loud.exitCode, 0) << loud.err;
    EXPECT_NE(loud.out.find("installed National.Ini"), std::string::npos) << loud.out;
    EXPECT_NE(loud.out.find("created   DB/tipsdata.sqlite"), std::string::npos) << loud.out;

    // A data folder that cannot be made: silent still means an error on stderr and exit 1.
    vinra::testing::WriteBytes(home.path() / "blocked", "a file");
    auto failed = run({"/S"}, home.path() / "blocked");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err, "");

    auto wrong = run({"/X"}, home.path());
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("/X"), std::string::npos);
}

}  // namespace
