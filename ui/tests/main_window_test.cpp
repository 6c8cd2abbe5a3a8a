// The main window driven offscreen: new systems, files, import, the unsaved-
// changes question, languages, recent files, the panels and shutting down.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QLabel>
#include <QTreeWidget>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "net/game_info.h"
#include "tests/temp_dir.h"
#include "ui/core/active_pools.h"
#include "ui/core/document_session.h"
#include "ui/core/grid_panel.h"
#include "ui/core/window_size.h"
#include "ui/tests/support/fixture_round.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::WriteBytes;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class MainWindowTest : public UiFixture {
protected:
    // A saved system of the fixture round.
    fs::path WriteSystem(const std::string& name, const std::string& systemTyp = "E",
                         std::vector<std::string> rows = {}) {
        core::TVinraFile doc;
        doc.MatchCount = 13;
        doc.NewSystem(13, true);
        SetFixtureRound(doc);
        doc.SystemTyp = systemTyp;
        doc.Systemnamn = systemTyp == "R" ? "R 4-0-243" : "";
        doc.Comment = "First line\r\nSecond line";
        doc.Rader = std::move(rows);
        fs::create_directories(userPool());
        const fs::path path = userPool() / name;
        doc.SaveToFile(path);
        return path;
    }
    void TypeComment(const QString& text) { window_->CommentEdit()->setPlainText(text); }
    QString Cell(int row, int col) const {
        auto* item = window_->Grid()->item(row, col);
        return item ? item->text() : QString();
    }
};

TEST_F(MainWindowTest, NewSystemFillsFrameFromSettingAndLoadsTheRoundsTeams) {
    struct Case {
        bool fillAll;
        const char* entry;
        const char* mathField;
        bool frameDone;
    };
    for (const Case& c : {Case{true, "012", "Frame: 1 594 323 rows", true}, Case{false, "", "Frame: 1 rows", false}}) {
        SCOPED_TRACE(c.fillAll);
        program_->settings.fillAll = c.fillAll;
        window_->NewClick();
        const auto& doc = program_->doc;
        EXPECT_EQ(doc.OmgID, 4851);  // from activepools.ini, section S0
        EXPECT_EQ(doc.Pool, "Stryktipset");
        ASSERT_EQ(doc.MatchCount, 13);
        EXPECT_EQ(doc.SystemTyp, "E");
        EXPECT_EQ(doc.Grundrad, std::vector<std::string>(13, c.entry));
        EXPECT_EQ(window_->StatusField(3), c.mathField);
        EXPECT_EQ(window_->StepDone(Step::Frame), c.frameDone);
        EXPECT_EQ(window_->StatusField(1), Q(Msg(368)));
        EXPECT_EQ(window_->StatusField(2), "System: 0 rows");
        EXPECT_EQ(window_->StatusField(4), Q(Msg(366)));
        EXPECT_FALSE(window_->Modified());
        EXPECT_TRUE(window_->IsUntitled());
        EXPECT_EQ(window_->windowTitle(), "Vinra 2000");
        ASSERT_EQ(window_->Grid()->rowCount(), 13);
        EXPECT_EQ(Cell(0, 1), "Arsenal");
        EXPECT_EQ(Cell(12, 4), "Ipswich");
        EXPECT_EQ(Cell(0, 5), c.fillAll ? "1" : "");
        EXPECT_EQ(Cell(0, 6), c.fillAll ? "X" : "");
        EXPECT_TRUE(window_->RoundLine().startsWith("Round 2026-50"));
        // Without the round's game information the deadline comes from the open rounds.
        EXPECT_TRUE(window_->RoundLine().contains("Deadline 2026-12-12 15:59")) << window_->RoundLine().toStdString();
    }
    // A round no list knows, of a file without a pool name: no deadline, no dangling dot.
    window_->Session().Change(DocPart::Round, false, [](core::TVinraFile& d) {
        d.OmgID = 4711;
        d.Pool.clear();
    });
    EXPECT_EQ(window_->RoundLine(), "Round 2026-50");
}

TEST_F(MainWindowTest, TeamLogosComeFromTheClubFilesAndTheirColumnsHideWithoutThem) {
    window_->NewClick();
    EXPECT_TRUE(window_->Grid()->isColumnHidden(2));
    WriteLogos();
    fs::remove(home() / "Program" / "Cache" / "Images" / "logo1.png");  // Brentford has none
    window_->NewClick();
    EXPECT_FALSE(window_->Grid()->isColumnHidden(2));
    auto logo = [&](int row, int col) {
        return window_->Grid()->item(row, col)->data(Qt::DecorationRole).value<QPixmap>();
    };
    EXPECT_FALSE(logo(0, 2).isNull());  // Arsenal, through its alias
    EXPECT_FALSE(logo(0, 3).isNull());  // Chelsea
    EXPECT_TRUE(logo(1, 2).isNull());
}

TEST_F(MainWindowTest, GridClicksToggleTheFrameAndMarkTheSystemChanged) {
    program_->settings.fillAll = false;
    window_->NewClick();
    window_->ToggleSign(1, 0);
    window_->ToggleSign(1, 2);
    window_->ToggleSign(1, 0);
    EXPECT_EQ(program_->doc.Grundrad[0], "2");
    EXPECT_EQ(Cell(0, 7), "2");
    EXPECT_TRUE(window_->Modified());
    EXPECT_EQ(window_->StatusField(1), Q(Msg(364)));
    // With rows, the first change of the frame warns once; the rows stay.
    program_->doc.Rader = {"0000000000000"};
    window_->ToggleSign(2, 1);
    window_->ToggleSign(3, 1);
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(Msg(600))});
    EXPECT_EQ(program_->doc.Rader.size(), 1u);
}

TEST_F(MainWindowTest, SaveOfANewSystemProposesPoolAndRoundAndRefusesTheUntitledName) {
    window_->NewClick();
    prompter_.files = {Q((userPool() / "Untitled.1x2").string())};
    window_->SaveClick();
    ASSERT_EQ(prompter_.Texts("save").size(), 1u);
    EXPECT_EQ(prompter_.Texts("save")[0], "Stryktipset 2026-50.1x2");
    EXPECT_EQ(prompter_.shown[0].spec.folder, Q(userPool().string()));
    EXPECT_TRUE(fs::is_directory(userPool()));
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_EQ(prompter_.Texts("information")[0], Q(core::FormatMsg(Msg(278), {std::string("Untitled.1x2")})));
    EXPECT_FALSE(fs::exists(userPool() / "Untitled.1x2"));
    EXPECT_TRUE(window_->IsUntitled());

    const fs::path target = userPool() / "Mine.1x2";
    prompter_.files = {Q(target.string())};
    TypeComment("Saved comment");
    ASSERT_TRUE(window_->SaveAsClick());
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(window_->windowTitle(), "Vinra 2000 [Mine.1x2]");
    EXPECT_EQ(window_->StatusField(1), Q(Msg(365)));
    EXPECT_FALSE(window_->Modified());
    ASSERT_FALSE(program_->settings.recent.entries().empty());
    EXPECT_EQ(program_->settings.recent.entries()[0].path, target);
    core::TVinraFile back;
    back.LoadFromFile(target);
    EXPECT_EQ(back.Comment, "Saved comment");
    EXPECT_EQ(back.Grundrad, program_->doc.Grundrad);
    EXPECT_EQ(back.OmgID, 4851);

    // A later Save writes to the same file without a dialog.
    TypeComment("Changed");
    window_->SaveClick();
    EXPECT_EQ(prompter_.Texts("save").size(), 2u);
    back.LoadFromFile(target);
    EXPECT_EQ(back.Comment, "Changed");
}

TEST_F(MainWindowTest, OpenShowsTheSystemItsNameCommentAndTeams) {
    const fs::path path = WriteSystem("Reduced.1x2", "R", {"0000000000000", "0120120120120"});
    window_->NewClick();
    prompter_.files = {Q(path.string())};
    window_->OpenClick();
    EXPECT_EQ(window_->FileName(), path);
    EXPECT_EQ(window_->windowTitle(), "Vinra 2000 [Reduced.1x2]");
    EXPECT_EQ(window_->StatusField(4), "R 4-0-243");
    EXPECT_EQ(window_->StatusField(2), "System: 2 rows");
    EXPECT_EQ(window_->CommentEdit()->toPlainText(), "First line\nSecond line");
    EXPECT_FALSE(window_->Modified());  // loading the comment is no change
    EXPECT_EQ(Cell(5, 1), "Liverpool");
    EXPECT_TRUE(window_->StepDone(Step::Rows));
    EXPECT_EQ(program_->settings.recent.entries()[0].path, path);

    // A file that is not a system file leaves the open one as it was.
    const fs::path bad = userPool() / "bad.1x2";
    WriteBytes(bad, "[Info]\r\nVersion=7.51\r\n[Villkor]\r\nMax0=many\r\n");
    prompter_.files = {Q(bad.string())};
    window_->OpenClick();
    EXPECT_EQ(window_->FileName(), path);
    ASSERT_FALSE(prompter_.Texts("error").empty());
    EXPECT_TRUE(prompter_.Texts("error")[0].startsWith(Q(Msg(280))));
    EXPECT_EQ(program_->doc.Systemnamn, "R 4-0-243");
}

TEST_F(MainWindowTest, OpenOfAnOldLayoutFileTakesTheDrawNumberFromTheGames) {
    core::TVinraFile round;
    round.OmgID = 3921;
    round.Omg = "2009-28";
    program_->db.SaveGames(round, 200928, "S", FixtureHomes(), FixtureAways());
    round.OmgID = 1777;  // the same week of another pool must not be taken
    program_->db.SaveGames(round, 200928, "I", {"Other home"}, {"Other away"});

    fs::create_directories(userPool());
    const fs::path old = userPool() / "Old.1x2";
    std::string text =
        "[Info]\r\nOmg=2009-28\r\nPool=Stryktipset\r\nTyp=S\r\nSystemTyp=E\r\nVersion=5.20\r\n"
        "[Grundrad]\r\n";
    for (int i = 0; i < 13; ++i) text += "Rad" + std::to_string(i) + "=0\r\n";
    WriteBytes(old, text);
    ASSERT_TRUE(window_->OpenFile(old));
    EXPECT_EQ(program_->doc.OmgID, 3921);
    EXPECT_EQ(Cell(0, 1), "Arsenal");
    EXPECT_EQ(window_->StatusField(3), "Frame: 1 rows");
    EXPECT_TRUE(window_->StepDone(Step::Frame));
}

TEST_F(MainWindowTest, UnsavedChangesQuestionYesNoCancel) {
    const fs::path path = WriteSystem("Open.1x2");
    struct Case {
        const char* name;
        bool untitled;
        std::vector<Answer> answers;
        std::vector<QString> saveDialog;  // answers of the save dialog (untitled: cancelled)
        bool newRuns;
        bool fileHasEdit;
    };
    const Case cases[] = {
        {"cancel", false, {Answer::Cancel}, {}, false, false},
        {"no", false, {Answer::No}, {}, true, false},
        {"yes saves the open file", false, {Answer::Yes}, {}, true, true},
        {"yes on untitled, save as cancelled", true, {Answer::Yes}, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.untitled) window_->NewClick();
        else ASSERT_TRUE(window_->OpenFile(path));
        prompter_.shown.clear();
        TypeComment("edited");
        ASSERT_TRUE(window_->Modified());
        prompter_.answers.assign(c.answers.begin(), c.answers.end());
        window_->NewClick();
        ASSERT_FALSE(prompter_.Texts("question3").empty());
        EXPECT_EQ(prompter_.Texts("question3")[0], Q(Msg(279)));
        EXPECT_EQ(window_->Modified(), !c.newRuns);
        EXPECT_EQ(window_->IsUntitled(), c.newRuns || c.untitled);
        EXPECT_EQ(window_->CommentEdit()->toPlainText(), c.newRuns ? "" : "edited");
        core::TVinraFile onDisk;
        onDisk.LoadFromFile(path);
        EXPECT_EQ(onDisk.Comment == "edited", c.fileHasEdit);
        if (c.fileHasEdit) WriteSystem("Open.1x2");  // back to the original for the next case
        prompter_.answers.clear();
        prompter_.answers = {Answer::No};
        window_->NewClick();
    }
}

TEST_F(MainWindowTest, ImportOfTwoTextFilesCountsOnlyAddedRowsAndTakesTheFrameFromThem) {
    window_->NewClick();
    vinra::testing::TempDir in;
    WriteBytes(in.path() / "a.txt",
               "1X21X21X21X21\r\n111111111111X\r\n"
               "1x2 1x2 1x2 1x2 1\r\n"  // spaces and a small x: the first row again
               "1X21X21X21X2\r\n"       // 12 signs: not a row of 13
               "1X21X21X21X211\r\n");   // 14 signs
    WriteBytes(in.path() / "b.txt", "111111111111X\n1111111111111\n");
    core::TVinraFile other;
    other.NewSystem(13, true);
    other.Rader = {"0000000000000", "0000000000002"};
    other.SaveToFile(in.path() / "c.1X2");
    prompter_.fileLists = {
        {Q((in.path() / "a.txt").string()), Q((in.path() / "b.txt").string()), Q((in.path() / "c.1X2").string())}};
    window_->ImportClick();
    const auto& doc = program_->doc;
    EXPECT_EQ(doc.Rader,
              (std::vector<std::string>{"0000000000000", "0000000000001", "0000000000002", "0120120120120"}));
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{"4 rows imported!"});
    std::vector<std::string> frame;
    for (int m = 0; m < 12; ++m) frame.push_back(m % 3 == 0 ? "0  " : m % 3 == 1 ? "01 " : "0 2");
    frame.push_back("012");
    EXPECT_EQ(doc.Grundrad, frame);
    EXPECT_EQ(window_->StatusField(2), "System: 4 rows");
    EXPECT_EQ(window_->StatusField(3), "Frame: 768 rows");
    EXPECT_TRUE(window_->Modified());
    EXPECT_EQ(Cell(0, 5), "1");
    EXPECT_EQ(Cell(0, 6), "");

    // Nothing new: reported, and the frame and state stay as they are.
    prompter_.shown.clear();
    prompter_.answers = {Answer::No};
    prompter_.fileLists = {{Q((in.path() / "b.txt").string())}};
    window_->ImportClick();
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{"0 rows imported!"});
    EXPECT_EQ(doc.Grundrad, frame);
}

TEST_F(MainWindowTest, ImportInAPoolWithOwnLettersTakesThemAndRefusesMixedLines) {
    net::TCouponInfoEx norsk;
    norsk.code = "C";
    norsk.numGames = 12;
    norsk.omgId = 2602;
    norsk.omg = "2026-50";
    window_->ChoosePool(norsk);
    ASSERT_EQ(core::CurrentDisplaySigns().home, "H");
    vinra::testing::TempDir in;
    WriteBytes(in.path() / "rows.txt",
               "HUBHUBHUBHUB\n"  // the pool's letters
               "1X21X21X21X2\n"  // the same row in 1, X, 2
               "HUB1X2HUB1X2\n"  // a mix is no row in either reading
               "BBBBBBBBBBBB\n");
    prompter_.fileLists = {{Q((in.path() / "rows.txt").string())}};
    window_->ImportClick();
    EXPECT_EQ(program_->doc.Rader, (std::vector<std::string>{"012012012012", "222222222222"}));
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{"2 rows imported!"});
    EXPECT_EQ(Cell(0, 5), "H");
}

TEST_F(MainWindowTest, LanguageSwitchRelocalisesMenusGridStatusAndTheUntitledName) {
    window_->NewClick();
    window_->ChangeLanguage(core::LangSwedish);
    auto menuTitle = [&](int i) { return window_->menuBar()->actions().at(i)->text(); };
    EXPECT_EQ(menuTitle(0), Q(core::MsgIn(core::LangSwedish, 9)));
    EXPECT_EQ(window_->Grid()->horizontalHeaderItem(1)->text(), Q(core::MsgIn(core::LangSwedish, 67)));
    EXPECT_EQ(window_->Grid()->horizontalHeaderItem(4)->text(), Q(core::MsgIn(core::LangSwedish, 68)));
    EXPECT_EQ(window_->StatusField(0), Q(core::MsgIn(core::LangSwedish, 494)));
    EXPECT_EQ(window_->StatusField(4), Q(core::MsgIn(core::LangSwedish, 366)));
    EXPECT_EQ(window_->FileName().string(), core::MsgIn(core::LangSwedish, 429));
    EXPECT_TRUE(window_->Action("actLanguage0")->isChecked());
    EXPECT_FALSE(window_->Action("actLanguage10000")->isChecked());
    EXPECT_EQ(window_->Action("actNew")->text(), Q(core::MsgIn(core::LangSwedish, 10)));
    EXPECT_EQ(window_->Action("tbNew")->toolTip(), Q(core::MsgIn(core::LangSwedish, 216)));
    EXPECT_TRUE(window_->RoundLine().startsWith(Q(core::MsgIn(core::LangSwedish, 423)).trimmed()));
    EXPECT_EQ(program_->settings.language, core::LangSwedish);
    // A command of a later version says so in the new language.
    // (Any row still waiting for its window will do; they are replaced one by one.)
    QAction* later = nullptr;
    for (QAction* a : window_->findChildren<QAction*>())
        if (a->property("later").toBool() && !a->objectName().isEmpty()) later = a;
    if (later) {
        EXPECT_FALSE(later->isEnabled()) << later->objectName().toStdString();
        EXPECT_TRUE(later->toolTip().contains("senare version")) << later->objectName().toStdString();
    }

    // A saved system keeps its name.
    const fs::path path = WriteSystem("Kept.1x2");
    ASSERT_TRUE(window_->OpenFile(path));
    window_->ChangeLanguage(core::LangFinnish);
    EXPECT_EQ(window_->FileName(), path);
    EXPECT_EQ(menuTitle(0), Q(core::MsgIn(core::LangFinnish, 9)));
}

// The side panel's tab captions are whole in every language on a 1366 x 768
// screen, however long the language's words, even with the panel dragged as
// narrow as it goes.
TEST_F(MainWindowTest, SidePanelCaptionsAreWholeInEveryLanguage) {
    window_->resize(1366, 768);
    window_->show();
    QApplication::processEvents();
    auto* splitter = window_->findChild<QSplitter*>(QStringLiteral("splMain"));
    ASSERT_NE(splitter, nullptr);
    for (int base : {core::LangSwedish, core::LangEnglish, core::LangDanish, core::LangNorwegian, core::LangFinnish}) {
        window_->ChangeLanguage(base);
        splitter->setSizes({0, 2000, 0});  // each side down to its minimum
        QApplication::processEvents();
        const QTabBar* bar = window_->SidePanels()->tabBar();
        EXPECT_GE(bar->width(), bar->sizeHint().width()) << "language " << base;
    }
    window_->ChangeLanguage(core::LangEnglish);
}

TEST_F(MainWindowTest, RecentFileMenuFollowsOpenedFiles) {
    const std::string longName = std::string(41, 'n') + ".1x2";  // 45 characters
    const fs::path a = WriteSystem("a.1x2"), b = WriteSystem("b.1x2"), c = WriteSystem(longName);
    for (const auto& p : {a, b, c}) ASSERT_TRUE(window_->OpenFile(p));
    auto captions = [&] {
        QStringList out;
        for (QAction* act : window_->RecentActions())
            if (act->isVisible()) out << act->text();
        return out;
    };
    EXPECT_EQ(captions(), (QStringList{"&1 " + Q(longName.substr(0, 37)) + "...", "&2 b.1x2", "&3 a.1x2"}));
    ASSERT_TRUE(window_->OpenFile(a));
    EXPECT_EQ(captions(), (QStringList{"&1 a.1x2", "&2 " + Q(longName.substr(0, 37)) + "...", "&3 b.1x2"}));
    // Choosing an entry opens it.
    window_->RecentActions()[2]->trigger();
    EXPECT_EQ(window_->FileName(), b);
    // Saved at exit, read back at the next start.
    program_->SaveSettings();
    core::SettingsFile again(program_->settingsFile().path());
    const auto s = again.Load();
    ASSERT_EQ(s.recent.entries().size(), 3u);
    EXPECT_EQ(s.recent.entries()[0].path, b);
}

TEST_F(MainWindowTest, FilePanelListsSystemsUnderTheirPoolInTheChosenOrder) {
    fs::create_directories(userPool());
    const auto now = fs::file_time_type::clock::now();
    struct F {
        const char* name;
        size_t size;
        int ageHours;
    };
    for (const F& f : {F{"a.1x2", 10, 30}, F{"B.1x2", 300, 1}, F{"c.1X2", 100, 5}, F{"d.1x2", 100, 50}}) {
        WriteBytes(userPool() / f.name, std::string(f.size, 'x'));
        fs::last_write_time(userPool() / f.name, now - std::chrono::hours(f.ageHours));
    }
    WriteBytes(userPool() / "notes.txt", "not a system");
    fs::create_directories(home() / "User" / "Elsewhere");
    WriteBytes(home() / "User" / "Elsewhere" / "x.1x2", "x");
    // A link back to the user folder must not be followed.
    fs::create_directory_symlink(home() / "User", userPool() / "loop");

    struct Case {
        FileOrder order;
        bool descending;
        QStringList expected;
    };
    const Case cases[] = {
        {FileOrder::Date, true, {"B.1x2", "c.1X2", "a.1x2", "d.1x2"}},
        {FileOrder::Date, false, {"d.1x2", "a.1x2", "c.1X2", "B.1x2"}},
        {FileOrder::Name, false, {"a.1x2", "B.1x2", "c.1X2", "d.1x2"}},
        {FileOrder::Name, true, {"d.1x2", "c.1X2", "B.1x2", "a.1x2"}},
        {FileOrder::Size, true, {"B.1x2", "d.1x2", "c.1X2", "a.1x2"}},
        {FileOrder::Size, false, {"a.1x2", "c.1X2", "d.1x2", "B.1x2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.order) * 10 + c.descending);
        window_->SetFileOrder(c.order, c.descending);
        EXPECT_EQ(window_->FileTreeNames(), c.expected);
    }
    // Showing the panel goes back to newest first.
    window_->SidePanels()->setCurrentIndex(1);
    EXPECT_EQ(window_->FileTreeNames(), cases[0].expected);
}

TEST_F(MainWindowTest, ResultOfTheRoundColoursTheResultSignsAndListsTheLevels) {
    FillDatabase(true);
    const std::string facit = core::DisplayToSigns(kFixtureResult);
    const fs::path path = WriteSystem("Checked.1x2", "E", {facit, "0000000000000"});
    ASSERT_TRUE(window_->OpenFile(path));
    ASSERT_TRUE(window_->ResultShown());
    for (int m = 0; m < 13; ++m)
        for (int s = 0; s < 3; ++s) {
            const QColor bg = window_->Grid()->item(m, 5 + s)->background().color();
            EXPECT_EQ(bg == QColor(192, 255, 192), facit[m] == '0' + s) << "match " << m + 1 << " sign " << s;
        }
    auto* list = window_->findChild<QTableWidget*>("lvResult");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 15);  // 13 .. 0 and the total
    EXPECT_EQ(list->item(0, 0)->text(), "13");
    EXPECT_EQ(list->item(0, 1)->text(), "1");  // the first row is the result
    EXPECT_EQ(list->item(0, 2)->text(), "1 500 000,00");
    EXPECT_EQ(list->item(0, 3)->text(), "1 500 000,00");
    EXPECT_EQ(list->item(14, 0)->text(), Q(Msg(1015)));  // "Total:"
    EXPECT_EQ(list->item(14, 1)->text(), "2");

    window_->NewClick();
    EXPECT_FALSE(window_->ResultShown());

    // The database panel leads back to the stored round.
    program_->doc.OmgID = 1;
    window_->RebuildDatabaseTree();
    QTreeWidgetItem* pool = window_->DatabaseTree()->topLevelItem(0)->child(0);
    ASSERT_EQ(pool->text(0), "Stryktipset");
    ASSERT_EQ(pool->childCount(), 1);
    QTreeWidgetItem* round = pool->child(0)->child(0);
    EXPECT_EQ(pool->child(0)->text(0), "2026");
    EXPECT_EQ(round->text(0), "2026-50");
    emit window_->DatabaseTree()->itemClicked(round, 0);
    EXPECT_EQ(program_->doc.OmgID, 4851);
    EXPECT_TRUE(window_->ResultShown());
}

TEST_F(MainWindowTest, HiddenMatchMaintenanceRenamesOrDeletesAMatch) {
    window_->NewClick();
    prompter_.answers = {Answer::No};
    prompter_.inputs = {QString("Arsenal FC"), QString("Chelsea FC")};
    window_->MaintainMatch(1);
    EXPECT_EQ(prompter_.Texts("question")[0], "Do you want to delete match no. 1?");
    EXPECT_EQ(Cell(0, 1), "Arsenal FC");
    EXPECT_EQ(Cell(0, 4), "Chelsea FC");
    prompter_.answers = {Answer::Yes};
    window_->MaintainMatch(13);
    EXPECT_EQ(program_->db.RoundGames(4851, "S").size(), 12u);
    EXPECT_EQ(window_->Grid()->rowCount(), 13);  // the system keeps its matches
    EXPECT_EQ(Cell(12, 1), "");
}

TEST_F(MainWindowTest, ActivePoolsPanelListsShownOperatorsAndStartsASystemForAPool) {
    program_->settingsFile().WriteShowPoolForLanguage(core::LangSwedish);
    window_->RebuildActivePools();
    auto* tree = window_->ActivePoolsTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);  // only Svenska Spel is shown
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Svenska Spel");
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 3);  // S0, S1, I0
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "Stryktipset (2026-12-12 15:59)");

    program_->settingsFile().WriteShowPoolForLanguage(core::LangNorwegian);
    window_->RebuildActivePools();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* norsk = tree->topLevelItem(0)->child(0);
    TypeComment("unsaved");
    prompter_.answers = {Answer::Cancel};  // Cancel counts as No here
    emit tree->itemActivated(norsk, 0);
    const auto& doc = program_->doc;
    EXPECT_EQ(doc.Typ, "C");
    EXPECT_EQ(doc.MatchCount, 12);
    EXPECT_EQ(doc.OmgID, 2602);
    EXPECT_EQ(doc.Pool, "Tipping Lørdag");
    EXPECT_FALSE(window_->Modified());
    EXPECT_EQ(window_->Grid()->rowCount(), 12);
    EXPECT_EQ(window_->Grid()->horizontalHeaderItem(5)->text(), "H");
    EXPECT_EQ(Cell(0, 6), "U");
    EXPECT_TRUE(window_->findChild<QWidget*>("btnPlaceBet")->isHidden());
}

TEST_F(MainWindowTest, FirstShowOpensTheCommandLineFileOrTheLastOneOrStartsANewSystem) {
    const fs::path named = WriteSystem("named file.1x2"), last = WriteSystem("last.1x2");
    struct Case {
        const char* name;
        bool lastSaved;
        QString commandLine;
        fs::path opened;  // empty: a new system
    };
    const Case cases[] = {
        {"command line, spaces kept", true, "  " + Q(named.string()) + " ", named},
        {"most recent file", true, "", last},
        {"new system", false, "", {}},
        {"missing file: the most recent one", true, Q((userPool() / "gone.1x2").string()), last},
        {"missing file, nothing recent wanted", false, Q((userPool() / "gone.1x2").string()), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        program_->settings.lastSaved = c.lastSaved;
        program_->settings.recent = core::RecentFiles();
        program_->settings.recent.Add(last);
        program_->doc.Comment = "before";
        window_ = std::make_unique<TfrmStryk>(*program_, prompter_);
        window_->FirstShow(c.commandLine);
        QApplication::processEvents();
        if (c.opened.empty()) {
            EXPECT_TRUE(window_->IsUntitled());
            EXPECT_EQ(program_->doc.Comment, "");
            EXPECT_EQ(window_->Grid()->rowCount(), 13);
        } else {
            EXPECT_EQ(window_->FileName(), c.opened);
        }
    }
}

// The new system of the first start is the program's own doing: when its
// round's games cannot be fetched (the service is down), the status bar says
// so and no message box stands in the way; the new system is there all the same.
TEST_F(MainWindowTest, FirstStartWithTheServiceDownShowsNoBox) {
    program_->settings.lastSaved = false;
    program_->doc.Typ = "I";  // Europatipset: a round the database has no games of
    program_->doc.OmgID = 0;
    // Where the round's games would come from: nobody answers there.
    program_->updateIni.WriteString("I", "Details", "http://127.0.0.1:9/api/XMLinfoProxy.php?typ=I&omgang=%s");
    window_ = std::make_unique<TfrmStryk>(*program_, prompter_);
    window_->FirstShow({});
    auto* note = window_->findChild<QLabel*>(QStringLiteral("stsRoundGames"));
    ASSERT_NE(note, nullptr);
    for (int i = 0; i < 200 && note->text() != Q(Msg(3002)); ++i) QTest::qWait(25);
    EXPECT_EQ(note->text(), Q(Msg(3002)));
    EXPECT_TRUE(prompter_.Texts("error").empty()) << prompter_.Texts("error").front().toStdString();
    EXPECT_TRUE(window_->IsUntitled());
    EXPECT_EQ(window_->Grid()->rowCount(), 13);
    // Asked for by the player, the same failure is a message.
    window_->Commands().Trigger(QStringLiteral("actStatistics"));
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);
}

TEST_F(MainWindowTest, DebugModeShowsItsMenusAndSaysSo) {
    EXPECT_FALSE(window_->Action("actGetGames")->isVisible());
    program_->settings.debug = true;
    TfrmStryk debug(*program_, prompter_);
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(Msg(286))});
    auto* tools = debug.findChild<QMenu*>("mnuTools");
    ASSERT_NE(tools, nullptr);
    EXPECT_TRUE(tools->menuAction()->isVisible());
    EXPECT_TRUE(debug.Action("actGetGames")->isVisible());
    // The separate system editor is not installed here.
    debug.Action("actSystemEditor")->trigger();
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{Q(Msg(285))});
}

TEST_F(MainWindowTest, ClosingAsksThenDeletesOnlyTheProgramsOwnTemporaryFilesAndSavesSettings) {
    window_->NewClick();
    program_->settings.closeProgram = true;
    // A user's own file named like the untitled system is not a temporary file.
    fs::create_directories(home() / "User");
    WriteBytes(home() / "User" / "Untitled.1x2", "mine");
    const fs::path temp = program_->TempFolder() / "Head.txt";
    WriteBytes(temp, "temporary");

    TypeComment("unsaved");
    prompter_.answers = {Answer::Cancel};
    EXPECT_FALSE(window_->close());
    prompter_.answers = {Answer::No, Answer::No};  // discard, then "No" to closing
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(prompter_.Texts("question").back(), Q(Msg(281)));
    EXPECT_TRUE(fs::exists(temp));

    prompter_.answers = {Answer::No, Answer::Yes};
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(ReadBytes(home() / "User" / "Untitled.1x2"), "mine");
    core::SettingsFile saved(program_->settingsFile().path());
    const auto s = saved.Load();
    EXPECT_EQ(s.lastInstall, "7.51");
    EXPECT_EQ(s.language, core::LangEnglish);
    EXPECT_EQ(s.lastPool, "S");
}

TEST_F(MainWindowTest, OutputCommandsNeedRowsAndExportWritesThePoolsRowFile) {
    window_->NewClick();
    for (const char* name : {"actPrint", "actExport", "actViewCoupons"}) {
        auto* a = window_->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->isEnabled()) << name;
    }
    window_->PrintClick();
    window_->ViewCouponsClick();
    window_->ExportClick();
    EXPECT_EQ(prompter_.Texts("information"),
              (std::vector<QString>{"There are no rows!", "There are no rows!", "There are no rows!"}));

    auto& doc = program_->doc;
    doc.Rader = {"0120120120120", "1111111111111"};
    vinra::testing::TempDir out;
    const fs::path file = out.path() / "rows.txt";
    prompter_.files = {Q(file.string())};
    prompter_.shown.clear();
    window_->ExportClick();
    EXPECT_EQ(ReadBytes(file), "Stryktipset\r\nE,1,X,2,1,X,2,1,X,2,1,X,2,1\r\nE,X,X,X,X,X,X,X,X,X,X,X,X,X\r\n");
    EXPECT_TRUE(prompter_.Texts("error").empty());
    // The dialog proposes a name of pool and round, and the player is told
    // how many rows went where.
    ASSERT_EQ(prompter_.Texts("save").size(), 1u);
    const QString proposed = prompter_.Texts("save")[0];
    EXPECT_TRUE(proposed.endsWith(".txt")) << proposed.toStdString();
    EXPECT_TRUE(fs::path(proposed.toStdString()).filename().string().starts_with("Stryktipset"))
        << proposed.toStdString();
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("information")[0].contains("2")) << prompter_.Texts("information")[0].toStdString();
    EXPECT_TRUE(prompter_.Texts("information")[0].contains(Q(file.string())));

    // A pool without a row file says so and asks for no file name.
    prompter_.shown.clear();
    doc.Typ = "V";
    window_->ExportClick();
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("information")[0].contains("No file was written"));
    EXPECT_TRUE(prompter_.Texts("save").empty());
}

// The people's percentages under the signs come from the round's game
// information in the cache when a system is opened; nothing shows for a figure
// out of range or for information of another number of matches; the System
// menu's toggle is kept and restored at the next start.
TEST_F(MainWindowTest, PeoplePercentagesFromTheCachedGameInformation) {
    const fs::path system = WriteSystem("people.vin");
    const fs::path info = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
    const auto writeInfo = [&](int games) {
        std::string text =
            "[Game0]\r\nPeople1=29.5\r\nPeopleX=23.8\r\nPeople2=46.8\r\n"
            "[Game1]\r\nPeople1=1e300\r\nPeopleX=-3\r\nPeople2=250\r\n";
        for (int m = 2; m < games; ++m) text += "[Game" + std::to_string(m) + "]\r\nPeople1=40\r\n";
        fs::create_directories(info.parent_path());
        WriteBytes(info, text);
    };
    const auto people = [&](int row) {
        QStringList out;
        for (int s = 0; s < 3; ++s) out << window_->Grid()->item(row, 5 + s)->data(kPeopleRole).toString();
        return out.join(QLatin1Char('|'));
    };
    struct Case {
        int games;
        const char* row0;
        const char* row1;
        const char* row12;
    };
    for (const Case& c : {Case{13, "30%|24%|47%", "||", "40%||"}, Case{8, "||", "||", "||"}}) {
        SCOPED_TRACE(c.games);
        writeInfo(c.games);
        ASSERT_TRUE(window_->OpenFile(system));
        EXPECT_EQ(people(0), QLatin1String(c.row0));
        EXPECT_EQ(people(1), QLatin1String(c.row1));
        EXPECT_EQ(people(12), QLatin1String(c.row12));
    }

    writeInfo(13);
    window_->Commands().Trigger(QStringLiteral("actShowPeople"));
    window_.reset();
    program_.reset();
    StartWindow();
    ASSERT_TRUE(window_->OpenFile(system));
    EXPECT_FALSE(window_->Commands().Action(QStringLiteral("actShowPeople"))->isChecked());
    EXPECT_EQ(people(0), QLatin1String("||"));
    window_->Commands().Trigger(QStringLiteral("actShowPeople"));
    EXPECT_EQ(people(0), QLatin1String("30%|24%|47%"));
}

// At the first size on a 1366 x 768 screen every match of a 13-match round is
// in sight with the people's percentages under the signs (the taller rows):
// the pool's picture below the grid gives up its room, not the grid.
TEST_F(MainWindowTest, ThirteenMatchesStayInSightOnALaptopScreen) {
    const fs::path system = WriteSystem("laptop.vin");
    const fs::path info = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
    std::string text;
    for (int m = 0; m < 13; ++m) text += "[Game" + std::to_string(m) + "]\r\nPeople1=40\r\n";
    fs::create_directories(info.parent_path());
    WriteBytes(info, text);
    // The pool's picture, as the shipped pool definitions name it.
    const fs::path data = program_->DataFolder();
    fs::create_directories(data / "Images");
    fs::copy_file(fs::path(VINRA_SOURCE_DIR) / "resources" / "pictures" / "stryktipset.png",
                  data / "Images" / "stryktipset.png", fs::copy_options::overwrite_existing);
    std::string national = ReadBytes(data / "National.Ini");
    const size_t section = national.find("[Stryktipset]");
    ASSERT_NE(section, std::string::npos);
    national.insert(national.find('\n', section) + 1, "Img=Images/stryktipset.png\r\n");
    WriteBytes(data / "National.Ini", national);
    window_.reset();
    program_.reset();
    StartWindow();
    ASSERT_TRUE(window_->OpenFile(system));
    window_->resize(MainWindowSizes({1366, 740}).first);
    window_->show();
    QApplication::processEvents();
    QTableWidget* grid = window_->Grid();
    ASSERT_EQ(grid->rowCount(), 13);
    EXPECT_EQ(grid->rowHeight(0), 36);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0) << "grid height " << grid->height();
    // The picture is still there, smaller.
    const QSize picture = window_->TipsPanel().PictureShownSize();
    EXPECT_GT(picture.height(), 20);
    EXPECT_LT(picture.height(), 200);
    // Nor does the window ask a netbook screen for more than it has.
    EXPECT_LE(window_->minimumSizeHint().height(), MainWindowSizes({1024, 600}).minimum.height());
    window_->hide();
}

// The first size fits the screen the window opens on: 1366 x 768 (also a
// 2732 x 1536 screen at twice the scale) has less height than the usual size.
TEST(MainWindowSize, FirstSizeFitsTheScreen) {
    const struct {
        QSize available, first, minimum;
    } cases[] = {
        {{1920, 1040}, {1240, 780}, {960, 670}},  // a large screen: the usual sizes
        {{1366, 740}, {1240, 692}, {960, 670}},   // 1366 x 768 less a panel
        {{1024, 600}, {1008, 552}, {960, 552}},   // a netbook: nothing beyond the screen
    };
    for (const auto& c : cases) {
        const WindowSizes s = MainWindowSizes(c.available);
        EXPECT_EQ(s.first, c.first) << c.available.width() << "x" << c.available.height();
        EXPECT_EQ(s.minimum, c.minimum);
    }
}

}  // namespace
}  // namespace vinra::ui::testing
