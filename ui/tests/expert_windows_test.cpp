// The reduced-system dialog, the expert wizard and the template editor driven
// as a player drives them, offscreen; the rows are checked against the
// `vinra` command line and the warranty engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUrl>
#include <QtTest/QTest>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>

#include "core/messages.h"
#include "core/packed_row.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/conditions.h"
#include "reduction/row_generation.h"
#include "reduction/warranty.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/reduction/dynamic_rows.h"
#include "ui/reduction/generate_window.h"
#include "ui/reduction/system_coupon.h"
#include "ui/reduction/template_editor.h"
#include "ui/tests/support/reduction_fixture.h"
#include "ui/tests/support/scripted_prompter.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

class ExpertWindowsTest : public ReductionWindowFixture {
protected:
    void SetUp() override {
        ReductionWindowFixture::SetUp();
        // The shipped systems and templates, where the installer puts them.
        const fs::path data = dir_.path() / "Program";
        const fs::path res = fs::path(VINRA_SOURCE_DIR) / "resources";
        fs::create_directories(data / "SYSTEM");
        fs::copy(res / "systems" / "Svenska Spel", data / "SYSTEM" / "Svenska Spel", fs::copy_options::recursive);
        fs::copy(res / "templates", data / "Expertsystem", fs::copy_options::recursive);
    }

    // People's percentages of the round: match m's favourite and its share.
    void WriteGameInfo(const std::vector<std::array<double, 3>>& people) {
        const fs::path dir = dir_.path() / "Program" / "Cache" / "Data";
        fs::create_directories(dir);
        std::ofstream out(dir / "Stryktipset 4851.ini", std::ios::binary);
        for (size_t m = 0; m < people.size(); ++m)
            out << "[Game" << m << "]\r\nPeople1=" << people[m][0] << "\r\nPeopleX=" << people[m][1]
                << "\r\nPeople2=" << people[m][2] << "\r\n";
    }

    static void WaitForGuarantee(TSystemkupong& dialog) {
        if (!dialog.GuaranteeRunning()) return;
        QSignalSpy spy(&dialog, &TSystemkupong::guaranteeShown);
        ASSERT_TRUE(spy.wait(60000)) << "the guarantee was not worked out";
    }
};

// Nine singles and four full guards: the frame of "R 4-0-9".
const std::vector<std::string> kRFrame = {"0", "1", "2", "0", "0", "1", "2", "2", "0", "012", "012", "012", "012"};

TEST_F(ExpertWindowsTest, ASystemChosenInTheDialogGivesTheRowsOfTheCommandLineAndItsGuarantee) {
    ASSERT_TRUE(fs::exists(Cli())) << Cli();
    const core::TVinraFile doc = System(kRFrame);
    TSystemkupong dialog(doc, prompter_, {{}, {}, "Svenska Spel"});
    EXPECT_EQ(dialog.OperatorChoice()->text(), QStringLiteral("Svenska Spel"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());  // no system chosen yet
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 4-0-9")));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.CountLabel(0, 0)->text(), QStringLiteral("4"));
    EXPECT_EQ(dialog.CountLabel(0, 1)->text(), QStringLiteral("0"));
    WaitForGuarantee(dialog);
    EXPECT_TRUE(dialog.GuaranteeLabel()->text().contains(QStringLiteral("9 rows: 12 right guaranteed")))
        << dialog.GuaranteeLabel()->text().toStdString();
    dialog.OkClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted)
        << (prompter_.shown.empty() ? "" : prompter_.shown[0].text.toStdString());

    core::TVinraFile mine = doc;
    dialog.Coupon().StoreInDocument(mine, dialog.Result(), true);
    EXPECT_EQ(mine.Rader.size(), 9u);
    EXPECT_EQ(mine.Systemnamn, "R 4-0-9");

    // The command line on the same frame and file.
    const fs::path in = dir_.path() / "in.1x2", out = dir_.path() / "out.1x2";
    doc.SaveToFile(in);
    const auto r = vinra::testing::RunProcess(
        Cli().string(),
        {"apply-system", in.string(), "--red",
         (dir_.path() / "Program" / "SYSTEM" / "Svenska Spel" / "R 4-0-9.RED").string(), "-o", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    core::TVinraFile cli;
    cli.LoadFromFile(out);
    EXPECT_EQ(mine.Rader, cli.Rader);

    // The warranty engine: with every single right, every outcome of the
    // guarded matches has a row with at most one wrong.
    reduction::ConditionSet none = reduction::NewConditionSet(13);
    none.flags.fill(false);
    const auto outcomes = reduction::ExpandFrame(kRFrame, 13, none, {}, nullptr, nullptr);
    std::vector<core::PackedRow> rows;
    for (const auto& row : mine.Rader) rows.push_back(core::PackRow(row));
    std::vector<reduction::OutcomeCounts> counts;
    ASSERT_TRUE(reduction::CountsPerOutcome(outcomes, rows, 13, counts));
    ASSERT_EQ(counts.size(), 81u);
    for (const auto& c : counts) EXPECT_GT(c[0] + c[1], 0u);
}

TEST_F(ExpertWindowsTest, AnElevenRightSystemStatesItsGuaranteeAndTheBestKnownSize) {
    std::vector<std::string> frame(13, "1");
    for (int m = 0; m < 8; ++m) frame[m] = "012";
    TSystemkupong dialog(System(frame), prompter_, {{}, {}, "Svenska Spel"});
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 8-0-81 N-2")));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    WaitForGuarantee(dialog);
    EXPECT_EQ(dialog.GuaranteeLabel()->text(),
              QStringLiteral("81 rows: 11 right guaranteed if all singles are right.\n"
                             "Smallest size known for these guards: 81 rows."));
    dialog.OkClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().rows.size(), 81u);
}

TEST_F(ExpertWindowsTest, CouponClicksCountsAndTheOkRule) {
    TSystemkupong dialog(System(kRFrame), prompter_, {{"Arsenal"}, {"Chelsea"}, "Svenska Spel"});
    EXPECT_EQ(dialog.CellText(0, TSystemkupong::kColLabel), QStringLiteral(" 1. Arsenal - Chelsea"));
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 3-0-5")));
    // Four full guards where the system has three.
    EXPECT_EQ(dialog.CountLabel(0, 1)->text(), QStringLiteral("1") + Msg(381));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    // A mathematical guard gives one back.
    dialog.ClickMath(12);
    EXPECT_EQ(dialog.CellText(12, TSystemkupong::kColMath), QStringLiteral("X"));
    EXPECT_EQ(dialog.CountLabel(0, 1)->text(), QStringLiteral("0"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    // An R-system takes no U signs.
    dialog.ClickU(10, 1);
    EXPECT_EQ(dialog.CellText(10, TSystemkupong::kColU + 1), QString());
    // A match without a mark: no OK.
    dialog.ClickBase(0, 0);
    EXPECT_EQ(dialog.CellText(0, TSystemkupong::kColBase), QString());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.ClickBase(0, 0);

    // A U-system: a U sign on every guarded match not played mathematically.
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("U 3-0-5")));
    EXPECT_EQ(dialog.CellText(12, TSystemkupong::kColMath), QStringLiteral("X"));  // kept
    EXPECT_EQ(dialog.CountLabel(2, 1)->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog.CellText(9, TSystemkupong::kColIndicator), QString(QChar(0x2190)));
    for (int m : {9, 10, 11}) dialog.ClickU(m, 1);
    EXPECT_EQ(dialog.CellText(9, TSystemkupong::kColIndicator), QString(QChar(0x2713)));
    EXPECT_EQ(dialog.CellText(9, TSystemkupong::kColU + 1), QStringLiteral("X"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.OkClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().rows.size(), 15u);  // 5 rows, three times over the mathematical guard

    // My systems: empty here; a system whose file went away says so by name.
    TSystemkupong other(System(kRFrame), prompter_, {{}, {}, "Svenska Spel"});
    other.ChooseOwnSystems(true);
    EXPECT_EQ(other.SystemList()->count(), 0);
    other.ChooseOwnSystems(false);
    ASSERT_TRUE(other.SelectSystem(QStringLiteral("R 4-0-9")));
    fs::remove(dir_.path() / "Program" / "SYSTEM" / "Svenska Spel" / "R 4-0-9.RED");
    other.OkClick();
    EXPECT_NE(other.result(), QDialog::Accepted);
    ASSERT_EQ(prompter_.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("error")[0].startsWith(Msg(380)));
    EXPECT_TRUE(prompter_.Texts("error")[0].contains(QStringLiteral("R 4-0-9.RED")));
}

TEST_F(ExpertWindowsTest, TheGuaranteeIsWorkedOutOffTheGuiThreadAndTheLastChoiceWins) {
    TSystemkupong dialog(System(kRFrame), prompter_, {{}, {}, "Svenska Spel"});
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 3-0-5")));
    // The choice returns at once; the count follows.
    EXPECT_TRUE(dialog.GuaranteeRunning());
    EXPECT_EQ(dialog.GuaranteeLabel()->text(), Msg(3404));
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 4-0-9")));
    WaitForGuarantee(dialog);
    EXPECT_FALSE(dialog.GuaranteeRunning());
    EXPECT_TRUE(dialog.GuaranteeLabel()->text().startsWith(QStringLiteral("9 rows: 12 right guaranteed")))
        << dialog.GuaranteeLabel()->text().toStdString();
}

TEST_F(ExpertWindowsTest, DamagedSystemFilesAndTheGridSpeakThePlayersLanguage) {
    SetLanguage(core::LangSwedish);
    const fs::path own = dir_.path() / "User" / "SYSTEM" / "My Own";
    ASSERT_EQ(reduction::OwnSystemsFolder(), own);
    fs::create_directories(own);
    std::ofstream(own / "R 1-0-3.RED", std::ios::binary) << "UUU\r\n01x\r\n";
    core::TVinraFile doc = System(kRFrame);
    TSystemkupong dialog(doc, prompter_, {{}, {}, "Svenska Spel"});
    dialog.ChooseOwnSystems(true);
    ASSERT_TRUE(dialog.SelectSystem(QStringLiteral("R 1-0-3")));
    WaitForGuarantee(dialog);
    const QString want = QString::fromStdString(core::FormatMsg(
        core::Msg(3406),
        {std::string("R 1-0-3"), core::FormatMsg(core::Msg(3412), {2LL, std::string("'x'")})}));
    EXPECT_EQ(dialog.GuaranteeLabel()->text(), want);
    EXPECT_TRUE(want.startsWith(QStringLiteral("Systemfilen"))) << want.toStdString();
}

TEST_F(ExpertWindowsTest, TheReductionWizardsReadFromFileChoiceHandsOverToTheDialog) {
    TfrmGenerate wizard(System(kRFrame), *program_, prompter_);
    wizard.ReadFileChoice()->setChecked(true);
    wizard.NextClick();
    EXPECT_EQ(wizard.result(), kReadSystemFromFile);
    EXPECT_TRUE(prompter_.shown.empty());
}

// A round whose favourites are clear: matches 5 and 9 (home), 13 (away),
// then the others in match order (home).
std::vector<std::array<double, 3>> ClearRound() {
    std::vector<std::array<double, 3>> p;
    for (int m = 0; m < 13; ++m) p.push_back({60.0 - m, 25.0, 15.0 + m});
    p[4] = {85.0, 10.0, 5.0};
    p[8] = {80.0, 12.0, 8.0};
    p[12] = {10.0, 20.0, 70.0};
    return p;
}

void WaitDone(TfrmDynamicRows& w) {
    if (!w.Running()) return;
    QSignalSpy spy(&w, &TfrmDynamicRows::generationDone);
    ASSERT_TRUE(spy.wait(120000)) << "the generation did not end";
}

TEST_F(ExpertWindowsTest, AnExpertRunWithALimitOf200GivesAtMost200RowsThatPassTheTemplate) {
    WriteGameInfo(ClearRound());
    bool statistics = false;
    TfrmDynamicRows::Options options;
    options.showStatistics = [&](QWidget*) { statistics = true; };
    options.seed = 5;
    TfrmDynamicRows wizard(System(std::vector<std::string>(13, "012")), *program_, prompter_, options);
    EXPECT_EQ(wizard.MethodList()->count(), 10);
    EXPECT_TRUE(wizard.PlaceBetBox()->isVisibleTo(&wizard));  // Svenska Spel takes bets
    EXPECT_FALSE(wizard.Button(QStringLiteral("btnFinish"))->isEnabled());
    wizard.NextClick();
    EXPECT_EQ(wizard.CurrentPage(), TfrmDynamicRows::Method);
    wizard.SelectTemplate(2);  // four singles
    EXPECT_FALSE(wizard.Description()->text().isEmpty());
    EXPECT_FALSE(wizard.Picture()->pixmap().isNull());
    EXPECT_FALSE(wizard.Button(QStringLiteral("btnBrowse"))->isVisibleTo(&wizard));
    wizard.SelectTemplate(9);
    EXPECT_TRUE(wizard.Button(QStringLiteral("btnBrowse"))->isVisibleTo(&wizard));
    wizard.SelectTemplate(2);
    wizard.NextClick();
    // The slider writes its position x 50; the field takes only whole numbers.
    wizard.LimitSlider()->setValue(4);
    EXPECT_EQ(wizard.LimitField()->text(), QStringLiteral("200"));
    wizard.NextClick();
    EXPECT_TRUE(statistics);
    WaitDone(wizard);
    ASSERT_FALSE(wizard.Rows().empty());
    EXPECT_LE(wizard.Rows().size(), 200u);
    EXPECT_EQ(wizard.Counter(4)->text(), QString::number(wizard.Rows().size()));
    // The four clearest favourites are singles on their favourite: matches 5
    // and 9 (home), 13 (away), 1 (home).
    for (const auto& r : wizard.Rows()) {
        for (int m : {4, 8, 0}) ASSERT_EQ(r[static_cast<size_t>(m)], '0') << r;
        ASSERT_EQ(r[12], '2') << r;
        ASSERT_TRUE(reduction::RowPassesConditions(r, reduction::ExpertPass1(wizard.Setup(), {}).conditions, {}));
    }
    EXPECT_TRUE(wizard.Button(QStringLiteral("btnFinish"))->isEnabled());
    wizard.FinishClick();
    ASSERT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(wizard.Result().Rader, wizard.Rows());
    EXPECT_EQ(wizard.Result().FilterToRader, 200);
    EXPECT_EQ(wizard.Result().Grundrad[4], "0  ");
}

TEST_F(ExpertWindowsTest, CancelStopsOnlyThePassAndEscapeStopsItAndCloses) {
    WriteGameInfo(ClearRound());
    TfrmDynamicRows::Options options;
    options.seed = 9;
    TfrmDynamicRows wizard(System(std::vector<std::string>(13, "012")), *program_, prompter_, options);
    wizard.show();
    wizard.NextClick();
    wizard.SelectTemplate(9);  // the widest frame
    wizard.NextClick();
    wizard.LimitField()->setText(QStringLiteral("x"));
    wizard.NextClick();
    EXPECT_EQ(wizard.LimitField()->text(), QStringLiteral("100"));  // not a number: 100
    ASSERT_TRUE(wizard.Running());
    EXPECT_FALSE(wizard.Button(QStringLiteral("btnNext"))->isEnabled());
    EXPECT_FALSE(wizard.Button(QStringLiteral("btnPrevious"))->isEnabled());
    // Cancel in pass 1: the pass ends, the window stays.
    QSignalSpy passes(&wizard, &TfrmDynamicRows::passFinished);
    wizard.CancelClick();
    WaitDone(wizard);
    EXPECT_TRUE(wizard.isVisible());
    ASSERT_GE(passes.count(), 1);
    EXPECT_EQ(passes.at(0).at(0).toInt(), 1);

    // Cancel in pass 2: run again and stop pass 2 as soon as it starts.
    wizard.PreviousClick();
    wizard.NextClick();
    bool stoppedPass2 = false;
    QObject::connect(&wizard, &TfrmDynamicRows::passFinished, &wizard, [&](int pass) {
        if (pass == 1 && wizard.Running()) {
            wizard.CancelClick();
            stoppedPass2 = true;
        }
    });
    WaitDone(wizard);
    EXPECT_TRUE(wizard.Pass2Ran());
    EXPECT_TRUE(stoppedPass2);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_FALSE(wizard.Running());

    // Escape while a pass runs: stopped, joined, closed, nothing stored.
    wizard.PreviousClick();
    wizard.NextClick();
    ASSERT_TRUE(wizard.Running());
    QSignalSpy done(&wizard, &TfrmDynamicRows::generationDone);
    wizard.reject();
    EXPECT_FALSE(wizard.Running());
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    QCoreApplication::processEvents();
    EXPECT_EQ(done.count(), 0);
}

TEST_F(ExpertWindowsTest, TheMethodListEndsAtTheFirstTemplateWithoutANameInTheLanguage) {
    const fs::path folder = dir_.path() / "Program" / "Expertsystem";
    core::IniFile four = core::IniFile::FromFile(folder / "4.exp");
    four.DeleteKey("Name", "0");  // no Swedish name
    four.SaveToFile(folder / "4.exp");
    SetLanguage(core::LangSwedish);
    TfrmDynamicRows swedish(System(std::vector<std::string>(13, "012")), *program_, prompter_);
    EXPECT_EQ(swedish.MethodList()->count(), 4);
    EXPECT_EQ(swedish.MethodList()->item(0)->text(), QStringLiteral("Försiktig"));
    SetLanguage(core::LangEnglish);
    TfrmDynamicRows english(System(std::vector<std::string>(13, "012")), *program_, prompter_);
    EXPECT_EQ(english.MethodList()->count(), 10);
}

TEST_F(ExpertWindowsTest, TheTemplateEditorNormalisesAddsDeletesAndSavesKeepingTheNames) {
    const fs::path folder = dir_.path() / "Program" / "Expertsystem";
    TfrmEditor editor(*program_, prompter_);
    ASSERT_TRUE(editor.Load(folder / "3.exp"));
    EXPECT_EQ(editor.SafeField()->text(), QStringLiteral("1,2,3,4"));
    EXPECT_EQ(editor.SourceRows()->count(), 2);
    EXPECT_EQ(editor.SourceRows()->item(1)->text(), QStringLiteral("3|5,6,7,8,9,10,11,12,13|0|2"));

    editor.SafeField()->setText(QStringLiteral("3,1;x,15,1,2,0"));
    emit editor.SafeField()->editingFinished();
    EXPECT_EQ(editor.SafeField()->text(), QStringLiteral("1,2,3"));
    emit editor.SafeField()->textEdited(editor.SafeField()->text());
    editor.SourceListField()->setText(QStringLiteral("2,1"));
    editor.KindChoice()->setCurrentIndex(4);
    editor.SourceMin()->setValue(1);
    editor.SourceMax()->setValue(2);
    editor.AddSourceRow();
    editor.AddSourceRow();  // the same again: not added twice
    ASSERT_EQ(editor.SourceRows()->count(), 3);
    EXPECT_EQ(editor.SourceRows()->item(2)->text(), QStringLiteral("4|1,2|1|2"));
    prompter_.answers = {Answer::No, Answer::Yes};
    editor.DeleteSourceRow(0);  // No: kept
    editor.DeleteSourceRow(0);  // Yes: gone
    ASSERT_EQ(editor.SourceRows()->count(), 2);
    EXPECT_EQ(prompter_.Texts("question")[0],
              Msg(361).replace(QStringLiteral("%s"), QStringLiteral("0|1,2,3,4,5,6,7,8,9,10,11,12,13|8|13")));
    EXPECT_TRUE(editor.Modified());

    // New with unsaved changes: Yes saves first, into the file chosen.
    const fs::path saved = folder / "mine.exp";
    prompter_.answers = {Answer::Yes};
    prompter_.files = {QString::fromStdString(saved.string())};
    ASSERT_TRUE(editor.NewClick());
    EXPECT_EQ(prompter_.Texts("question3").back(), Msg(279));
    const reduction::ExpertTemplate t = reduction::ReadTemplate(saved);
    EXPECT_EQ(t.safe, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(t.sourceRows.size(), 2u);
    EXPECT_EQ(t.sourceRows[1].kind, 4);
    EXPECT_EQ(t.Name(core::LangEnglish), "Balanced");  // the names came along
    EXPECT_TRUE(editor.SafeField()->text().isEmpty());
    EXPECT_FALSE(editor.Modified());

    // Closing with changes: Cancel stays, No closes without saving.
    editor.show();
    editor.RowDiffField()->setValue(4);
    prompter_.answers = {Answer::Cancel};
    editor.reject();
    EXPECT_TRUE(editor.isVisible());
    prompter_.answers = {Answer::No};
    editor.reject();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(reduction::ReadTemplate(saved).rowDiff, 1);
}

// The windows as a player sees them, in Swedish and English, when
// VINRA_SCREENSHOT_DIR names a folder for the pictures.
// Help in the expert wizard and the template editor opens their own pages of
// the manual; the wizard no longer only says that help is coming.
TEST_F(ExpertWindowsTest, HelpOpensTheWindowsOwnPage) {
    const fs::path manual = dir_.path() / "help";
    fs::create_directories(manual / "10000");
    for (const char* page : {"expert.htm", "template.htm"}) std::ofstream(manual / "10000" / page) << "en";
    std::vector<std::string> opened;
    SetHelpSource({.host = {}, .installed = manual, .launch = [&](const QUrl& url) {
                       opened.push_back(url.fileName().toStdString());
                       return true;
                   }});
    auto waitFor = [&](size_t n) {
        QElapsedTimer t;
        t.start();
        while (opened.size() < n && t.elapsed() < 5000) QTest::qWait(20);
    };
    TfrmDynamicRows wizard(System(std::vector<std::string>(13, "012")), *program_, prompter_);
    wizard.Button(QStringLiteral("btnHelp"))->click();
    waitFor(1);
    TfrmEditor editor(*program_, prompter_);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    QTest::keyClick(&editor, Qt::Key_F1);
    waitFor(2);
    EXPECT_EQ(opened, (std::vector<std::string>{"expert.htm", "template.htm"}));
    EXPECT_TRUE(prompter_.shown.empty());
    SetHelpSource({});
}

TEST_F(ExpertWindowsTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    WriteGameInfo(ClearRound());
    const std::vector<std::string> homes = {"Arsenal",   "Brentford", "Everton", "Fulham",   "Leeds",
                                            "Liverpool", "Newcastle", "Burnley", "Coventry", "Derby",
                                            "Hull",      "Millwall",  "Watford"};
    const std::vector<std::string> aways = {"Chelsea",   "Brighton",   "Wolves", "Aston Villa", "Tottenham",
                                            "Man City",  "West Ham",   "Stoke",  "Norwich",     "Preston",
                                            "Sheff Wed", "Portsmouth", "Ipswich"};
    for (const auto& [base, tag] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        SetLanguage(base);
        UseQtLanguage(base);
        const auto save = [&](QWidget* w, const std::string& name) {
            w->show();
            QCoreApplication::processEvents();
            ASSERT_TRUE(w->grab().save(QString::fromStdString(std::string(out) + "/" + name + "_" + tag + ".png")));
        };
        {
            core::TVinraFile doc = System(kRFrame);
            TSystemkupong dialog(doc, prompter_, {homes, aways, "Svenska Spel"});
            dialog.SelectSystem(QStringLiteral("U 4-0-9"));
            dialog.ClickU(9, 0);
            dialog.ClickU(10, 1);
            save(&dialog, "system_coupon");
            dialog.SelectSystem(QStringLiteral("R 3-0-5"));
            save(&dialog, "system_coupon_too_many");
        }
        {
            std::vector<std::string> frame(13, "1");
            for (int m = 0; m < 9; ++m) frame[m] = "012";
            TSystemkupong dialog(System(frame), prompter_, {homes, aways, "Svenska Spel"});
            for (const auto& name : reduction::ListRedSystems(dir_.path() / "Program" / "SYSTEM" / "Svenska Spel"))
                if (name.rfind("R 9-0-", 0) == 0 && reduction::RedNameWrong(name) == 2)
                    dialog.SelectSystem(QString::fromStdString(name));
            WaitForGuarantee(dialog);
            save(&dialog, "system_coupon_eleven_right");
        }
        {
            TfrmDynamicRows::Options options;
            options.seed = 1;
            TfrmDynamicRows wizard(System(std::vector<std::string>(13, "012")), *program_, prompter_, options);
            save(&wizard, "expert_welcome");
            wizard.NextClick();
            wizard.SelectTemplate(3);
            save(&wizard, "expert_method");
            wizard.SelectTemplate(9);
            save(&wizard, "expert_method_last");
            wizard.NextClick();
            save(&wizard, "expert_limit");
            wizard.NextClick();
            WaitDone(wizard);
            save(&wizard, "expert_generate");
        }
        {
            TfrmEditor editor(*program_, prompter_);
            editor.Load(dir_.path() / "Program" / "Expertsystem" / "3.exp");
            save(&editor, "template_editor");
        }
    }
}

// The commands reach the main window through the command table.
class ExpertCommandsTest : public UiFixture {};

TEST_F(ExpertCommandsTest, TheMainWindowOffersTheDialogTheWizardAndTheNewSystemOption) {
    CommandTable& table = window_->Commands();
    ASSERT_TRUE(table.Has(QStringLiteral("actReadSystem")));
    ASSERT_TRUE(table.Has(QStringLiteral("actExpert")));
    EXPECT_FALSE(table.Row(QStringLiteral("actExpert"))->later);
    EXPECT_TRUE(table.Action(QStringLiteral("actExpert"))->isEnabled());
    EXPECT_EQ(table.Action(QStringLiteral("actReadSystem"))->text(), QString::fromStdString(core::Msg(253)));
    EXPECT_TRUE(table.MenuRows(MenuId::System).contains(QStringLiteral("actExpertOnNew")));
    QAction* onNew = table.Action(QStringLiteral("actExpertOnNew"));
    EXPECT_EQ(onNew->text(), QString::fromStdString(core::Msg(575)));
    EXPECT_FALSE(onNew->isChecked());
    table.Trigger(QStringLiteral("actExpertOnNew"));
    table.Refresh();
    EXPECT_TRUE(program_->settings.guideOnNewFile);
    EXPECT_TRUE(onNew->isChecked());
}

}  // namespace
}  // namespace vinra::ui::testing
