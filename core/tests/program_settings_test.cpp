#include <gtest/gtest.h>

#include "core/program_settings.h"
#include "core/text.h"
#include "tests/temp_dir.h"

using namespace vinra::core;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {
const char* kNational =
    "[Countries]\r\nC0=Svenska Spel\r\nC1=Veikkaus\r\n"
    "[Svenska "
    "Spel]\r\nS=Stryktipset\r\nMENU0=Hem\r\nURL0=https://a.example\r\nMENU1=Resultat\r\nURL1=https://b.example\r\n"
    "MENU2=Utan adress\r\nURL2=\r\nMENU3=Bortom\r\nURL3=https://c.example\r\n"
    "[Stryktipset]\r\nPrintChar=X\r\n";
}

TEST(ProgramSettings, EverySettingRoundTripsThroughItsFile) {
    TempDir dir;
    const auto ravPath = dir.path() / "RAVAROZ.INI";
    const auto natPath = dir.path() / "National.Ini";
    WriteBytes(natPath, kNational);
    const SettingsPlace place{"Svenska Spel", "Stryktipset"};

    // A missing file: the dialog's defaults (LastSaved ticked here).
    Settings process;
    NationalIni national = NationalIni::FromFile(natPath);
    ProgramSettingsValues v = LoadProgramSettings(IniFile(), process, national, place);
    EXPECT_TRUE(v.lastSaved);
    EXPECT_TRUE(v.toolTip);
    EXPECT_FALSE(v.useXWhenPrinting);
    EXPECT_EQ(v.printChar, "X");
    ASSERT_EQ(v.showPool.size(), 2u);

    // Every value flipped from its default, with line breaks where a field could take them.
    v.toolTip = false;
    v.fillAll = false;
    v.printUpperCase = false;
    v.lastSaved = false;
    v.closeProgram = false;
    v.useXWhenPrinting = true;
    v.warnings = false;
    v.guideOnNewFile = false;
    v.apiKey = " key-123\r\n[General]";
    v.printChar = "ØZ";
    v.findTeams = 1;
    v.proxy = {true, "proxy.local", "3128"};
    v.showPool = {{"Svenska Spel", false}, {"Veikkaus", true}};
    IniFile rav;
    IniFile nat = national.ini();
    StoreProgramSettings(v, rav, nat, place, process);
    rav.SaveToFile(ravPath);
    nat.SaveToFile(natPath);
    EXPECT_FALSE(process.fillAll);
    EXPECT_TRUE(process.proxy.use);

    // No typed line break starts a line of its own in the file.
    EXPECT_EQ(ReadBytes(ravPath).find("\r\n[General]\r\n", 10), std::string::npos);

    const IniFile ravBack = IniFile::FromFile(ravPath);
    Settings fresh = SettingsFile(ravPath).Load();
    const ProgramSettingsValues back = LoadProgramSettings(ravBack, fresh, NationalIni::FromFile(natPath), place);
    struct Case {
        const char* name;
        bool got, want;
    };
    const Case cases[] = {
        {"ToolTip", back.toolTip, false},
        {"Fillall", back.fillAll, false},
        {"PrintUpperCase", back.printUpperCase, false},
        {"LastSaved", back.lastSaved, false},
        {"Closeprogram", back.closeProgram, false},
        {"UseXWhenPrinting", back.useXWhenPrinting, true},
        {"Warnings", back.warnings, false},
        {"GuideOnNewFile", back.guideOnNewFile, false},
        {"UseProxy", back.proxy.use, true},
        {"ShowPool SS", back.showPool[0].second, false},
        {"ShowPool V", back.showPool[1].second, true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
    EXPECT_EQ(back.apiKey, "key-123 [General]");
    EXPECT_EQ(back.printChar, "Ø");
    EXPECT_EQ(back.findTeams, 1);
    EXPECT_EQ(back.proxy.host, "proxy.local");
    EXPECT_EQ(back.proxy.port, "3128");

    // Switching the proxy off stores empty host and port.
    ProgramSettingsValues off = back;
    off.proxy = {};
    StoreProgramSettings(off, rav, nat, place, process);
    EXPECT_FALSE(rav.ReadBool("URL", "UseProxy", true));
    EXPECT_EQ(rav.ReadString("URL", "Server", "?"), "");
}

TEST(ProgramSettings, LinksAreReadToTheFirstGapAndStoredClosedUp) {
    NationalIni national(IniFile::FromText(kNational));
    auto links = ReadDialogLinks(national, "Svenska Spel");
    // The link without an address ends the list; the one after it is not shown.
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[1].caption, "Resultat");

    std::vector<OperatorLink> grid = {
        {"&Hem", "https://a.example"}, {"", "https://dropped.example"}, {"R&&esultat&", "https://b.example"}, {"", ""}};
    auto stored = CloseUpLinks(grid);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].caption, "Resultat");

    IniFile nat = national.ini();
    WriteLinks(nat, "Svenska Spel", stored);
    EXPECT_EQ(nat.ReadString("Svenska Spel", "MENU0"), "Hem");
    EXPECT_EQ(nat.ReadString("Svenska Spel", "URL1"), "https://b.example");
    // Removed links do not come back: the old keys 2 and 3 are gone.
    for (const char* k : {"MENU2", "URL2", "MENU3", "URL3"}) EXPECT_FALSE(nat.HasKey("Svenska Spel", k)) << k;
    EXPECT_EQ(nat.ReadString("Svenska Spel", "S"), "Stryktipset");
    EXPECT_EQ(ReadDialogLinks(NationalIni(nat), "Svenska Spel").size(), 2u);
}

TEST(ProgramSettings, SoundsFallBackToTheSixDefaults) {
    auto five =
        IniFile::FromText("[Sounds]\nGoalUp=a.wav\nGoalDown=b.wav\nGoalSame=c.wav\nGoalAll=d.wav\nGameEnd=e.wav\n");
    SoundEvents ev = ReadSoundEvents(five);
    EXPECT_EQ(ev, DefaultSoundEvents());
    WriteSoundEvents(five, ev);
    EXPECT_EQ(five.Keys("Sounds").size(), 6u);
    EXPECT_EQ(five.ReadString("Sounds", "GoalUp"), "good.wav");

    ev[0].second = "/home/p/goal.wav";
    WriteSoundEvents(five, ev);
    EXPECT_EQ(ReadSoundEvents(five)[0].second, "/home/p/goal.wav");
    EXPECT_EQ(SoundFilePath("good.wav", "/data"), std::filesystem::path("/data/Cache/Sounds/good.wav"));
    EXPECT_EQ(SoundFilePath("C:\\x\\y.wav", "/data"), std::filesystem::path("C:/x/y.wav"));
    EXPECT_EQ(SoundFilePath("/home/p/goal.wav", "/data"), std::filesystem::path("/home/p/goal.wav"));
}
