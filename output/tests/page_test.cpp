#include "output/page.h"

#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/settings.h"
#include "output/protocol.h"
#include "tests/in_language.h"
#include "tests/thrown_text.h"

namespace vinra::output {
namespace {

TEST(PageComposer, ColumnsOutsideOneToFiftyAreRefusedWithTheEngineText) {
    PageComposer pc;
    pc.BeginDoc("t", 1);
    for (int c : {-1, 0, 51, 1000}) {
        try {
            pc.DefineColumn(c, 1, 1);
            ADD_FAILURE() << "column " << c << " accepted";
        } catch (const PrintError& e) {
            EXPECT_STREQ(e.what(), "Column value must be between 1 and 50.");
        }
        EXPECT_THROW(pc.TextCentreInColumn(c, "X"), PrintError) << c;
    }
    EXPECT_NO_THROW(pc.DefineColumn(1, 0, 1));
    EXPECT_NO_THROW(pc.DefineColumn(50, 0, 1));
    // A column that was never placed is an error, not a mark at the page edge.
    EXPECT_THROW(pc.TextLeftInColumn(2, "X"), PrintError);
    EXPECT_TRUE(pc.document().pages.at(0).commands.empty());
}

// What the print dialog shows for a refused page speaks the player's language.
TEST(PageComposer, RefusalsSpeakThePlayersLanguage) {
    const vinra::testing::InLanguage swedish(core::LangSwedish);
    PageComposer pc;
    pc.BeginDoc("t", 1);
    const auto thrown = vinra::testing::ThrownText<PrintError>;
    const struct {
        std::string text;
        const char* swedish;
    } cases[] = {
        {thrown([&] { pc.DefineColumn(51, 1, 1); }), "Kolumnvärdet måste vara mellan 1 och 50."},
        {thrown([&] { pc.TextLeftInColumn(2, "X"); }), "Kolumn 2 är inte definierad."},
        {thrown([&] { PrintProtocol(pc, ProtocolInput{}); }), "Inget system att skriva ut."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST(PageComposer, ColumnTextTakesColumnBoxCurrentLineAndFont) {
    PageComposer pc;
    pc.BeginDoc("Coupons", 3);
    FontSpec f{"Courier", 12, true, false, 0x112233};
    pc.SetFont(f);
    pc.DefineColumn(7, 1.5, 0.08);
    pc.SetLine(0.725);
    pc.TextCentreInColumn(7, "1");
    pc.SetLine(0.9);
    pc.TextLeftInColumn(7, "X");
    pc.TextAt(3.44, 0.32, "VR 2K: 1/3");

    const auto& cmds = pc.document().pages.at(0).commands;
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0].kind, CommandKind::Text);
    EXPECT_DOUBLE_EQ(cmds[0].x, 1.5);
    EXPECT_DOUBLE_EQ(cmds[0].w, 0.08);
    EXPECT_DOUBLE_EQ(cmds[0].y, 0.725);
    EXPECT_EQ(cmds[0].align, Align::Centre);
    EXPECT_EQ(cmds[0].column, 7);
    EXPECT_EQ(cmds[0].font, f);
    EXPECT_EQ(cmds[1].align, Align::Left);
    EXPECT_DOUBLE_EQ(cmds[1].y, 0.9);
    // Text at a position belongs to no column and starts at x.
    EXPECT_EQ(cmds[2].column, 0);
    EXPECT_DOUBLE_EQ(cmds[2].x, 0.32);
    EXPECT_DOUBLE_EQ(cmds[2].y, 3.44);
    EXPECT_DOUBLE_EQ(cmds[2].w, 0);
}

TEST(PageComposer, PagesShapesAndHandOver) {
    PageComposer pc;
    pc.BeginDoc("Protocol", 0);
    pc.FillRect(1, 1, 6.5, 0.8, 0xD7D7D7);
    pc.NewPage();
    pc.Line(1, 2, 7.5, 2, 2);
    pc.RoundBox(1, 3, 6.5, 1, 1);
    pc.Picture("/nowhere/logo.png", 1, 0.5, 1, 1);
    pc.SetFont({"Arial", 8, false, true});
    pc.Footer("web");
    pc.Progress(2);
    EXPECT_EQ(pc.progress(), 2);
    pc.EndDoc();

    PrintDocument doc = pc.TakeDocument();
    EXPECT_EQ(doc.title, "Protocol");
    ASSERT_EQ(doc.pages.size(), 2u);
    ASSERT_EQ(doc.pages[0].commands.size(), 1u);
    EXPECT_EQ(doc.pages[0].commands[0].kind, CommandKind::FillRect);
    EXPECT_EQ(doc.pages[0].commands[0].rgb, 0xD7D7D7u);
    const auto& p2 = doc.pages[1].commands;
    ASSERT_EQ(p2.size(), 4u);
    EXPECT_EQ(p2[0].kind, CommandKind::Line);
    EXPECT_DOUBLE_EQ(p2[0].x2, 7.5);
    EXPECT_DOUBLE_EQ(p2[0].pen, 2);
    EXPECT_EQ(p2[1].kind, CommandKind::RoundBox);
    EXPECT_EQ(p2[2].kind, CommandKind::Picture);
    EXPECT_EQ(p2[2].text, "/nowhere/logo.png");
    EXPECT_EQ(p2[3].kind, CommandKind::Footer);
    EXPECT_TRUE(p2[3].font.italic);

    // The composer starts over after the hand-over, and a new document forgets
    // the columns and progress of the last one.
    EXPECT_TRUE(pc.document().pages.empty());
    pc.BeginDoc("Next", 1);
    EXPECT_EQ(pc.progress(), 0);
    EXPECT_EQ(pc.document().pages.size(), 1u);
    EXPECT_THROW(pc.TextCentreInColumn(1, "X"), PrintError);
}

}  // namespace
}  // namespace vinra::output
