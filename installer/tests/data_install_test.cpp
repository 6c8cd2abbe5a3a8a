#include "installer/data_install.h"

#include <gtest/gtest.h>

#include <map>

#include "checking/tips_data.h"
#include "core/ini.h"
#include "tests/temp_dir.h"

namespace fs = std::filesystem;
using vinra::core::IniFile;
using namespace vinra::installer;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;

namespace {

void Put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    vinra::testing::WriteBytes(p, bytes);
}

// A small National.Ini in the shape of the shipped one.
std::string National(const std::string& poolExtra, const std::string& links) {
    return "[Countries]\r\n0=Svenska Spel\r\n"
           "[Pools]\r\nS=Svenska Spel\r\n"
           "[Svenska Spel]\r\nS=Stryktipset\r\n" +
           links + "[Stryktipset]\r\ndbID=S\r\nImg=Images/logo.png\r\n" + poolExtra;
}
const std::string kLinksV1 =
    "MENU0=Home\r\nURL0=https://a.example.invalid/\r\nMENU1=Results\r\nURL1=https://b.example.invalid/\r\n";
const std::string kPoolV1 =
    "CouponColumns=12\r\nPricePerRow=100\r\nPrintChar=X\r\n"
    "CB0=Box A|10,0|20,0|1\r\nCB1=Box B|11,0|21,0|0\r\nCB2=Box C|12,0|22,0|1\r\n";

struct Shipped {
    TempDir dir;
    Shipped() {
        Put(dir.path() / "National.Ini", National(kPoolV1, kLinksV1));
        Put(dir.path() / "update.ini",
            "[Update]\r\nIniVersion=700\r\n[Service]\r\nHost=http://127.0.0.1:8080\r\n[S]\r\nName=Stryktipset\r\n");
        Put(dir.path() / "activepools.ini", "[Info]\r\nFileOK=1\r\nPools=S\r\n");
        Put(dir.path() / "pictures" / "logo.png", "\x89PNG new");
        Put(dir.path() / "sounds" / "good.wav", "RIFF good");
        Put(dir.path() / "systems" / "Svenska Spel" / "R 1-0-1.RED", "0\r\n");
        Put(dir.path() / "templates" / "0.exp", "[Default]\r\nRowdiff=1\r\n");
    }
    fs::path at(const std::string& rel) const { return dir.path() / rel; }
};

std::map<std::string, Action> Actions(const InstallReport& r) {
    std::map<std::string, Action> out;
    for (const auto& e : r.entries) out[e.target.generic_string()] = e.action;
    return out;
}

TEST(InstallDataFiles, FreshFolderGetsEveryFileInItsPlaceAndASecondRunChangesNothing) {
    Shipped src;
    TempDir home;
    const fs::path data = home.path() / "Program";

    InstallReport first = InstallDataFiles(src.dir.path(), data);
    ASSERT_TRUE(first.ok());
    const std::map<std::string, std::string> placed = {
        {"National.Ini", "National.Ini"},
        {"update.ini", "update.ini"},
        {"activepools.ini", "activepools.ini"},
        {"pictures/logo.png", "Images/logo.png"},
        {"sounds/good.wav", "Cache/Sounds/good.wav"},
        {"systems/Svenska Spel/R 1-0-1.RED", "SYSTEM/Svenska Spel/R 1-0-1.RED"},
        {"templates/0.exp", "Expertsystem/0.exp"},
    };
    auto actions = Actions(first);
    for (const auto& [from, to] : placed) {
        EXPECT_EQ(ReadBytes(data / to), ReadBytes(src.at(from))) << to;
        EXPECT_EQ(actions[to], Action::Installed) << to;
    }
    EXPECT_EQ(ReadBytes(data / "National.Ini.shipped"), ReadBytes(src.at("National.Ini")));

    // The database is created and is a real one.
    EXPECT_EQ(actions["DB/tipsdata.sqlite"], Action::Created);
    vinra::checking::TTipsData db;
    EXPECT_FALSE(db.Open(DatabaseFile(data)).created);
    db.Close();

    InstallReport second = InstallDataFiles(src.dir.path(), data);
    ASSERT_TRUE(second.ok());
    for (const auto& e : second.entries)
        EXPECT_TRUE(e.action == Action::Unchanged || e.action == Action::Kept)
            << e.target << " " << ActionName(e.action);
}

TEST(InstallDataFiles, LeavesTheUsersFilesAndOnlyAddsMissingServiceKeys) {
    Shipped src;
    TempDir home;
    const fs::path data = home.path() / "Program";
    const std::string settings = "[General]\r\nLanguage=0\r\nLastInstall=7.40\r\n";
    const std::string database = "not a database, but the user's file";
    const std::string pools = "[Info]\r\nFileOK=1\r\nPools=SI\r\n";
    Put(data / "RAVAROZ.INI", settings);
    Put(data / "DB" / "tipsdata.sqlite", database);
    Put(data / "activepools.ini", pools);
    Put(data / "update.ini", "[Update]\r\nIniVersion=701\r\n[S]\r\nName=Stryk\r\n");
    Put(data / "Images" / "logo.png", "\x89PNG old");

    InstallReport r = InstallDataFiles(src.dir.path(), data);
    ASSERT_TRUE(r.ok());
    auto actions = Actions(r);
    EXPECT_EQ(ReadBytes(data / "RAVAROZ.INI"), settings);
    EXPECT_EQ(ReadBytes(data / "DB" / "tipsdata.sqlite"), database);
    EXPECT_EQ(actions["DB/tipsdata.sqlite"], Action::Kept);
    EXPECT_EQ(ReadBytes(data / "activepools.ini"), pools);
    EXPECT_EQ(ReadBytes(data / "Images" / "logo.png"), "\x89PNG new");
    EXPECT_EQ(actions["Images/logo.png"], Action::Replaced);

    // update.ini may be fresher than ours (the web service's): its values stay.
    IniFile update = IniFile::FromFile(data / "update.ini");
    EXPECT_EQ(update.ReadString("Update", "IniVersion"), "701");
    EXPECT_EQ(update.ReadString("S", "Name"), "Stryk");
    EXPECT_EQ(update.ReadString("Service", "Host"), "http://127.0.0.1:8080");
    EXPECT_EQ(actions["update.ini"], Action::Merged);
}

TEST(InstallDataFiles, ATemplateThePlayerChangedIsKeptAnUntouchedOneFollowsTheNewVersion) {
    Shipped src;
    TempDir home;
    const fs::path data = home.path() / "Program";
    Put(src.at("templates/1.exp"), "[Default]\r\nRowdiff=2\r\n");
    ASSERT_TRUE(InstallDataFiles(src.dir.path(), data).ok());
    Put(data / "Expertsystem" / "0.exp", "[Default]\r\nRowdiff=4\r\n");  // saved from the editor

    // The next version ships both templates changed.
    Put(src.at("templates/0.exp"), "[Default]\r\nRowdiff=0\r\n");
    Put(src.at("templates/1.exp"), "[Default]\r\nRowdiff=3\r\n");
    const InstallReport r = InstallDataFiles(src.dir.path(), data);
    ASSERT_TRUE(r.ok());
    auto actions = Actions(r);
    EXPECT_EQ(ReadBytes(data / "Expertsystem" / "0.exp"), "[Default]\r\nRowdiff=4\r\n");
    EXPECT_EQ(actions["Expertsystem/0.exp"], Action::Kept);
    EXPECT_EQ(ReadBytes(data / "Expertsystem" / "1.exp"), "[Default]\r\nRowdiff=3\r\n");
    EXPECT_EQ(actions["Expertsystem/1.exp"], Action::Replaced);
    // A player's file found where no template was shipped before is his too.
    TempDir other;
    Put(other.path() / "Expertsystem" / "1.exp", "mine");
    ASSERT_TRUE(InstallDataFiles(src.dir.path(), other.path()).ok());
    EXPECT_EQ(ReadBytes(other.path() / "Expertsystem" / "1.exp"), "mine");
}

TEST(InstallDataFiles, NewNationalIniKeepsWhatTheUserChangedAndTakesTheRest) {
    Shipped src;
    TempDir home;
    const fs::path data = home.path() / "Program";
    ASSERT_TRUE(InstallDataFiles(src.dir.path(), data).ok());

    // The user's dialogs: a print character, a coupon length, two check boxes,
    // and a link list closed up to one entry.
    IniFile user = IniFile::FromFile(data / "National.Ini");
    user.WriteString("Stryktipset", "PrintChar", "O");
    user.WriteString("Stryktipset", "StartHojd", "40,5");
    user.DeleteKey("Stryktipset", "CB2");
    user.WriteString("Stryktipset", "CB1", "Mine|1,0|2,0|1");
    user.DeleteKey("Svenska Spel", "MENU1");
    user.DeleteKey("Svenska Spel", "URL1");
    user.WriteString("Svenska Spel", "MENU0", "My club");
    user.SaveToFile(data / "National.Ini");

    // The next version changes prices, the coupon columns and the links.
    Put(src.at("National.Ini"),
        National(
            "CouponColumns=8\r\nPricePerRow=150\r\nPrintChar=X\r\n"
            "CB0=Box A|10,0|20,0|1\r\nCB1=Box B|11,0|21,0|0\r\nCB2=Box C|12,0|22,0|1\r\n",
            "MENU0=Home 2\r\nURL0=https://c.example.invalid/\r\nMENU1=Results\r\nURL1=https://b.example.invalid/\r\n"));
    InstallReport r = InstallDataFiles(src.dir.path(), data);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(Actions(r)["National.Ini"], Action::Merged);

    IniFile now = IniFile::FromFile(data / "National.Ini");
    EXPECT_EQ(now.ReadString("Stryktipset", "PrintChar"), "O");
    EXPECT_EQ(now.ReadString("Stryktipset", "StartHojd"), "40,5");
    EXPECT_EQ(now.ReadString("Stryktipset", "CouponColumns"), "8");  // not changed by the user: the new value
    EXPECT_EQ(now.ReadString("Stryktipset", "PricePerRow"), "150");
    EXPECT_EQ(now.ReadString("Stryktipset", "CB0"), "Box A|10,0|20,0|1");
    EXPECT_EQ(now.ReadString("Stryktipset", "CB1"), "Mine|1,0|2,0|1");
    EXPECT_FALSE(now.HasKey("Stryktipset", "CB2"));
    EXPECT_EQ(now.ReadString("Svenska Spel", "MENU0"), "My club");
    EXPECT_EQ(now.ReadString("Svenska Spel", "URL0"), "https://a.example.invalid/");
    EXPECT_FALSE(now.HasKey("Svenska Spel", "MENU1"));
    EXPECT_FALSE(now.HasKey("Svenska Spel", "URL1"));
    // The reference copy follows the shipped file, so the user's values stay theirs next time too.
    EXPECT_EQ(ReadBytes(data / "National.Ini.shipped"), ReadBytes(src.at("National.Ini")));
    EXPECT_EQ(Actions(InstallDataFiles(src.dir.path(), data))["National.Ini"], Action::Unchanged);
}

TEST(MergeNationalIni, WithoutAReferenceCopyEveryValueTheUserHoldsDiffersOrIsDropped) {
    const IniFile shipped = IniFile::FromText(National(kPoolV1, kLinksV1));
    // Same links and print character as shipped, another coupon width, a key
    // the program does not write, and a pool that no longer exists.
    const IniFile user =
        IniFile::FromText(National("CouponColumns=10\r\nPricePerRow=90\r\nPrintChar=X\r\nFoo=1\r\n", kLinksV1) +
                          "[Old pool]\r\ndbID=Q\r\n");
    MergeResult m = MergeNationalIni(shipped, user, nullptr);
    EXPECT_EQ(m.carried, (std::vector<std::string>{"Stryktipset/CouponColumns"}));
    EXPECT_EQ(m.ini.ReadString("Stryktipset", "CouponColumns"), "10");
    EXPECT_EQ(m.ini.ReadString("Stryktipset", "PricePerRow"), "100");  // program data, not a user setting
    EXPECT_FALSE(m.ini.HasKey("Stryktipset", "Foo"));
    EXPECT_FALSE(m.ini.HasSection("Old pool"));
    EXPECT_EQ(m.ini.ReadString("Stryktipset", "CB2"), "Box C|12,0|22,0|1");  // the user has no boxes: ours
    EXPECT_EQ(m.ini.ReadString("Svenska Spel", "MENU1"), "Results");
}

TEST(MergeNationalIni, ValuesTheUserLeftAsShippedFollowTheNewVersion) {
    const IniFile previous = IniFile::FromText(National(kPoolV1, kLinksV1));
    const IniFile shipped = IniFile::FromText(National("CouponColumns=8\r\nPrintChar=*\r\nCB0=Only box|1,0|1,0|1\r\n",
                                                       "MENU0=New\r\nURL0=https://n.example.invalid/\r\n"));
    MergeResult m = MergeNationalIni(shipped, previous, &previous);
    EXPECT_TRUE(m.carried.empty());
    EXPECT_EQ(m.ini.ToText(), shipped.ToText());
}

TEST(InstallDataFiles, AFailureIsReportedAndTheOtherFilesAreStillInstalled) {
    Shipped src;
    TempDir home;
    const fs::path data = home.path() / "Program";
    Put(data / "Images", "a file where the pictures folder belongs");
    fs::remove(src.at("National.Ini"));

    InstallReport r = InstallDataFiles(src.dir.path(), data);
    EXPECT_FALSE(r.ok());
    auto actions = Actions(r);
    EXPECT_EQ(actions["National.Ini"], Action::Failed);
    EXPECT_EQ(actions["Images/logo.png"], Action::Failed);
    EXPECT_EQ(actions["Cache/Sounds/good.wav"], Action::Installed);
    EXPECT_EQ(actions["update.ini"], Action::Installed);
    EXPECT_FALSE(fs::exists(data / "National.Ini.shipped"));

    // A data folder that cannot be made is one failure, nothing else.
    InstallReport none = InstallDataFiles(src.dir.path(), data / "Images" / "Program");
    ASSERT_EQ(none.entries.size(), 1u);
    EXPECT_EQ(none.entries[0].action, Action::Failed);
}

TEST(FirstStartRules, InstallWhenAnotherVersionRanOrNationalIniOrTheDatabaseIsMissing) {
    TempDir home;
    const fs::path data = home.path();
    EXPECT_TRUE(InstallationDue("7.51", data));  // no National.Ini yet
    Put(data / "National.Ini", "[Countries]\r\n");
    EXPECT_FALSE(InstallationDue("7.51", data));
    EXPECT_TRUE(InstallationDue("", data));
    EXPECT_TRUE(InstallationDue("7.50", data));

    // The database, not the old data packets, is what the exit rule looks for.
    Put(data / "DB" / "matcher.xml", "<DATAPACKET/>");
    EXPECT_TRUE(DatabaseMissing(data));
    Put(DatabaseFile(data), "");
    EXPECT_FALSE(DatabaseMissing(data));
}

}  // namespace
