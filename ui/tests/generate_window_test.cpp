// The reduction wizard driven as a player drives it, offscreen: frame ->
// method -> conditions through every editor -> Reduce -> warranty -> Finish,
// compared with what the `vinra` command line makes of the saved system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>

#include <nlohmann/json.hpp>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "reduction/conditions.h"
#include "reduction/guarantee_cover.h"
#include "reduction/row_generation.h"
#include "reduction/system_value.h"
#include "tests/run_process.h"
#include "tests/temp_dir.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/reduction/condition_dialogs.h"
#include "ui/reduction/generate_window.h"
#include "ui/reduction/register.h"
#include "ui/reduction/value_chart.h"
#include "ui/tests/support/reduction_fixture.h"
#include "ui/tests/support/scripted_prompter.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using reduction::WizardMethod;

class GenerateWindowTest : public ReductionWindowFixture {
protected:
    // The round's game information, as the download writes it.
    void WriteGameInfo() {
        const fs::path dir = dir_.path() / "Program" / "Cache" / "Data";
        fs::create_directories(dir);
        std::ofstream out(dir / "Stryktipset 4851.ini", std::ios::binary);
        const char* homes[] = {"Arsenal", "Brentford", "Everton", "Fulham", "Leeds",    "Liverpool", "Newcastle",
                               "Burnley", "Coventry",  "Derby",   "Hull",   "Millwall", "Watford"};
        const char* aways[] = {"Chelsea", "Brighton", "Wolves",  "Aston Villa", "Tottenham",  "Man City", "West Ham",
                               "Stoke",   "Norwich",  "Preston", "Sheff Wed",   "Portsmouth", "Ipswich"};
        for (int m = 0; m < 13; ++m) {
            const int home = 30 + (m * 7) % 40, draw = 20 + (m * 3) % 12, away = 100 - home - draw;
            out << "[Game" << m << "]\r\nHome=" << homes[m] << "\r\nAway=" << aways[m] << "\r\nPeople1=" << home
                << ".0\r\nPeopleX=" << draw << ".5\r\nPeople2=" << away << ".0\r\nOdds1=" << (100.0 / home)
                << "\r\nOddsX=3.40\r\nOdds2=" << (100.0 / (away + 1))
                << "\r\nUbet1=2.10\r\nUbetX=3.30\r\nUbet2=3.60\r\n";
        }
    }

    // Runs fn on the modal dialog of type D once it is open (from inside its exec()).
    template <typename D>
    static void WhenModal(std::function<void(D*)> fn) {
        QTimer::singleShot(0, [fn] {
            QWidget* w = QApplication::activeModalWidget();
            auto* d = qobject_cast<D*>(w);
            if (!d) {
                ADD_FAILURE() << "the expected editor did not open";
                if (w) w->close();
                return;
            }
            fn(d);
        });
    }

    static void WaitForRun(TfrmGenerate& w) {
        QSignalSpy spy(&w, &TfrmGenerate::runFinished);
        ASSERT_TRUE(spy.wait(120000)) << "the run did not end";
    }
};

const std::vector<std::string> kFrame = {"012", "012", "012", "012", "0 2", "01 ", " 12",
                                         "0  ", "  2", " 1 ", "0  ", "012", "0  "};

TEST_F(GenerateWindowTest, ThePlayersPathGivesWhatTheCommandLineGives) {
    ASSERT_TRUE(fs::exists(Cli())) << Cli();
    core::TVinraFile doc = System(kFrame);
    const core::TVinraFile original = doc;
    TfrmGenerate w(doc, *program_, prompter_);
    EXPECT_EQ(w.StatusPanel(0)->text(), "Mathematical no of rows: 1 944");
    EXPECT_EQ(w.StatusPanel(2)->text(), Msg(327));
    EXPECT_FALSE(w.MethodButton(WizardMethod::Filter)->isEnabled());  // no rows to filter
    EXPECT_EQ(w.windowTitle(), "Reduce System Wizard - Step 1 of 4");  // as the menu calls it
    EXPECT_FALSE(w.Button("btnPrevious")->isEnabled());
    EXPECT_FALSE(w.Button("btnFinish")->isEnabled());

    w.NextClick();
    ASSERT_EQ(w.Pages()->currentIndex(), 1);
    EXPECT_EQ(w.findChild<QLabel*>("lblType2")->text(), Msg(308));
    w.FlagBox(core::UseRadDiff)->setChecked(true);
    w.RowDiffList()->setCurrentIndex(0);  // row difference 2
    // The start row as typed: lower case and stray characters are cleaned up.
    prompter_.inputs.push_back(QStringLiteral("111111x1-2x111"));
    w.StartRowClick();
    EXPECT_EQ(w.StartRowLabel()->text(), "111111X12X111");

    WhenModal<TfrmSignCounts>([](TfrmSignCounts* d) {
        d->Box(0, 0)->setCurrentIndex(8);  // at most 8 home wins
        d->Box(1, 2)->setCurrentIndex(3);  // no more than 3 aways in a row
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::SignCounts);
    WhenModal<TfrmCombinations>([this](TfrmCombinations* d) {
        d->Entry()->setText("1?2!1");
        d->AddClick();
        EXPECT_EQ(prompter_.Texts("error").back(), Msg(339));
        d->Entry()->setText("11");
        d->MinBox()->setCurrentIndex(0);
        d->MaxBox()->setCurrentIndex(2);
        d->AddClick();
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::YesComb);
    WhenModal<TfrmCombinations>([](TfrmCombinations* d) {
        d->Entry()->setText("222");
        d->OkButton()->click();  // OK takes the entry that is still in the field
    });
    w.OpenEditor(TfrmGenerate::Editor::NoComb);
    WhenModal<TfrmSourceRows>([](TfrmSourceRows* d) {
        for (int m = 0; m < 5; ++m) d->CellClick(m, 0, true);  // home in matches 1-5
        d->CellClick(13, 0, true);                             // Min 0
        d->CellClick(13, 0, true);                             // Min 1
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::SourceRows);
    WhenModal<TfrmPercent>([](TfrmPercent* d) {
        d->MinField()->setText("0,5");
        d->MaxField()->setText("1000");
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::Percentage);
    WhenModal<TfrmWinLevel>([](TfrmWinLevel* d) { d->OkButton()->click(); });
    w.OpenEditor(TfrmGenerate::Editor::WinLevel);

    w.NextClick();
    ASSERT_EQ(w.Pages()->currentIndex(), 2);
    EXPECT_TRUE(w.Button("btnFinish")->isEnabled());
    w.ReduceClick();
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(314));
    EXPECT_FALSE(w.Button("btnNext")->isEnabled());
    EXPECT_TRUE(w.Button("btnCancelRun")->isEnabled());
    WaitForRun(w);
    const auto rows = w.Model().Rows();
    ASSERT_GT(rows.size(), 1u);
    EXPECT_EQ(rows.front(), "0000001021000");  // the start row comes first
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(318));
    EXPECT_EQ(w.TestedLabel()->text(), "1 944");
    EXPECT_EQ(w.UsedLabel()->text(), QString::fromStdString(core::GroupDigits(static_cast<int64_t>(rows.size()))));
    EXPECT_EQ(w.StatusPanel(1)->text(),
              QStringLiteral("Grade of reduction: %1 %").arg(100 - static_cast<int>(rows.size()) * 100 / 1944));

    w.NextClick();
    ASSERT_EQ(w.Pages()->currentIndex(), 3);
    w.WarrantyGenerateClick();
    WaitForRun(w);
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(317));
    EXPECT_FALSE(w.WarrantyText()->toPlainText().isEmpty());
    EXPECT_TRUE(w.ConditionNote()->isVisibleTo(&w));
    w.FinishClick();
    ASSERT_EQ(w.result(), QDialog::Accepted);

    // The working copy, written with the program's writer.
    const fs::path saved = dir_.path() / "wizard.1x2";
    w.Result().SaveToFile(saved);
    core::TVinraFile back;
    back.LoadFromFile(saved);
    EXPECT_EQ(back.Rader, rows);
    ASSERT_EQ(back.Grundrad.size(), original.Grundrad.size());
    for (size_t m = 0; m < back.Grundrad.size(); ++m)
        EXPECT_EQ(core::EntrySigns(back.Grundrad[m]), core::EntrySigns(original.Grundrad[m])) << m;
    const reduction::ConditionSet c = reduction::FromDocument(back);
    EXPECT_EQ(c.flags, (std::array<bool, 8>{true, true, true, true, true, true, false, true}));
    EXPECT_EQ(c.radDiff, 2);
    EXPECT_EQ(c.firstRow, "0000001021000");
    EXPECT_EQ(c.maxCount[0], 8);
    EXPECT_EQ(c.runMax[2], 3);
    EXPECT_EQ(c.yesCombinations, (std::vector<reduction::YesCombination>{{"00", 0, 2}}));
    EXPECT_EQ(c.noCombinations, std::vector<std::string>{"222"});
    EXPECT_EQ(c.sourceRows, (std::vector<reduction::SourceRow>{{"0,0,0,0,0,*,,*,,*,,*,", 1, 13}}));
    EXPECT_EQ(c.procMin, 0.5);
    EXPECT_EQ(c.procMax, 1000.0);

    // vinra generate on the same system makes exactly these rows.
    const fs::path regen = dir_.path() / "regen.1x2";
    const auto gen = vinra::testing::RunProcess(Cli().string(), {"generate", saved.string(), "-o", regen.string()});
    ASSERT_EQ(gen.exitCode, 0) << gen.err;
    core::TVinraFile cli;
    cli.LoadFromFile(regen);
    EXPECT_EQ(cli.Rader, back.Rader);

    // vinra warranty gives the classes, total and texts the wizard stored.
    const auto war = vinra::testing::RunProcess(Cli().string(), {"warranty", saved.string(), "--json"});
    ASSERT_EQ(war.exitCode, 0) << war.err;
    const auto j = nlohmann::json::parse(war.out);
    EXPECT_EQ(j["total"].get<int64_t>(), back.AntalRader);
    ASSERT_EQ(j["classes"].size(), back.GarRad.size());
    for (size_t i = 0; i < back.GarRad.size(); ++i) {
        EXPECT_EQ(j["classes"][i]["key"].get<std::string>(), back.GarRad[i]);
        EXPECT_EQ(std::to_string(j["classes"][i]["count"].get<int64_t>()), back.GarAnt[i]);
    }
    EXPECT_EQ(j["lines"].get<std::vector<std::string>>(), back.Gar);
}

TEST_F(GenerateWindowTest, CancelMidRunKeepsTheRowsFoundAndStoresNoPartialWarranty) {
    core::TVinraFile doc = System(std::vector<std::string>(13, "012"));
    doc.Rader = {"0000000000000", "1111111111111"};
    doc.GarRad = {"01-0-0-0"};
    doc.GarAnt = {"7"};
    doc.AntalGarantiRader = 1;
    doc.AntalRader = 7;
    const core::TVinraFile original = doc;
    TfrmGenerate w(doc, *program_, prompter_);
    w.MethodButton(WizardMethod::Random)->setChecked(true);
    EXPECT_TRUE(w.RandomCountField()->isEnabled());
    w.RandomCountField()->setText("1500000");  // far more than a moment gives
    w.NextClick();
    EXPECT_EQ(w.findChild<QLabel*>("lblType2")->text(), Msg(309));
    w.NextClick();
    w.ReduceClick();
    ASSERT_TRUE(w.Running());
    QTest::qWait(600);
    // While it runs the rows found so far show, and the bar follows them.
    ASSERT_TRUE(w.Running());
    bool ok = false;
    EXPECT_GT(w.UsedLabel()->text().remove(QLatin1Char(' ')).toLongLong(&ok), 0);
    EXPECT_TRUE(ok) << w.UsedLabel()->text().toStdString();
    EXPECT_GT(w.Bar()->maximum(), 0);
    EXPECT_GT(w.Bar()->value(), 0);
    // Closing is refused while the run is active.
    w.reject();
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(prompter_.Texts("information").back(), Msg(1519));
    w.CancelRunClick();
    WaitForRun(w);
    EXPECT_FALSE(w.Running());
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(316));
    const auto rows = w.Model().Rows();
    ASSERT_GT(rows.size(), 0u);  // the rows accepted before the cancel stay
    EXPECT_LT(rows.size(), 5000000u);
    EXPECT_EQ(w.UsedLabel()->text(), QString::fromStdString(core::GroupDigits(static_cast<int64_t>(rows.size()))));
    EXPECT_TRUE(w.Model().StoredWarranty().keys.empty());  // the system's warranty no longer fits the rows

    // A cancelled warranty is shown but not kept.
    w.NextClick();
    w.WarrantyGenerateClick();
    w.CancelRunClick();
    WaitForRun(w);
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(315));
    EXPECT_FALSE(w.Model().Warranty().complete);
    EXPECT_TRUE(w.Model().StoredWarranty().keys.empty());

    // Reset brings back the system's rows together with its warranty.
    prompter_.answers.push_back(Answer::Yes);
    w.RestoreClick();
    EXPECT_EQ(prompter_.Texts("question").back(),
              "Do you want to restore the rows (2 pcs) you had when entering the wizard?");
    EXPECT_EQ(w.Model().Rows(), original.Rader);
    EXPECT_EQ(w.Model().StoredWarranty().keys, original.GarRad);
    EXPECT_EQ(w.WarrantyGrid()->item(0, 4)->text(), "7 / 7");

    w.Button("btnClose")->click();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(doc, original);
}

TEST_F(GenerateWindowTest, RandomCountsThatCanNeverBeReachedAndRunsThatFindNothingNew) {
    core::TVinraFile doc = System(std::vector<std::string>(13, "012"));
    doc.Grundrad[4] = doc.Grundrad[5] = doc.Grundrad[6] = doc.Grundrad[7] = "0  ";
    doc.Grundrad[8] = doc.Grundrad[9] = doc.Grundrad[10] = doc.Grundrad[11] = doc.Grundrad[12] = "0  ";
    // 81 frame rows; the no-combination "1" (no draw anywhere) leaves 16 of them.
    const std::pair<const char*, QString> refused[] = {
        {"0", Msg(3400)},
        {"-7", Msg(3400)},
        {"82", QString::fromStdString(core::FormatMsg(core::Msg(3401), {std::string("81")}))},
    };
    for (const auto& [count, message] : refused) {
        TfrmGenerate w(doc, *program_, prompter_);
        w.MethodButton(WizardMethod::Random)->setChecked(true);
        w.RandomCountField()->setText(count);
        w.NextClick();
        EXPECT_EQ(w.Pages()->currentIndex(), 0) << count;
        ASSERT_FALSE(prompter_.Texts("error").empty()) << count;
        EXPECT_EQ(prompter_.Texts("error").back(), message);
    }

    reduction::ConditionSet c = reduction::FromDocument(doc);
    c.n = 13;
    c.flags.fill(false);
    c.flags[core::UseNejKomb] = true;
    c.noCombinations = {"1"};
    reduction::ToDocument(c, doc);
    TfrmGenerate w(doc, *program_, prompter_);
    w.MethodButton(WizardMethod::Random)->setChecked(true);
    w.RandomCountField()->setText("60");
    w.NextClick();
    w.NextClick();
    w.ReduceClick();
    WaitForRun(w);
    EXPECT_EQ(w.Model().Rows().size(), 16u);
    EXPECT_EQ(w.StatusPanel(0)->text(), Msg(316));
    ASSERT_FALSE(prompter_.Texts("information").empty());
    EXPECT_EQ(prompter_.Texts("information").back(),
              QString::fromStdString(core::FormatMsg(
                  core::Msg(3402), {core::GroupDigits(reduction::RandomStallTries(81)), std::string("16")})));
}

TEST_F(GenerateWindowTest, AMethodThatFallsBackToMathematicalStaysThereWhenTheRowsReturn) {
    core::TVinraFile doc = System(kFrame);
    doc.Rader = {"0000201021000", "2222212021020"};
    reduction::ConditionSet c = reduction::FromDocument(doc);
    c.n = 13;
    c.flags.fill(false);
    c.flags[core::UseMaxMin] = true;
    c.maxCount = {0, 0, 0};  // no row passes
    reduction::ToDocument(c, doc);
    TfrmGenerate w(doc, *program_, prompter_);
    w.MethodButton(WizardMethod::Filter)->setChecked(true);
    w.NextClick();
    w.NextClick();
    w.ReduceClick();
    WaitForRun(w);
    ASSERT_TRUE(w.Model().Rows().empty());
    EXPECT_TRUE(w.MethodButton(WizardMethod::Mathematical)->isChecked());
    // Reset brings the rows back; the page still shows mathematical, so that is what runs.
    prompter_.answers.push_back(Answer::Yes);
    w.RestoreClick();
    ASSERT_EQ(w.Model().Rows().size(), 2u);
    EXPECT_EQ(w.Model().Method(), WizardMethod::Mathematical);
    EXPECT_TRUE(w.MethodButton(WizardMethod::Mathematical)->isChecked());
    w.PreviousClick();
    w.PreviousClick();
    w.NextClick();
    EXPECT_EQ(w.Model().EnteredMethod(), WizardMethod::Mathematical);
    EXPECT_EQ(w.Model().Mode(), reduction::GenerationMode::Full);
}

TEST_F(GenerateWindowTest, AGuaranteeRunSaysItSwitchesRowDifferenceOff) {
    core::TVinraFile doc = System(kFrame);
    reduction::ConditionSet c = reduction::FromDocument(doc);
    c.n = 13;
    c.flags.fill(false);
    c.flags[core::UseRadDiff] = true;
    reduction::ToDocument(c, doc);
    TfrmGenerate w(doc, *program_, prompter_);
    w.MethodButton(WizardMethod::Guarantee)->setChecked(true);
    w.SecondsField()->setText("1");
    w.NextClick();
    w.NextClick();
    w.ReduceClick();
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_EQ(prompter_.Texts("information")[0], Msg(3403));
    EXPECT_FALSE(w.FlagBox(core::UseRadDiff)->isChecked());
    WaitForRun(w);
    // Once off, a second run has nothing to say.
    w.ReduceClick();
    WaitForRun(w);
    EXPECT_EQ(prompter_.Texts("information").size(), 1u);
}

TEST_F(GenerateWindowTest, EditorsRefuseBadInputAndCancelChangesNothing) {
    core::TVinraFile doc = System(kFrame);
    TfrmGenerate w(doc, *program_, prompter_);
    w.NextClick();
    const reduction::ConditionSet before = w.Model().Conditions();

    // Combinations: each refusal with its message; the list stays as it was.
    WhenModal<TfrmCombinations>([this](TfrmCombinations* d) {
        d->Entry()->setText("1*");
        d->AddClick();
        EXPECT_EQ(prompter_.Texts("error").back(), "If the row contains the character * it must be 13 charactes long.");
        EXPECT_EQ(d->List()->rowCount(), 0);
        // OK with a refused entry keeps the dialog open.
        d->OkButton()->click();
        EXPECT_TRUE(d->isVisible());
        d->Entry()->setText("1X");
        d->AddClick();
        EXPECT_EQ(d->List()->rowCount(), 1);
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::NoComb);
    WhenModal<TfrmCombinations>([this](TfrmCombinations* d) {
        d->Entry()->setText("1x2!1");
        d->AddClick();
        EXPECT_EQ(d->List()->item(0, 0)->text(), "1X2!1");
        d->Entry()->setText("1?2!1");
        d->AddClick();
        EXPECT_EQ(prompter_.Texts("error").back(), Msg(339));
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::YesComb);

    // Source rows: a hundred at most, message 457 at the last one.
    reduction::ConditionSet full = w.Model().Conditions();
    for (int i = 0; i < 99; ++i) full.sourceRows.push_back({"0,1,2", 0, 13});
    w.Model().Conditions() = full;
    WhenModal<TfrmSourceRows>([this](TfrmSourceRows* d) {
        EXPECT_EQ(d->Grid()->columnCount(), 100);
        d->CellClick(4, 99, true);
        EXPECT_EQ(prompter_.Texts("information").back(), Msg(457));
        EXPECT_EQ(d->Grid()->columnCount(), 100);
        prompter_.answers.push_back(Answer::No);
        d->HeaderClick(1);
        EXPECT_EQ(prompter_.Texts("question").back(), "Do you want to delete S-row number 2?");
        EXPECT_EQ(d->Grid()->columnCount(), 100);
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::SourceRows);
    EXPECT_EQ(w.Model().Conditions().sourceRows.size(), 100u);
    w.Model().Conditions() = before;

    // Percentages: balancing as typed, nonsense bounds fall back, Cancel keeps all.
    WhenModal<TfrmPercent>([](TfrmPercent* d) {
        d->Field(0, 0)->setText("35");
        emit d->Field(0, 0)->textEdited("35");
        EXPECT_EQ(d->Field(0, 1)->text(), "33");
        EXPECT_EQ(d->Field(0, 2)->text(), "32");
        EXPECT_EQ(d->MinLabel()->text(), "Min: 1,000");  // no people's percentages: every factor is 1
        d->MinField()->setText("abc");
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::Percentage);
    // Win level: the fields cannot leave the frame's bounds.
    WhenModal<TfrmWinLevel>([](TfrmWinLevel* d) {
        d->HighField()->setValue(999999);
        EXPECT_EQ(d->HighField()->value(), d->HighField()->maximum());
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::WinLevel);
    WhenModal<TfrmSignCounts>([](TfrmSignCounts* d) {
        EXPECT_EQ(d->Box(0, 0)->count(), 14);  // 0..13
        d->Box(2, 1)->setCurrentIndex(5);
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::SignCounts);
    EXPECT_EQ(w.Model().Conditions(), before);

    // The start row: a wrong length clears it.
    prompter_.inputs.push_back(QStringLiteral("1x2"));
    w.StartRowClick();
    EXPECT_EQ(w.StartRowLabel()->text(), Msg(539));
}

TEST_F(GenerateWindowTest, WarrantyImportAndExport) {
    core::TVinraFile doc = System(kFrame);
    doc.Rader = {"0000001021000", "1000001021000"};
    doc.GarRad = {"01-0-0-0", "0-01-0-0", "0-0-0-0"};
    doc.GarAnt = {"2", "40", "1902"};
    doc.AntalGarantiRader = 3;
    doc.AntalRader = 1944;
    const fs::path file = dir_.path() / "system.1x2";
    doc.SaveToFile(file);
    // Without a saved file there is nothing to import from.
    EXPECT_FALSE(TfrmGenerate(doc, *program_, prompter_).Button("btnImport")->isEnabled());

    TfrmGenerate w(doc, *program_, prompter_, {file, {}, {}});
    w.NextClick();
    w.NextClick();
    w.NextClick();
    EXPECT_TRUE(w.Button("btnImport")->isEnabled());
    EXPECT_EQ(w.WarrantyGrid()->rowCount(), 3);
    // A reduction run clears the table; Import reads the one of the file back.
    w.PreviousClick();
    w.ReduceClick();
    WaitForRun(w);
    w.NextClick();
    EXPECT_EQ(w.WarrantyGrid()->rowCount(), 1);
    EXPECT_EQ(w.WarrantyGrid()->item(0, 0)->text(), "");
    w.ImportClick();
    ASSERT_EQ(w.WarrantyGrid()->rowCount(), 3);
    EXPECT_EQ(w.WarrantyGrid()->item(2, 4)->text(), "2 / 1944");  // keys ascending: 01-0-0-0 last

    // Sorting by the chance column, then out to a file and the clipboard.
    w.WarrantyGrid()->horizontalHeader()->sectionClicked(4);
    EXPECT_EQ(w.WarrantyGrid()->item(0, 4)->text(), "2 / 1944");
    const fs::path out = dir_.path() / "warranty.xls";
    prompter_.files.push_back(QString::fromStdString(out.string()));
    w.ExportToFile();
    const std::string text = vinra::testing::ReadBytes(out);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "13\t12\t11\t10\tChans\tPercent");
    EXPECT_NE(text.find("1\t0\t0\t0\t2 / 1944\t0,10 %\r\n"), std::string::npos);
    w.ExportToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), text);
    // A file that cannot be written says so.
    prompter_.files.push_back(QString::fromStdString((dir_.path() / "no" / "such" / "w.xls").string()));
    w.ExportToFile();
    EXPECT_TRUE(prompter_.Texts("error").back().startsWith("The file could not be written"));
}

TEST_F(GenerateWindowTest, TheRoundsGameInformationReachesTheEditors) {
    WriteGameInfo();
    core::TVinraFile doc = System(kFrame);
    TfrmGenerate w(doc, *program_, prompter_);
    ASSERT_TRUE(w.Round().hasInfo);
    // The sum table comes from the people's percentages: "30.0" -> 300, "20.5" -> 205.
    EXPECT_EQ(w.Model().Conditions().sumTable[0][0], 300);
    EXPECT_EQ(w.Model().Conditions().sumTable[0][1], 205);
    w.NextClick();
    WhenModal<TfrmPercent>([](TfrmPercent* d) {
        EXPECT_EQ(d->findChild<QLabel*>("lblMatch1")->text(), " 1. Arsenal - Chelsea");
        EXPECT_EQ(d->findChild<QLabel*>("lblMatch10")->text(), "10. Derby - Preston");
        d->ShowSource(TfrmPercent::Source::People);
        EXPECT_EQ(d->Reference(0, 1)->text(), "20,5");
        d->Check(1)->setChecked(false);
        d->CopyClick();
        EXPECT_EQ(d->Field(0, 1)->text(), "21");  // rounded
        EXPECT_EQ(d->Field(1, 0)->text(), "1");   // not checked: left alone
        d->OkButton()->click();
    });
    w.OpenEditor(TfrmGenerate::Editor::Percentage);
    EXPECT_EQ(w.Model().Conditions().userPercent[1][0], "21");
    WhenModal<TfrmSourceRows>([](TfrmSourceRows* d) {
        EXPECT_EQ(d->MatchList()->item(0, 1)->text(), "Arsenal - Chelsea");
        EXPECT_EQ(d->MatchList()->item(4, 2)->text(), "12");  // frame "0 2" in display characters
        EXPECT_FALSE(d->MatchList()->item(0, 3)->text().isEmpty());
        d->reject();
    });
    w.OpenEditor(TfrmGenerate::Editor::SourceRows);
}

TEST_F(GenerateWindowTest, TheMainWindowsCommandHandsBackOneWorkingCopy) {
    core::TVinraFile doc = System(kFrame);
    doc.Grundrad[12] = "";
    DocumentSession session(doc);
    const ShellContext shell{*program_, prompter_, session, nullptr, {}};
    EXPECT_FALSE(RunReductionWizard(shell));  // a match without a sign: no wizard
    EXPECT_EQ(prompter_.Texts("information").back(), Msg(282));

    // Filtering to a number of rows switches the row difference off and sets
    // the filter-to count, but Cancel leaves the system exactly as it was.
    doc.Grundrad[12] = "0  ";
    doc.Rader = {"0000001021000", "1000001021000", "2000001021000", "0100001021000", "0200001021000"};
    doc.UseFlags.Put(core::UseRadDiff, true);
    const core::TVinraFile before = doc;
    WhenModal<TfrmGenerate>([](TfrmGenerate* w) {
        w->MethodButton(WizardMethod::Filter)->setChecked(true);
        w->UseBox()->setChecked(true);
        w->FilterCountField()->setText("2");
        w->NextClick();
        w->NextClick();
        w->ReduceClick();
        WaitForRun(*w);
        EXPECT_EQ(w->Model().Rows().size(), 2u);
        w->Button("btnClose")->click();
    });
    EXPECT_FALSE(RunReductionWizard(shell));
    EXPECT_EQ(doc, before);
    EXPECT_FALSE(session.Modified());

    // Finish: rows, conditions and warranty come back in one step; the rows
    // never use away at match 5, so the frame question follows.
    prompter_.answers.push_back(Answer::Yes);
    std::vector<std::string> rows;
    WhenModal<TfrmGenerate>([&rows](TfrmGenerate* w) {
        w->NextClick();
        w->Model().Conditions().noCombinations = {"****2********"};
        w->NextClick();
        w->ReduceClick();
        WaitForRun(*w);
        w->NextClick();
        w->WarrantyGenerateClick();
        WaitForRun(*w);
        rows = w->Model().Rows();
        w->FinishClick();
    });
    EXPECT_TRUE(RunReductionWizard(shell));
    EXPECT_EQ(prompter_.Texts("question").back(), Msg(526));
    EXPECT_EQ(doc.Rader, rows);
    EXPECT_EQ(doc.Nej, std::vector<std::string>{"****2********"});
    EXPECT_FALSE(doc.GarRad.empty());
    EXPECT_EQ(core::EntrySigns(doc.Grundrad[4]), "0");
    EXPECT_TRUE(session.Modified());
    EXPECT_EQ(session.State(), DocState::Changed);
    // One undo entry for the wizard, one for the frame.
    session.UndoStack()->undo();
    EXPECT_EQ(core::EntrySigns(doc.Grundrad[4]), "02");
    EXPECT_EQ(doc.Rader, rows);
    session.UndoStack()->undo();
    EXPECT_EQ(doc.Rader, before.Rader);
}

// The main window's command (menu, Ctrl+G, link) reaches the wizard.
class WizardInTheMainWindow : public UiFixture {};

TEST_F(WizardInTheMainWindow, TheReduceCommandIsEnabledAndOpensTheWizard) {
    QAction* reduce = window_->Action(QStringLiteral("actReduce"));
    ASSERT_NE(reduce, nullptr);
    EXPECT_TRUE(reduce->isEnabled());
    window_->Session().ApplyFrame(std::vector<std::string>(13, ""), QString());
    reduce->trigger();
    EXPECT_EQ(prompter_.Texts("information").back(), QString::fromStdString(Msg(282)));
    window_->Session().ApplyFrame(kFrame, QString());
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        auto* w = qobject_cast<TfrmGenerate*>(QApplication::activeModalWidget());
        opened = w != nullptr;
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    reduce->trigger();
    EXPECT_TRUE(opened);
}

// A full 13-match frame (1 594 323 rows) with the typical conditions of the
// benchmarks: the window's timer keeps ticking while the engine works.
TEST_F(GenerateWindowTest, AFullFrameRunLeavesTheWindowResponsive) {
    core::TVinraFile doc = System(std::vector<std::string>(13, "012"));
    reduction::ConditionSet c = reduction::NewConditionSet(13);
    c.flags.fill(false);
    c.flags[core::UseMaxMin] = c.flags[core::UseURad] = c.flags[core::UseJaKomb] = true;
    c.flags[core::UseNejKomb] = c.flags[core::UseChooseWin] = true;
    c.minCount = {3, 2, 1};
    c.maxCount = {8, 6, 5};
    c.runMax = {4, 3, 3};
    c.sourceRows = {{"0,0,01,1,0,2,0,01,02,0,1,0,0", 6, 11}, {"2,1,1,0,02,0,2,2,1,*,0,12,1", 2, 8}};
    c.yesCombinations = {{"00", 1, 3}, {"11?22", 0, 0}};
    c.noCombinations = {"2222", "*******0*1***"};
    for (int m = 0; m < 13; ++m) {
        const int home = 30 + (m * 11) % 40, draw = 15 + (m * 7) % 20;
        c.sumTable[static_cast<size_t>(m)] = {home, draw, 100 - home - draw};
    }
    c.winMin = 300;
    c.winMax = 600;
    reduction::ToDocument(c, doc);
    TfrmGenerate w(doc, *program_, prompter_);
    w.show();
    w.NextClick();
    w.NextClick();
    // Before the run the bar is empty, not Qt's endless busy indicator.
    const auto* bar = w.findChild<QProgressBar*>(QStringLiteral("barProgress"));
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    w.ReduceClick();
    WaitForRun(w);
    const qint64 reduceGap = w.LongestTickGapMs();
    const auto rows = w.Model().Rows().size();
    EXPECT_EQ(w.TestedLabel()->text(), "1 594 323");
    ASSERT_GT(rows, 0u);
    w.NextClick();
    w.WarrantyGenerateClick();
    WaitForRun(w);
    const qint64 warrantyGap = w.LongestTickGapMs();
    EXPECT_TRUE(w.Model().StoredWarranty().complete);
    std::cout << "[ measured ] full frame: " << rows << " rows; longest tick gap " << reduceGap
              << " ms while reducing, " << warrantyGap << " ms during the warranty ("
              << w.Model().StoredWarranty().total << " outcomes)\n";
    RecordProperty("ReduceLongestTickGapMs", static_cast<int>(reduceGap));
    RecordProperty("WarrantyLongestTickGapMs", static_cast<int>(warrantyGap));
}

// Pictures of every page and editor in Swedish and English, when
// VINRA_SCREENSHOT_DIR names a folder for them.
TEST_F(GenerateWindowTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    fs::create_directories(out);
    WriteGameInfo();
    for (const auto& [base, code] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        SetLanguage(base);
        core::TVinraFile doc = System(kFrame);
        doc.Rader = {"0000001021000", "1000001021000", "2000001021000"};
        TfrmGenerate w(doc, *program_, prompter_,
                       {{},
                        {"Arsenal", "Brentford", "Everton", "Fulham", "Leeds", "Liverpool", "Newcastle", "Burnley",
                         "Coventry", "Derby", "Hull", "Millwall", "Watford"},
                        {"Chelsea", "Brighton", "Wolves", "Aston Villa", "Tottenham", "Man City", "West Ham", "Stoke",
                         "Norwich", "Preston", "Sheff Wed", "Portsmouth", "Ipswich"}});
        w.show();
        const auto save = [&](QWidget* widget, const std::string& name) {
            QApplication::processEvents();
            ASSERT_TRUE(
                widget->grab().save(QString::fromStdString((fs::path(out) / (name + "_" + code + ".png")).string())));
        };
        save(&w, "wizard1_method");
        w.NextClick();
        save(&w, "wizard2_conditions");
        const std::pair<TfrmGenerate::Editor, const char*> editors[] = {
            {TfrmGenerate::Editor::SignCounts, "editor_signcounts"},
            {TfrmGenerate::Editor::Percentage, "editor_percent"},
            {TfrmGenerate::Editor::SourceRows, "editor_sourcerows"},
            {TfrmGenerate::Editor::NoComb, "editor_nocomb"},
            {TfrmGenerate::Editor::YesComb, "editor_yescomb"},
            {TfrmGenerate::Editor::WinLevel, "editor_winlevel"}};
        for (const auto& [editor, name] : editors) {
            const std::string file = name;
            WhenModal<ConditionDialog>([&save, file](ConditionDialog* d) {
                if (auto* s = qobject_cast<TfrmSourceRows*>(d)) {
                    for (int m = 0; m < 5; ++m) s->CellClick(m, 0, true);
                    s->CellClick(13, 0, true);
                }
                if (auto* y = qobject_cast<TfrmCombinations*>(d)) {
                    y->Entry()->setText(y->objectName() == "frmYesComb" ? "11" : "222");
                    y->AddClick();
                }
                save(d, file);
                d->reject();
            });
            w.OpenEditor(editor);
        }
        w.NextClick();
        w.ReduceClick();
        WaitForRun(w);
        save(&w, "wizard3_generation");
        w.NextClick();
        w.WarrantyGenerateClick();
        WaitForRun(w);
        save(&w, "wizard4_warranty");
        w.FinishClick();

        // A long random run, caught while it goes: speed and the rows tested.
        core::TVinraFile big = System(std::vector<std::string>(13, "012"));
        TfrmGenerate running(big, *program_, prompter_);
        running.show();
        running.MethodButton(WizardMethod::Random)->setChecked(true);
        running.RandomCountField()->setText("3000000");
        running.NextClick();
        running.NextClick();
        running.ReduceClick();
        QTest::qWait(1600);
        save(&running, "wizard3_running");
        running.CancelRunClick();
        WaitForRun(running);
    }
}

// The value chart of the warranty page: figures once its run has ended.
void WaitForValue(TfrmGenerate& w) {
    if (!w.ValueRunning()) return;
    QSignalSpy spy(&w, &TfrmGenerate::valueFinished);
    ASSERT_TRUE(spy.wait(60000)) << "the value run did not end";
}

TEST_F(GenerateWindowTest, GuaranteeMethodFinishesWithRowsThatHoldTheGuarantee) {
    WriteGameInfo();
    core::TVinraFile doc = System(kFrame);  // 1 944 frame rows
    TfrmGenerate w(doc, *program_, prompter_);
    w.show();
    ASSERT_TRUE(w.MethodButton(WizardMethod::Guarantee)->isEnabled());
    EXPECT_EQ(w.MethodButton(WizardMethod::Guarantee)->text(), "Reduce with &guarantee: 12 / 11 right");
    EXPECT_FALSE(w.GuaranteeChoice()->isEnabled());
    w.MethodButton(WizardMethod::Guarantee)->setChecked(true);
    ASSERT_TRUE(w.GuaranteeChoice()->isEnabled());
    EXPECT_TRUE(w.SecondsField()->isEnabled());
    w.GuaranteeChoice()->setCurrentIndex(0);  // 12 right
    w.SecondsField()->setText("1");
    w.NextClick();
    EXPECT_EQ(w.Model().TypeFigure(), 12);
    EXPECT_FALSE(w.RowDiffList()->isEnabled());
    w.FlagBox(core::UseMaxMin)->setChecked(true);
    w.Model().Conditions().maxCount[0] = 5;  // at most five home wins
    w.NextClick();
    w.ReduceClick();
    EXPECT_TRUE(w.Running());
    WaitForRun(w);
    EXPECT_TRUE(prompter_.Texts("error").empty());
    ASSERT_FALSE(w.Model().Rows().empty());
    EXPECT_LT(w.Model().Rows().size(), 1944u / 3);
    EXPECT_TRUE(w.StatusPanel(0)->isVisible());
    w.NextClick();
    WaitForValue(w);
    EXPECT_TRUE(w.Chart()->HasValue());
    EXPECT_FALSE(w.Chart()->SummaryLines().isEmpty());
    // The warranty page shows the guarantee's table at once, with no run of its own.
    EXPECT_GT(w.WarrantyGrid()->rowCount(), 0);
    w.FinishClick();
    ASSERT_EQ(w.result(), QDialog::Accepted);

    // Counted afresh by the warranty engine: every outcome the conditions leave has 12 right.
    const core::TVinraFile& out = w.Result();
    reduction::GenerationInput check;
    check.mode = reduction::GenerationMode::Warranty;
    check.frame = out.Grundrad;
    check.conditions = reduction::FromDocument(out);
    check.conditions.n = 13;
    check.conditions.flags[core::UseRadDiff] = false;
    check.rows = out.Rader;
    reduction::TRowGeneration gen(check);
    gen.Run();
    ASSERT_TRUE(gen.Warranty().complete);
    EXPECT_TRUE(reduction::GuaranteeHolds(gen.Warranty(), 1));
    EXPECT_EQ(reduction::WarrantyFromDocument(out).total, gen.Warranty().total);
    EXPECT_LT(gen.Warranty().total, 1944);  // the condition did thin the outcomes
}

TEST_F(GenerateWindowTest, CancellingAGuaranteeSearchKeepsTheBestCheckedList) {
    core::TVinraFile doc = System(std::vector<std::string>(13, "012"));
    doc.Grundrad[10] = doc.Grundrad[11] = doc.Grundrad[12] = "0  ";  // 59 049 frame rows
    TfrmGenerate w(doc, *program_, prompter_);
    w.MethodButton(WizardMethod::Guarantee)->setChecked(true);
    w.GuaranteeChoice()->setCurrentIndex(1);  // 11 right
    w.SecondsField()->setText("60");
    w.NextClick();
    w.NextClick();
    QElapsedTimer clock;
    clock.start();
    w.ReduceClick();
    ASSERT_TRUE(w.Running());
    // Stop once the search has a list to improve.
    while (w.Running() && w.UsedLabel()->text().isEmpty() && clock.elapsed() < 30000) QTest::qWait(50);
    w.CancelRunClick();
    WaitForRun(w);
    EXPECT_LT(clock.elapsed(), 30000);
    ASSERT_FALSE(w.Model().Rows().empty());
    ASSERT_TRUE(w.Model().StoredWarranty().complete);
    EXPECT_TRUE(reduction::GuaranteeHolds(w.Model().StoredWarranty(), 2));
    EXPECT_EQ(w.Model().StoredWarranty().total, 59049);
}

TEST_F(GenerateWindowTest, HighestValueKeepsTheRowsOfHighestValue) {
    std::vector<std::string> rows;
    for (int i = 0; i < 40; ++i) {
        std::string r = "0000001021000";
        r[0] = static_cast<char>('0' + i % 3);
        r[1] = static_cast<char>('0' + (i / 3) % 3);
        r[2] = static_cast<char>('0' + (i / 9) % 3);
        r[4] = (i / 27) % 2 ? '2' : '0';
        rows.push_back(r);
    }
    {
        // Without game information there is nothing to value: the rows stay, the chart says why.
        core::TVinraFile doc = System(kFrame);
        doc.Rader = rows;
        TfrmGenerate w(doc, *program_, prompter_);
        w.MethodButton(WizardMethod::HighestValue)->setChecked(true);
        w.NextClick();
        w.NextClick();
        w.ReduceClick();
        EXPECT_FALSE(w.Running());
        ASSERT_EQ(prompter_.Texts("error").size(), 1u);
        EXPECT_EQ(prompter_.Texts("error")[0], Msg(1419));
        EXPECT_EQ(w.Model().Rows(), rows);
        w.NextClick();
        EXPECT_FALSE(w.Chart()->HasValue());
    }
    WriteGameInfo();
    core::TVinraFile doc = System(kFrame);
    doc.Rader = rows;
    TfrmGenerate w(doc, *program_, prompter_);
    EXPECT_EQ(w.MethodButton(WizardMethod::HighestValue)->text(), "Keep the");
    w.MethodButton(WizardMethod::HighestValue)->setChecked(true);
    ASSERT_TRUE(w.KeepCountField()->isEnabled());
    w.KeepCountField()->setText("7");
    w.NextClick();
    EXPECT_FALSE(w.FlagBox(core::UseMaxMin)->isEnabled());  // the value alone decides
    w.NextClick();
    w.ReduceClick();
    WaitForRun(w);
    const std::vector<std::string> want = reduction::KeepHighestValue(rows, w.ValueModel(), 7);
    ASSERT_EQ(want.size(), 7u);
    EXPECT_EQ(w.Model().Rows(), want);
    // Not merely the first seven: the value ordered them.
    EXPECT_NE(want, std::vector<std::string>(rows.begin(), rows.begin() + 7));
    EXPECT_EQ(w.UsedLabel()->text(), "7");
    w.NextClick();
    WaitForValue(w);
    ASSERT_TRUE(w.Chart()->HasValue());
    w.FinishClick();
    EXPECT_EQ(w.Result().Rader, want);
}

TEST_F(GenerateWindowTest, GuaranteeScreenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    fs::create_directories(out);
    WriteGameInfo();
    for (const auto& [base, code] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        SetLanguage(base);
        core::TVinraFile doc = System(kFrame);
        doc.Rader = {"0000001021000", "1000001021000", "2000001021000"};
        TfrmGenerate w(doc, *program_, prompter_);
        w.show();
        const auto save = [&](QWidget* widget, const std::string& name) {
            QApplication::processEvents();
            ASSERT_TRUE(
                widget->grab().save(QString::fromStdString((fs::path(out) / (name + "_" + code + ".png")).string())));
        };
        w.MethodButton(WizardMethod::Guarantee)->setChecked(true);
        save(&w, "guarantee1_method");
        w.SecondsField()->setText("2");
        w.NextClick();
        w.NextClick();
        w.ReduceClick();
        QTest::qWait(1000);
        save(&w, "guarantee3_running");
        WaitForRun(w);
        save(&w, "guarantee3_done");
        w.NextClick();
        WaitForValue(w);
        save(&w, "guarantee4_warranty_value");
    }
}

}  // namespace
}  // namespace vinra::ui::testing
