#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <fstream>

#include "core/mail.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/temp_dir.h"

using namespace vinra::core;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

// Three matches, four rows: at match 3 three rows have "1" and one has "X".
TVinraFile SmallSystem() {
    TVinraFile d;
    d.MatchCount = 3;
    d.Grundrad = {"0", "0 2", "01"};
    d.Rader = {"000", "020", "000", "021"};
    d.Pool = "Stryktipset";
    d.Omg = "2009-28";
    d.SalvikLink = "https://live.example/s/42";
    d.UseFlags.FromInteger(0, 8);
    d.Max = {3, 2, 1};
    d.Ord = {2, 1, 1};
    d.Min = {0, 0, 0};
    d.Ja = {"0-0", "22-"};
    d.JaMin = {"1", "0"};
    d.JaMax = {"2", "1"};
    d.Nej = {"111"};
    d.URad = {"012"};
    d.UMin = {"0"};
    d.UMax = {"2"};
    d.Gar = {"11 rätt: 100%", "10 rätt: 95%"};
    return d;
}

MailContext Context() {
    MailContext c;
    c.teams = {{"AIK", "Hammarby"}, {"Malmö FF", "IFK Göteborg"}, {"Örebro", "Djurgården"}};
    return c;
}

}  // namespace

TEST(MailTemplate, ExpandsEveryPlaceholder) {
    SetCurrentLanguage(LangEnglish);
    TVinraFile d = SmallSystem();
    d.Comment = "Pay by Friday *row* *13* *GAME*";
    TVinraFile on = d;
    on.UseFlags.FromInteger((1u << UseMaxMin) | (1u << UseURad) | (1u << UseJaKomb) | (1u << UseNejKomb), 8);
    TVinraFile big = d;
    big.Rader.assign(1234567, "000");

    struct Case {
        const TVinraFile* doc;
        const char* templ;
        std::string expected;
    };
    const Case cases[] = {
        {&d, "*game* week *week*", "Stryktipset week 2009-28"},
        {&d, "*GAME*/*Week*/*ROWS* of *RowsTotal*", "Stryktipset/2009-28/4 of 4"},
        {&big, "*rows*", "1 234 567"},
        {&d, "a*13*b", "a\r\nb"},
        {&d, "*gslink*", "https://live.example/s/42"},
        // The comment is put in as written, never expanded again.
        {&d, "[*comment*]", "[Pay by Friday *row* *13* *GAME*]"},
        // Text outside Latin-1 and unknown or broken placeholders stay as they are.
        {&d, "Тираж ★ *week* *weeks* *gam", "Тираж ★ 2009-28 *weeks* *gam"},
        {&d, "*row*", "1. AIK - Hammarby\t1\r\n2. Malmö FF - IFK Göteborg\t1 2\r\n3. Örebro - Djurgården\t1X\r\n"},
        {&d, "*warranty*", "11 rätt: 100%\r\n10 rätt: 95%\r\n"},
        {&d, "*urows*|*yes*|*no*|*minmax*", "n/a\r\n|n/a\r\n|n/a\r\n|n/a\r\n"},
        {&on, "*urows*", "1X2: Min:0 Max:2\r\n"},
        {&on, "*yes*", "1-1: Min:1 Max:2\r\n22-: Min:0 Max:1\r\n"},
        {&on, "*no*", "XXX\r\n"},
        {&on, "*minmax*", "\t1\tX\t2\r\nMax:\t3\t2\t1\r\nin a row\t2\t1\t1\r\nMin:\t0\t0\t0\r\n"},
        {&d, "*%*", "Game\t1\tX\t2\r\n1\t100\t0\t0\r\n2\t50\t0\t50\r\n3\t75\t25\t0\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpandMailTemplate(c.templ, *c.doc, Context()), c.expected) << c.templ;
}

TEST(MailTemplate, DefaultSubjectAndPositionalFrameOfAPoolWithOtherSigns) {
    SetCurrentLanguage(LangEnglish);
    IniFile empty;
    MailProfile p = MailListForSending(empty, 0);
    EXPECT_EQ(ExpandMailTemplate(p.subject, SmallSystem(), Context()), "Stryktipset week 2009-28");
    EXPECT_NE(p.body.find("\r\n"), std::string::npos);
    EXPECT_EQ(p.body.find("*13*"), std::string::npos);

    MailContext norsk = Context();
    norsk.signs = {"H", "U", "B"};
    TVinraFile d = SmallSystem();
    d.Grundrad = {" 1 ", "0 2", ""};
    // A missing team name leaves " - "; only spaces are trimmed, the TAB stays.
    norsk.teams.resize(1);
    EXPECT_EQ(ExpandMailTemplate("*row*", d, norsk), "1. AIK - Hammarby\t U\r\n2.  - \tH B\r\n3.  - \t\r\n");
}

TEST(MailTemplate, PercentagesRoundHalvesToEven) {
    TVinraFile d;
    d.MatchCount = 2;
    // Eight rows: 1/8 = 12.5 -> 12, 3/8 = 37.5 -> 38, 4/8 = 50.
    d.Rader = {"00", "10", "10", "10", "20", "20", "20", "20"};
    auto p = SignPercentages(d);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0], (std::array<int, 3>{12, 38, 50}));
    EXPECT_EQ(p[1], (std::array<int, 3>{100, 0, 0}));
    d.Rader.clear();
    EXPECT_EQ(SignPercentages(d)[0], (std::array<int, 3>{0, 0, 0}));
}

TEST(MailLists, MenuStopsAtFirstRepeatedName) {
    SetCurrentLanguage(LangEnglish);
    EXPECT_EQ(MailMenuNames(IniFile()), std::vector<std::string>{"E-mail (sample)"});
    auto ini = IniFile::FromText("[Maillists]\nName0=Club\nName1=Friends\nName2=Friends\nName3=Later\n");
    EXPECT_EQ(MailMenuNames(ini), (std::vector<std::string>{"Club", "Friends"}));
    // With the keys missing after Name1, index 2 takes the sample name, then 3 repeats it.
    ini = IniFile::FromText("[Maillists]\nName0=Club\nName1=Friends\n");
    EXPECT_EQ(MailMenuNames(ini), (std::vector<std::string>{"Club", "Friends", "E-mail (sample)"}));
}

TEST(MailLists, RoundTripThroughTheFileKeepsLineBreaksAndText) {
    TempDir dir;
    std::vector<MailProfile> lists = {
        {"Klubben", "a@example.se; b@example.se", "*game* v. *week*\r\nsecond line", "Hej!\r\n\r\n*row*\nSlut", 3},
        {"Ystävät", "c@example.fi", "Æble & ø", "Rivi 1\r\nRivi 2 – €", 0},
    };
    IniFile ini;
    ini.WriteString("Maillists", "Name7", "stale");
    WriteMailLists(ini, lists);
    ini.SaveToFile(dir.path() / "RAVAROZ.INI");
    const std::string text = ReadBytes(dir.path() / "RAVAROZ.INI");
    EXPECT_NE(text.find("Mess0=Hej!*13**13**row**13*Slut"), std::string::npos);
    EXPECT_EQ(text.find("stale"), std::string::npos);

    auto back = ReadMailLists(IniFile::FromFile(dir.path() / "RAVAROZ.INI"));
    ASSERT_EQ(back.size(), 2u);
    // A line break typed into the subject cannot start a new INI line: it becomes a space.
    EXPECT_EQ(back[0].subject, "*game* v. *week* second line");
    EXPECT_EQ(back[0].body, "Hej!\r\n\r\n*row*\r\nSlut");
    EXPECT_EQ(back[0].att, 3);
    EXPECT_EQ(back[1], lists[1]);
}

TEST(MailLists, ProfileSaveReplaceAppendDeleteAndRefusedNames) {
    SetCurrentLanguage(LangEnglish);
    MailProfiles p({{"A", "a@x", "s", "b", 0}, {"B", "b@x", "s", "b", 1}});
    EXPECT_EQ(p.Save({"A", "new@x", "S2", "B2", 0}), "");
    EXPECT_EQ(p.lists().size(), 2u);
    EXPECT_EQ(p.lists()[0].recipients, "new@x");
    EXPECT_EQ(p.Save({"C", "c@x", "s", "b", 0}), "");
    ASSERT_EQ(p.lists().size(), 3u);
    EXPECT_EQ(p.lists()[2].name, "C");
    EXPECT_EQ(p.Save({"", "z@x", "s", "b", 0}), "");
    EXPECT_EQ(p.lists().size(), 3u);
    for (const char* bad : {"a=b", "[x", "y]"}) {
        EXPECT_NE(p.Save({bad, "z@x", "s", "b", 0}).find("cannot contain"), std::string::npos) << bad;
        EXPECT_EQ(p.Find(bad), -1);
    }
    // After writing, the appended profile has the next index.
    IniFile ini;
    WriteMailLists(ini, p.lists());
    EXPECT_EQ(ini.ReadString("Maillists", "Name2"), "C");

    bool removed = false;
    auto next = p.Delete("A", &removed);
    EXPECT_TRUE(removed);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->name, "B");
    EXPECT_FALSE(p.Delete("nobody", &removed));
    EXPECT_FALSE(removed);
    p.Delete("B");
    EXPECT_FALSE(p.Delete("C", &removed));
    EXPECT_TRUE(removed);
    EXPECT_TRUE(p.lists().empty());
}

TEST(MailSending, MailtoEncodesEveryValue) {
    const std::string a = MailtoAddress("a@example.se; b+c@example.se", "Vecka 28 &cc=evil@x.se", "Rad 1\nÅ & ?=#");
    EXPECT_EQ(a,
              "mailto:a@example.se,b%2Bc@example.se?subject=Vecka%2028%20%26cc%3Devil%40x.se"
              "&body=Rad%201%0D%0A%C3%85%20%26%20%3F%3D%23");
    EXPECT_EQ(MailtoAddress("", "", ""), "mailto:?subject=&body=");
}

namespace {

// A stand-in for a desktop launcher on PATH: records one argument per line
// (with the line count first) and exits with the given code.
void WriteStandIn(const std::filesystem::path& dir, const std::string& name, int exitCode) {
    const auto path = dir / name;
    WriteBytes(path, "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do printf '> %s\\n' \"$a\"; done; } > \"" +
                         (dir / (name + ".args")).string() + "\"\nexit " + std::to_string(exitCode) + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

class PathGuard {
public:
    explicit PathGuard(const std::filesystem::path& dir) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        setenv("PATH", dir.c_str(), 1);
    }
    ~PathGuard() { setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

}  // namespace

TEST(MailSending, XdgEmailGetsEachValueAsItsOwnArgument) {
    SetCurrentLanguage(LangEnglish);
    TempDir dir;
    WriteStandIn(dir.path(), "xdg-email", 0);
    WriteBytes(dir.path() / "system.1x2", "x");
    const std::string attachment = (dir.path() / "system.1x2").string();
    {
        PathGuard path(dir.path());
        SendResult r = SendMail("a@x.se; b_c.d+e@x.se", "V28 `id` \"q\"; $(touch pwned)", attachment,
                                "Rad 1\r\n--attach /etc/passwd");
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.notice, "");
    }
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_EQ(ReadBytes(dir.path() / "xdg-email.args"),
              "9\n> --utf8\n> --subject\n> V28 `id` \"q\"; $(touch pwned)\n> --body\n> Rad 1\r\n--attach /etc/passwd\n"
              "> --attach\n> " +
                  attachment + "\n> a@x.se\n> b_c.d+e@x.se\n");

    // A missing attachment file is left out; a recipient that looks like an option is refused.
    {
        PathGuard path(dir.path());
        EXPECT_EQ(SendMail("a@x.se", "s", (dir.path() / "gone.1x2").string(), "b").error, "");
        EXPECT_EQ(ReadBytes(dir.path() / "xdg-email.args"), "6\n> --utf8\n> --subject\n> s\n> --body\n> b\n> a@x.se\n");
        std::filesystem::remove(dir.path() / "xdg-email.args");
        EXPECT_NE(SendMail("--attach=/etc/passwd", "s", "", "b").error.find("cannot begin"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "xdg-email.args"));
    }
}

TEST(MailSending, FallsBackToMailtoAndReportsFailures) {
    SetCurrentLanguage(LangEnglish);
    TempDir dir;
    WriteBytes(dir.path() / "s.1x2", "x");
    const std::string attachment = (dir.path() / "s.1x2").string();
    PathGuard path(dir.path());

    // No composer that takes attachments: the mailto address opens and the user is told to attach.
    WriteStandIn(dir.path(), "xdg-email", 3);
    WriteStandIn(dir.path(), "xdg-open", 0);
    SendResult r = SendMail("a@x.se", "s&cc=b@x.se", attachment, "b");
    EXPECT_EQ(r.error, "");
    EXPECT_NE(r.notice.find(attachment), std::string::npos);
    EXPECT_EQ(ReadBytes(dir.path() / "xdg-open.args"), "1\n> mailto:a@x.se?subject=s%26cc%3Db%40x.se&body=b\n");

    WriteStandIn(dir.path(), "xdg-email", 2);
    EXPECT_EQ(SendMail("a@x.se", "s", attachment, "b").error,
              "02: The specified attachment was not found. No message was sent.");
    WriteStandIn(dir.path(), "xdg-email", 4);
    WriteStandIn(dir.path(), "xdg-open", 4);
    EXPECT_EQ(SendMail("a@x.se", "s", attachment, "b").error,
              "05: One or more unspecified errors occurred; no message was sent.");
    std::filesystem::remove(dir.path() / "xdg-email");
    std::filesystem::remove(dir.path() / "xdg-open");
    EXPECT_NE(SendMail("a@x.se", "s", attachment, "b").error.find("No mail program"), std::string::npos);
}

// Only plain addresses reach the composer: a mailto: address with its own
// fields, a display name or a shell word would be more than a recipient.
TEST(MailSending, OnlyPlainAddressesAreRecipients) {
    SetCurrentLanguage(LangEnglish);
    struct Case {
        const char* address;
        bool plain;
    } cases[] = {
        {"a@x.se", true},
        {"anna.berg+v28@mail.example.org", true},
        {"\xC5\x81ukasz@poczta.pl", true},  // "Łukasz"
        {"mailto:a@x.se?attach=/etc/passwd&bcc=b@x.se", false},
        {"a@x.se?attach=/etc/passwd", false},
        {"a@x.se&bcc=b@x.se", false},
        {"Anna <a@x.se>", false},
        {"a b@x.se", false},
        {"$(touch pwned)@x.se", false},
        {"a%40b@x.se", false},
        {"a@b@x.se", false},
        {"@x.se", false},
        {"a@", false},
        {"nobody", false},
        {"a@x.se\xC3", false},  // not UTF-8
    };
    TempDir dir;
    WriteStandIn(dir.path(), "xdg-email", 0);
    PathGuard path(dir.path());
    for (const Case& c : cases) {
        EXPECT_EQ(PlainMailAddress(c.address), c.plain) << c.address;
        if (c.plain) continue;
        std::filesystem::remove(dir.path() / "xdg-email.args");
        EXPECT_EQ(SendMail(std::string("ok@x.se; ") + c.address, "s", "", "b").error,
                  FormatMsg(Msg(3304), {std::string(c.address)}))
            << c.address;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "xdg-email.args")) << c.address;
    }
}

// A body the launcher cannot take as an argument is reported as too large,
// not as a missing mail program; a launcher that never returns is left behind
// when the sender is cancelled (the program's exit).
TEST(MailSending, TooLargeBodyAndAComposerThatBlocks) {
    SetCurrentLanguage(LangEnglish);
    TempDir dir;
    WriteStandIn(dir.path(), "xdg-email", 0);
    WriteStandIn(dir.path(), "xdg-open", 0);
    {
        PathGuard path(dir.path());
        EXPECT_EQ(SendMail("a@x.se", "s", "", std::string(kMaxProgramArgument, 'x')).error, kMailTooLargeText);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "xdg-email.args"));
        EXPECT_EQ(SendMail("a@x.se", "s", "", std::string(kMaxProgramArgument - 1000, 'x')).error, "");
    }
    WriteBytes(dir.path() / "xdg-email", "#!/bin/sh\nexec sleep 30\n");
    std::filesystem::permissions(dir.path() / "xdg-email", std::filesystem::perms::owner_all);
    PathGuard path(dir.path());
    std::atomic<bool> cancel = false;
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const SendResult r = SendMail("a@x.se", "s", "", "b", &cancel);
    closer.join();
    EXPECT_EQ(r.error, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
