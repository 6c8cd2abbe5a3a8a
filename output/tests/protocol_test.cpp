#include "output/protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "core/messages.h"
#include "core/settings.h"
#include "tests/temp_dir.h"

namespace vinra::output {
namespace {

using ::testing::Contains;
using ::testing::Not;

core::TVinraFile Doc(int n) {
    core::TVinraFile doc;
    doc.MatchCount = n;
    doc.NewSystem(n, false);
    doc.Pool = "Stryktipset";
    doc.Typ = "S";
    doc.Omg = "2009-28";
    doc.Grundrad.assign(n, "0");
    doc.Grundrad[0] = "012";
    doc.Grundrad[1] = "0 2";
    doc.Grundrad[2] = " 1 ";
    std::string base(n, '0');
    for (char a : {'0', '1', '2'})
        for (char b : {'0', '2'}) {
            std::string r = base;
            r[0] = a;
            r[1] = b;
            r[2] = '1';
            doc.Rader.push_back(r);
        }
    return doc;
}

ProtocolInput Input(const core::TVinraFile& doc) {
    ProtocolInput in;
    in.doc = &doc;
    for (int m = 1; m <= doc.MatchCount; ++m) in.matchLabels.push_back("Hemma " + std::to_string(m) + " - Borta");
    in.matchLabels[0] = "Malmö FF - Åtvidaberg";
    in.webAddress = "http://127.0.0.1:8080";
    return in;
}

std::vector<std::string> Texts(const PrintDocument& d) {
    std::vector<std::string> out;
    for (const Page& p : d.pages)
        for (const DrawCommand& c : p.commands)
            if (c.kind == CommandKind::Text || c.kind == CommandKind::Footer) out.push_back(c.text);
    return out;
}

const DrawCommand* Find(const PrintDocument& d, const std::string& text) {
    for (const Page& p : d.pages)
        for (const DrawCommand& c : p.commands)
            if (c.text == text) return &c;
    return nullptr;
}

class Protocol : public ::testing::Test {
protected:
    void SetUp() override { core::SetCurrentLanguage(core::LangEnglish); }
};

TEST_F(Protocol, PrintsEveryBlockOnOneA4PageInsideThePageBox) {
    core::TVinraFile doc = Doc(13);
    doc.Gar = {"13 right: 100 %", "12 right: 100 %"};
    doc.Comment = "Played with the club.\r\nSecond line";
    const PrintDocument d = ProtocolDocument(Input(doc));
    EXPECT_EQ(d.title, "Protocol Stryktipset 2009-28");
    EXPECT_TRUE(d.portraitA4);
    ASSERT_EQ(d.pages.size(), 1u);
    const auto texts = Texts(d);

    // Header, table headings, blocks and footer, in their fonts.
    const DrawCommand* name = Find(d, "Stryktipset");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->font, (FontSpec{"Arial", 40, true, false, 0}));
    const DrawCommand* round = Find(d, "Round 28");
    ASSERT_NE(round, nullptr);
    EXPECT_EQ(round->font, (FontSpec{"Arial", 18, true, false, 0}));
    const DrawCommand* year = Find(d, "2009");
    ASSERT_NE(year, nullptr);
    EXPECT_NEAR(year->y - round->y, 0.3, 1e-9);
    for (const char* t : {"Half time", "Winning row", "Result", "Percent", "Sum", "Source rows", "Character lines",
                          "Warranty", "13 right: 100 %", "Winnings", "Comment", "Played with the club.", "Second line"})
        EXPECT_THAT(texts, Contains(t));
    bool footer = false;
    for (const DrawCommand& c : d.pages[0].commands)
        if (c.kind == CommandKind::Footer) {
            footer = true;
            EXPECT_EQ(c.text, "Vinra 2000 7.51. For more information, visit http://127.0.0.1:8080");
            EXPECT_EQ(c.font, (FontSpec{"Arial", 8, false, true, 0}));
        }
    EXPECT_TRUE(footer);
    const auto grey = std::find_if(d.pages[0].commands.begin(), d.pages[0].commands.end(),
                                   [](const DrawCommand& c) { return c.kind == CommandKind::FillRect; });
    ASSERT_NE(grey, d.pages[0].commands.end());
    EXPECT_EQ(grey->rgb, 0xD7D7D7u);

    // Nothing leaves the page box or the printable A4 page.
    for (const DrawCommand& c : d.pages[0].commands) {
        if (c.kind == CommandKind::Footer) continue;
        EXPECT_GE(c.x, 1.0 - 1e-9) << c.text;
        EXPECT_LE(c.x + c.w, 7.5 + 1e-9) << c.text;
        EXPECT_GE(c.y, 0.0) << c.text;
        EXPECT_LE(c.y + c.h, 11.0) << c.text;
    }
}

TEST_F(Protocol, MatchLinesCarryTheFrameAndUpperCaseTeams) {
    core::TVinraFile doc = Doc(13);
    ProtocolInput in = Input(doc);
    PrintDocument d = ProtocolDocument(in);
    const DrawCommand* first = Find(d, "1. MALMÖ FF - ÅTVIDABERG");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->font, (FontSpec{"Times New Roman", 10, false, false, 0}));

    // The frame signs of a match stand on its line, under the headings of the first group.
    auto signsOnLine = [&](double y) {
        std::vector<std::string> out;
        for (const DrawCommand& c : d.pages[0].commands)
            if (c.kind == CommandKind::Text && std::abs(c.y - y) < 1e-9 && c.font.bold && c.font.size == 10)
                out.push_back(c.text);
        return out;
    };
    const double line1 = first->y;
    EXPECT_EQ(signsOnLine(line1), (std::vector<std::string>{"1", "X", "2"}));
    EXPECT_EQ(signsOnLine(line1 + 0.2), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(signsOnLine(line1 + 0.4), (std::vector<std::string>{"X"}));
    const auto all = Texts(d);
    EXPECT_GE(std::count(all.begin(), all.end(), "-"), 26);  // both score columns of every match

    in.printUpperCase = false;
    in.signs = {"H", "U", "B"};
    d = ProtocolDocument(in);
    EXPECT_NE(Find(d, "1. Malmö FF - Åtvidaberg"), nullptr);
    EXPECT_THAT(Texts(d), Contains("U"));
    EXPECT_THAT(Texts(d), Not(Contains("X")));
}

TEST_F(Protocol, SystemInformationFollowsTheConditionsInUse) {
    core::TVinraFile doc = Doc(13);
    doc.URad = {"0120021102210", "2220000000000"};
    doc.UMin = doc.UMax = {"10", "11"};
    doc.Ja = {"012", "0!1"};
    doc.JaMin = {"1", "0"};
    doc.JaMax = {"2", "0"};
    doc.Nej = {"22*0000000000"};
    doc.Min = {1, 0, 0};
    doc.Ord = {9, 2, 1};
    doc.Max = {11, 3, 2};
    PrintDocument d = ProtocolDocument(Input(doc));
    auto texts = Texts(d);
    // Six rows in a frame of 3 * 2 = 6: match 1 has two rows of each sign (33 %).
    EXPECT_THAT(texts, Contains("6 rows (Total: 6 rows)"));
    EXPECT_THAT(texts, Contains("33"));
    EXPECT_THAT(texts, Contains("50"));
    EXPECT_THAT(texts, Contains("100"));
    for (const char* t : {"Min:", "Row:", "Max:", "Yes-/No-combinations", "Yes-combinations:", "1X2: 1 to 2 times.",
                          "1!X", "No-combinations:", "22*1111111111"})
        EXPECT_THAT(texts, Contains(t));
    EXPECT_THAT(texts, Not(Contains("1!X: 0 to 0 times.")));

    // Conditions switched off leave their parts out; the figures stay.
    doc.UseFlags.FromInteger(0, 8);
    d = ProtocolDocument(Input(doc));
    texts = Texts(d);
    EXPECT_THAT(texts, Contains("6 rows (Total: 6 rows)"));
    for (const char* t : {"Min:", "Yes-combinations:", "No-combinations:", "1X2: 1 to 2 times."})
        EXPECT_THAT(texts, Not(Contains(t)));
}

TEST_F(Protocol, CheckBoxesLeaveOutTheirBlocks) {
    core::TVinraFile doc = Doc(13);
    doc.Gar = {"13 right: 100 %"};
    doc.Comment = "A comment";
    ProtocolInput in = Input(doc);
    in.options = {false, false, false, false};
    const auto texts = Texts(ProtocolDocument(in));
    for (const char* t : {"Winnings", "Percent", "Warranty", "A comment", "13 right:"})
        EXPECT_THAT(texts, Not(Contains(t)));
    // The match table always stays.
    EXPECT_THAT(texts, Contains("2. HEMMA 2 - BORTA"));

    // Ticked, but nothing to show: no warranty lines and an empty comment.
    doc.Gar.clear();
    doc.Comment = "  ";
    const auto ticked = Texts(ProtocolDocument(Input(doc)));
    EXPECT_THAT(ticked, Not(Contains("Warranty")));
    EXPECT_THAT(ticked, Not(Contains("Comment")));
}

TEST_F(Protocol, WinningsLinesDependOnTheNumberOfMatches) {
    struct Case {
        int n;
        std::vector<std::string> lines;
    };
    for (const Case& c : {Case{12, {"12 right:", "11 right:", "10 right:"}},
                          Case{13, {"13 right:", "12 right:", "11 right:", "10 right:"}},
                          Case{8, {"8 right:", "7 right:", "6 right:"}}}) {
        core::TVinraFile doc = Doc(c.n);
        std::vector<std::string> got;
        for (const std::string& t : Texts(ProtocolDocument(Input(doc))))
            if (t.find(" right:") != std::string::npos) got.push_back(t);
        EXPECT_EQ(got, c.lines) << c.n;
    }
}

TEST_F(Protocol, PicturesAndLongContentStayUsable) {
    vinra::testing::TempDir dir;
    vinra::testing::WriteBytes(dir.path() / "logo.png", "not really a picture");
    core::TVinraFile doc = Doc(30);
    doc.Pool = "Tipping Midtuke Pause";
    doc.Comment = std::string(400, 'a') + " " + std::string(50, 'b');
    for (int i = 0; i < 60; ++i) {
        doc.Nej.push_back(std::string(30, '2'));
    }
    ProtocolInput in = Input(doc);
    in.poolLogo = dir.path() / "logo.png";
    in.picturesFolder = dir.path();
    const PrintDocument d = ProtocolDocument(in);
    ASSERT_GT(d.pages.size(), 1u);
    int pictures = 0;
    for (const Page& p : d.pages)
        for (const DrawCommand& c : p.commands) {
            if (c.kind == CommandKind::Picture) ++pictures;
            if (c.kind != CommandKind::Footer) {
                EXPECT_LE(c.y + c.h, 11.0) << c.text;
            }
            if (c.kind == CommandKind::Text) {
                EXPECT_LE(c.text.size(), 120u);
            }
        }
    EXPECT_EQ(pictures, 4);  // the logo and three decorations
    // Every match, every combination and the whole comment are printed.
    const auto texts = Texts(d);
    EXPECT_THAT(texts, Contains(::testing::StartsWith("30. ")));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string(30, '2')), 60);
    size_t commentChars = 0;
    for (const auto& t : texts)
        if (t.find_first_not_of("ab") == std::string::npos) commentChars += t.size();
    EXPECT_EQ(commentChars, 450u);
    // The long pool name is set smaller than 40 points.
    const DrawCommand* name = Find(d, "Tipping Midtuke Pause");
    ASSERT_NE(name, nullptr);
    EXPECT_LT(name->font.size, 40);

    in.poolLogo = dir.path() / "missing.png";
    int without = 0;
    const PrintDocument noLogo = ProtocolDocument(in);
    for (const DrawCommand& c : noLogo.pages[0].commands) without += c.kind == CommandKind::Picture;
    EXPECT_EQ(without, 3);
}

}  // namespace
}  // namespace vinra::output
