// The check window offscreen, on a real games and results database: a system
// checked against a result row and a prize table end to end (the figures on
// screen against the checking engine and `vinra check --json`), saving and
// reloading a result, stepping through rounds, the live-check link, the
// report pages and the dialogs.
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QThread>

#include <nlohmann/json.hpp>

#include "checking/engine.h"
#include "core/messages.h"
#include "core/settings.h"
#include "net/game_info.h"
#include "output/winnings_report.h"
#include "reduction/system_value.h"
#include "tests/temp_dir.h"
#include "ui/checking/check_texts.h"
#include "ui/checking/check_window.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/output/page_painter.h"
#include "ui/output/quick_view.h"
#include "ui/reduction/value_chart.h"
#include "ui/tests/support/scripted_prompter.h"
#include "ui/tests/support/when_modal.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TempDir;

// Every row of a frame of 13 matches: 1X2 on the first three, 1X on the
// next three, home on the rest (216 rows).
std::vector<std::string> FrameRows() {
    std::vector<std::string> rows;
    for (int a = 0; a < 27; ++a)
        for (int b = 0; b < 8; ++b) {
            std::string r(13, '0');
            r[0] = static_cast<char>('0' + a / 9);
            r[1] = static_cast<char>('0' + a / 3 % 3);
            r[2] = static_cast<char>('0' + a % 3);
            r[3] = static_cast<char>('0' + (b >> 2 & 1));
            r[4] = static_cast<char>('0' + (b >> 1 & 1));
            r[5] = static_cast<char>('0' + (b & 1));
            rows.push_back(r);
        }
    return rows;
}

class CheckWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        db.Open(dir.path() / "DB" / "tipsdata.sqlite");
        doc.NewSystem(13, false);
        doc.Typ = "S";
        doc.Pool = "Stryktipset";
        doc.Country = "Svenska Spel";
        doc.Omg = "2026-50";
        doc.OmgID = 4851;
        doc.Rader = FrameRows();
        doc.Grundrad = core::FrameFromRows(doc.Rader, 13);
        // Sign counts and no-combinations are reported in the protocol.
        doc.UseFlags.FromInteger((1u << core::UseMaxMin) | (1u << core::UseNejKomb), 8);
        doc.Max = {13, 6, 5};
        doc.Ord = {13, 3, 2};
        doc.Min = {2, 0, 0};
        pool.pricePerRow = 100;
        pool.couponColumns = 12;
        homes = {"AIK",       "Hammarby", "Malmö FF", "IFK Göteborg", "Djurgården", "Häcken", "Elfsborg",
                 "Kalmar FF", "Sirius",   "Mjällby",  "Norrköping",   "Värnamo",    "GAIS"};
        aways = {"Brommapojkarna", "Halmstad",   "Västerås",   "Degerfors",   "Öster",    "Örebro",   "Brage",
                 "Sundsvall",      "Trelleborg", "Landskrona", "Helsingborg", "Utsikten", "Östersund"};
    }

    CheckWindowContext Context() {
        CheckWindowContext c;
        c.db = &db;
        c.pool = pool;
        c.prompter = &prompter;
        c.homes = homes;
        c.aways = aways;
        c.serviceHome = "http://127.0.0.1:9/";
        c.openUrl = [this](const std::string& url) { opened.push_back(url); };
        c.showReport = [this](QWidget*, output::PrintDocument d) { reports.push_back(std::move(d)); };
        c.today = [] { return std::string("2026-12-10"); };
        return c;
    }

    std::unique_ptr<TfrmRatta> Open() {
        auto w = std::make_unique<TfrmRatta>(doc, Context());
        w->show();
        QApplication::processEvents();
        return w;
    }

    // Clicks the sign cells of a result row in display characters, as the player does.
    static void ClickResult(TfrmRatta& w, const std::string& display) {
        QTableWidget* g = w.PayoutGrid();
        for (size_t m = 0; m < display.size(); ++m) {
            const int s = display[m] == '1' ? 0 : display[m] == 'X' ? 1 : display[m] == '2' ? 2 : -1;
            if (s < 0) continue;
            QTableWidgetItem* item = g->item(static_cast<int>(m) + 1, TfrmRatta::ColSign1 + s);
            g->scrollToItem(item);
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualItemRect(item).center());
        }
    }

    // The level grid: the rows with k right, k = 0..N.
    static std::vector<int64_t> ShownCounts(const TfrmRatta& w) {
        std::vector<int64_t> out;
        for (int k = 0; k <= 13; ++k) {
            QString t = w.LevelItem(k, TfrmRatta::LevelRows)->text();
            out.push_back(t.remove(QLatin1Char(' ')).toLongLong());
        }
        return out;
    }

    checking::TFacitRec Stored(int32_t id, int32_t omg, const std::string& row) {
        checking::TFacitRec r;
        r.found = true;
        r.Typ = "S";
        r.OmgID = id;
        r.Omg = omg;
        r.Rad = row;
        r.Winners = {3, 120, 1800, 15000};
        r.Payout = {250000000, 1200000, 50000, 4000};
        db.StoreResult(r);
        return r;
    }

    TempDir dir;
    checking::TTipsData db;
    core::TVinraFile doc;
    core::PoolSettings pool;
    std::vector<std::string> homes, aways;
    ScriptedPrompter prompter;
    std::vector<std::string> opened;
    std::vector<output::PrintDocument> reports;
};

TEST_F(CheckWindowTest, ASystemCheckedEndToEndShowsWhatTheEngineAndTheCliCount) {
    const std::string result = "1X21X11111111";
    auto w = Open();
    ClickResult(*w, result);
    EXPECT_EQ(w->DisplayResult(), result);

    // The same check without any window.
    core::TVinraFile plain = doc;
    plain.Facit = core::DisplayToSigns(result, pool.signs);
    const auto engine = checking::CheckRows(plain, pool.couponColumns, pool.signs);
    const auto protocol = checking::WinningRowConditions(plain, plain.Facit, pool.signs);
    EXPECT_EQ(ShownCounts(*w), engine.counts);
    EXPECT_EQ(w->Chart()->Counts(), engine.counts);
    // Levels in a table of their own, the top level first; the match grid shows matches only.
    EXPECT_EQ(w->LevelGrid()->item(0, TfrmRatta::LevelRight)->text(), "13");
    EXPECT_EQ(w->LevelGrid()->item(13, TfrmRatta::LevelRight)->text(), "0");
    int matchLines = 0;
    for (int r = 0; r < w->PayoutGrid()->rowCount(); ++r) matchLines += w->PayoutGrid()->isRowHidden(r) ? 0 : 1;
    EXPECT_EQ(matchLines, 13);
    std::vector<std::string> shownProtocol;
    for (int i = 0; i < w->ConditionsList()->count(); ++i)
        shownProtocol.push_back(w->ConditionsList()->item(i)->text().toStdString());
    EXPECT_EQ(shownProtocol, protocol.lines);
    ASSERT_TRUE(protocol.verdict.has_value());
    EXPECT_EQ(w->IndicatorState(), *protocol.verdict ? "true" : "false");
    EXPECT_EQ(w->Last().check.winningLines, engine.winningLines);

    // And through the command-line tool, when it is built beside the tests.
    const QString cli = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin/vinra"));
    if (QFileInfo::exists(cli)) {
        const fs::path file = dir.path() / "system.1x2";
        doc.SaveToFile(file);
        QProcess p;
        p.start(cli, {QStringLiteral("check"), QString::fromStdString(file.string()), QStringLiteral("--result"),
                      QString::fromStdString(result), QStringLiteral("--json")});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const auto j = nlohmann::json::parse(p.readAllStandardOutput().toStdString());
        EXPECT_EQ(ShownCounts(*w), j["distribution"].get<std::vector<int64_t>>());
        EXPECT_EQ(shownProtocol, j["protocol"].get<std::vector<std::string>>());
        EXPECT_EQ(w->Last().check.best, j["best"].get<int>());
        EXPECT_EQ(w->IndicatorState().toStdString(), j["conditions_ok"].get<bool>() ? "true" : "false");
    } else {
        std::cout << "[ note ] " << cli.toStdString() << " is not built; compared with the engine only\n";
    }

    // The prize table typed in: level wins and totals are exact.
    const std::pair<int, const char*> payouts[] = {{13, "1234567,89"}, {12, "12 345,6"}, {11, "310,50"}, {10, "25"}};
    int64_t total = 0;
    const int64_t hundredths[] = {123456789, 1234560, 31050, 2500};
    for (int i = 0; i < 4; ++i) {
        w->EditPayout(payouts[i].first, QString::fromLatin1(payouts[i].second));
        total += engine.counts[static_cast<size_t>(payouts[i].first)] * hundredths[i];
    }
    EXPECT_EQ(w->LevelItem(12, TfrmRatta::LevelPayout)->text(), "12 345,60");
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelSum)->text(),
              QString::fromStdString(core::FormatAmount(engine.counts[13] * 123456789)));
    EXPECT_EQ(w->WinTotalText(), QString::fromStdString(core::FormatAmount(total)));
    EXPECT_EQ(w->WinAfterBetText(), QString::fromStdString(core::FormatAmount(total - 216 * 100)));
    // Lines below the first paying level have no payout cell to edit.
    EXPECT_FALSE(w->LevelItem(9, TfrmRatta::LevelPayout)->flags() & Qt::ItemIsEditable);

    // An amount that cannot be read is named and the level keeps its value.
    w->EditPayout(11, QStringLiteral("3,10,50"));
    ASSERT_EQ(prompter.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter.Texts("error")[0].contains(QStringLiteral("3,10,50")));
    EXPECT_EQ(w->LevelItem(11, TfrmRatta::LevelPayout)->text(), "310,50");
    EXPECT_EQ(w->WinTotalText(), QString::fromStdString(core::FormatAmount(total)));

    // Status bar: sign counts and runs of the result row.
    const auto stats = checking::SignCounts(plain.Facit, 13, pool.signs);
    EXPECT_EQ(w->StatusBar()->findChild<QLabel*>(QStringLiteral("pnl1"))->text().toStdString(), stats.countLines[0]);
    EXPECT_EQ(stats.countLines[0], "Num 1: 10");

    // The best rows: the first column is a 13-right row.
    w->Tabs()->setCurrentIndex(TfrmRatta::TabBestRows);
    EXPECT_TRUE(w->BestGrid()->item(0, TfrmRatta::ColHome)->textAlignment() & Qt::AlignVCenter);
    EXPECT_EQ(w->LevelGrid()->horizontalHeaderItem(TfrmRatta::LevelRight)->text(), "Right");
    EXPECT_EQ(w->BestGrid()->item(13, 6)->text(), "13");
    const int bestIndex = w->BestGrid()->horizontalHeaderItem(6)->text().toInt() - 1;
    EXPECT_EQ(core::SignsToDisplay(doc.Rader[static_cast<size_t>(bestIndex)], pool.signs), result);
}

TEST_F(CheckWindowTest, DirectUpdateOffHoldsTheCountsAndGoalsFollowTheRow) {
    auto w = Open();
    w->DirectUpdate()->setChecked(false);
    const auto before = ShownCounts(*w);
    ClickResult(*w, "1X2");
    EXPECT_EQ(ShownCounts(*w), before);
    w->DirectUpdate()->setChecked(true);
    EXPECT_NE(ShownCounts(*w), before);
    EXPECT_EQ(w->Document().HGoal[1], 0);  // a draw gets 0-0
    EXPECT_EQ(w->Document().AGoal[2], 1);  // an away win 0-1
    // Clicking the set sign again clears the match.
    ClickResult(*w, "1");
    EXPECT_EQ(w->DisplayResult().substr(0, 3), "-X2");
    EXPECT_EQ(w->Document().HGoal[0], -1);
}

TEST_F(CheckWindowTest, SavedResultReloadsAndTouchesOnlyItsRound) {
    const auto other = Stored(4850, 202649, "1111111111111");
    {
        auto w = Open();
        ClickResult(*w, "1X21X2111X111");
        w->EditPayout(13, QStringLiteral("1 500 000"));
        w->EditPayout(10, QStringLiteral("35,5"));
        bool sawDialog = false;
        WhenModal<TfrmSave>([&](TfrmSave* d) {
            sawDialog = true;
            EXPECT_EQ(d->RoundLabel()->text(), "2026-50");
            EXPECT_EQ(d->RowEdit()->text(), "1X21X2111X111");
            EXPECT_EQ(d->PayoutEdit(0)->text(), "1 500 000,00");
            // A row of the wrong length keeps the dialog open and says why.
            d->RowEdit()->setText(QStringLiteral("1x2"));
            d->accept();
            EXPECT_TRUE(d->isVisible());
            d->RowEdit()->setText(QStringLiteral("1x21x2111x111"));
            d->WinnersEdit(0)->setText(QStringLiteral("2"));
            d->WinnersEdit(3)->setText(QStringLiteral("12345"));
            d->accept();
        });
        w->btnSaveClick();
        EXPECT_TRUE(sawDialog);
        ASSERT_EQ(prompter.Texts("error").size(), 1u);
    }
    const auto saved = db.FindResult("S", 4851);
    ASSERT_TRUE(saved.found);
    EXPECT_EQ(saved.Rad, "1X21X2111X111");
    EXPECT_EQ(saved.Omg, 202650);
    EXPECT_EQ(saved.U(13), 150000000);
    EXPECT_EQ(saved.U(10), 3550);
    EXPECT_EQ(saved.A(13), 2);
    EXPECT_EQ(saved.A(10), 12345);
    // The neighbouring round is exactly as it was.
    const auto still = db.FindResult("S", 4850);
    EXPECT_EQ(still.Rad, other.Rad);
    EXPECT_EQ(still.Payout, other.Payout);
    EXPECT_EQ(still.Winners, other.Winners);
    EXPECT_EQ(db.ResultCount(), 2u);

    // A fresh window on the system finds its round and shows it.
    auto w = Open();
    EXPECT_EQ(w->RoundLabel(), "[2026-50]");
    EXPECT_EQ(w->DisplayResult(), "1X21X2111X111");
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelPayout)->text(), "1 500 000,00");
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelPayout)->toolTip(), "Amount: 2");
    EXPECT_EQ(w->LevelItem(10, TfrmRatta::LevelPayout)->toolTip(), "Amount: 12 345");
}

TEST_F(CheckWindowTest, RoundsStepInTimeOrderAndAShortRowIsRecounted) {
    Stored(4750, 202550, "2222222222222");
    Stored(4849, 202648, "1111111111111");
    Stored(4850, 202649, "1X2");  // a short stored row
    Stored(4851, 202650, "XXXXXXXXXXXXX");
    checking::CouponRound games;
    games.Year = "2026";
    games.Week = "49";
    games.Typ = "S";
    games.OmgID = 4850;
    for (int m = 1; m <= 13; ++m) {
        games.Homes.push_back("Hemma " + std::to_string(m));
        games.Aways.push_back("Borta " + std::to_string(m));
    }
    db.SaveCouponGames(games);

    auto w = Open();
    EXPECT_EQ(w->RoundLabel(), "[2026-50]");
    EXPECT_EQ(w->DisplayResult(), "XXXXXXXXXXXXX");
    const auto fifty = ShownCounts(*w);

    w->btnPriorClick();
    EXPECT_EQ(w->RoundLabel(), "[2026-49]");
    EXPECT_EQ(w->DisplayResult(), "1X2----------");
    core::TVinraFile plain = doc;
    plain.Facit = core::DisplayToSigns("1X2----------", pool.signs);
    const auto expected = checking::CheckRows(plain, 12, pool.signs).counts;
    EXPECT_EQ(ShownCounts(*w), expected);
    EXPECT_NE(ShownCounts(*w), fifty);
    // The teams of the round shown.
    EXPECT_EQ(w->PayoutGrid()->item(1, TfrmRatta::ColHome)->text(), "Hemma 1");

    w->btnPriorClick();
    EXPECT_EQ(w->RoundLabel(), "[2026-48]");
    EXPECT_EQ(w->PayoutGrid()->item(1, TfrmRatta::ColHome)->text(), "AIK");  // no games stored: the system's teams
    w->btnPriorClick();
    EXPECT_EQ(w->RoundLabel(), "[2025-50]");
    EXPECT_TRUE(w->Action(QStringLiteral("actPrior"))->isEnabled());
    w->btnPriorClick();  // nothing before it: stays, and says so
    EXPECT_EQ(w->RoundLabel(), "[2025-50]");
    EXPECT_FALSE(w->Action(QStringLiteral("actPrior"))->isEnabled());

    w->btnNextYearClick();
    EXPECT_EQ(w->RoundLabel(), "[2026-50]");
    EXPECT_TRUE(w->Action(QStringLiteral("actPrior"))->isEnabled());
    w->btnNextClick();  // at the end: the record stays, Next is off
    EXPECT_EQ(w->RoundLabel(), "[2026-50]");
    EXPECT_FALSE(w->Action(QStringLiteral("actNext"))->isEnabled());
    w->btnLastYearClick();
    EXPECT_EQ(w->RoundLabel(), "[2025-50]");
    w->btnLastYearClick();  // no 2024-50: stays
    EXPECT_EQ(w->RoundLabel(), "[2025-50]");

    // The chooser: a stored round loads; a missing one leads to the reset question.
    w->Tabs()->setCurrentIndex(0);
    CheckWindowContext c = Context();
    auto w2 = std::make_unique<TfrmRatta>(doc, [&] {
        c.chooseRound = [](QWidget*, const std::string& year, const std::string& week) {
            EXPECT_EQ(year + week, "202650");
            return std::optional<std::pair<std::string, std::string>>({"2026", "48"});
        };
        return c;
    }());
    w2->show();
    QApplication::processEvents();
    w2->btnLocalClick();
    EXPECT_EQ(w2->RoundLabel(), "[2026-48]");
    EXPECT_EQ(w2->DisplayResult(), "1111111111111");
}

TEST_F(CheckWindowTest, ResetAsksAndClearsEverything) {
    Stored(4851, 202650, "XXXXXXXXXXXXX");
    auto w = Open();
    ASSERT_EQ(w->DisplayResult(), "XXXXXXXXXXXXX");
    w->btnClearClick();  // No: nothing changes
    EXPECT_EQ(w->DisplayResult(), "XXXXXXXXXXXXX");
    prompter.answers.push_back(Answer::Yes);
    w->btnClearClick();
    EXPECT_EQ(prompter.Texts("question").back(), QString::fromStdString(core::Msg(504)));
    EXPECT_EQ(w->DisplayResult(), "-------------");
    EXPECT_EQ(ShownCounts(*w)[0], 216);
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelPayout)->text(), "0,00");
    EXPECT_EQ(w->WinAfterBetText(), "-216,00");
    EXPECT_TRUE(w->MarksModified());
    EXPECT_EQ(w->Document().HGoal[0], -1);
}

TEST_F(CheckWindowTest, PausePoolShowsTheHalfTimeResultsAndTheSystemKeepsItsPool) {
    doc.Typ = "C";
    doc.OmgID = 700;
    pool.pauseTipping = true;
    checking::TFacitRec full, half;
    full.Typ = "C";
    half.Typ = "D";
    full.OmgID = half.OmgID = 700;
    full.Omg = half.Omg = 202650;
    full.Rad = "1111111111111";
    half.Rad = "XXXXXXXXXXXXX";
    db.StoreResult(full);
    db.StoreResult(half);
    auto w = Open();
    ASSERT_FALSE(w->PausePool()->isHidden());
    EXPECT_EQ(w->DisplayResult(), "1111111111111");
    w->PausePool()->setChecked(true);
    EXPECT_EQ(w->DisplayResult(), "XXXXXXXXXXXXX");
    EXPECT_EQ(w->Document().Typ, "D");
    w->PausePool()->setChecked(false);
    EXPECT_EQ(w->DisplayResult(), "1111111111111");
    w->PausePool()->setChecked(true);
    w->reject();
    EXPECT_EQ(w->Document().Typ, "C");
}

// Stepping to a stored round of another week and saving it changes that
// round's record only: the open system keeps its own round and draw number
// until its own round is saved. A round without a record is keyed by its round
// integer, never by the system's draw number.
TEST_F(CheckWindowTest, SavingAnotherRoundLeavesTheSystemsRoundAlone) {
    struct Case {
        int32_t ownDraw;         // the system's draw number
        int32_t chosen;          // the round stepped to
        bool stored;             // that round has a record (draw 4850)
        int32_t savedDraw;       // the record the save writes
        int32_t drawAfter;       // the system's draw number afterwards
    };
    const Case cases[] = {
        {0, 202649, true, 4850, 0},          // another stored round
        {0, 202647, false, 202647, 0},       // another round, not stored
        {4851, 202647, false, 202647, 4851}, // not over the system's own record
        {0, 202650, false, 202650, 202650},  // the system's own round
    };
    for (const auto& c : cases) {
        TempDir d;
        checking::TTipsData data;
        data.Open(d.path() / "tipsdata.sqlite");
        checking::TFacitRec own;
        own.Typ = "S";
        own.OmgID = 4851;
        own.Omg = 202650;
        own.Rad = "XXXXXXXXXXXXX";
        if (c.ownDraw == 4851) data.StoreResult(own);
        checking::TFacitRec other = own;
        other.OmgID = 4850;
        other.Omg = 202649;
        other.Rad = "1111111111111";
        if (c.stored) data.StoreResult(other);
        doc.OmgID = c.ownDraw;
        doc.Omg = "2026-50";
        CheckWindowContext ctx = Context();
        ctx.db = &data;
        const std::string chosen = std::to_string(c.chosen);
        ctx.chooseRound = [chosen](QWidget*, const std::string&, const std::string&) {
            return std::optional<std::pair<std::string, std::string>>({chosen.substr(0, 4), chosen.substr(4, 2)});
        };
        TfrmRatta w(doc, ctx);
        w.show();
        QApplication::processEvents();
        w.btnLocalClick();
        ClickResult(w, "2");  // the first match changes
        WhenModal<TfrmSave>([](TfrmSave* dlg) {
            dlg->PayoutEdit(3)->setText(QStringLiteral("25.50"));  // a decimal point is öre too
            dlg->accept();
        });
        w.btnSaveClick();
        const auto saved = data.FindResult("S", c.savedDraw);
        ASSERT_TRUE(saved.found) << c.chosen;
        EXPECT_EQ(saved.Omg, c.chosen);
        EXPECT_EQ(saved.U(10), 2550) << c.chosen;
        EXPECT_EQ(w.Document().OmgID, c.drawAfter) << c.chosen;
        EXPECT_EQ(w.Document().Omg, "2026-50") << c.chosen;
        if (c.ownDraw == 4851) {
            EXPECT_EQ(data.FindResult("S", 4851).Rad, own.Rad);
        }
    }
}

// The half-time pool without the round shows an empty round: the full-time
// row and payouts are not left on screen to be saved as the half-time result.
TEST_F(CheckWindowTest, PausePoolWithoutTheRoundShowsNothingOfTheOtherPool) {
    doc.Typ = "C";
    doc.OmgID = 700;
    pool.pauseTipping = true;
    checking::TFacitRec full;
    full.Typ = "C";
    full.OmgID = 700;
    full.Omg = 202650;
    full.Rad = "1111111111111";
    full.Winners = {3, 120, 1800, 15000};
    full.Payout = {250000000, 1200000, 50000, 4000};
    db.StoreResult(full);
    auto w = Open();
    ASSERT_EQ(w->DisplayResult(), "1111111111111");
    EXPECT_TRUE(w->NoteText().isEmpty());
    w->PausePool()->setChecked(true);
    EXPECT_EQ(w->DisplayResult(), "-------------");
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelPayout)->text(), "0,00");
    EXPECT_EQ(w->LevelItem(13, TfrmRatta::LevelPayout)->toolTip(), "Amount: ");
    EXPECT_EQ(w->NoteText(), "No result is stored for round 2026-50 yet.");
    ClickResult(*w, "X");
    WhenModal<TfrmSave>([](TfrmSave* d) {
        EXPECT_EQ(d->RowEdit()->text(), "X------------");
        EXPECT_EQ(d->PayoutEdit(0)->text(), "0,00");
        EXPECT_EQ(d->WinnersEdit(0)->text(), "");
        d->accept();
    });
    w->btnSaveClick();
    const auto half = db.FindResult("D", 700);
    ASSERT_TRUE(half.found);
    EXPECT_EQ(half.Rad, "X------------");
    EXPECT_EQ(half.Payout, (std::array<int64_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(db.FindResult("C", 700).Rad, full.Rad);
}

// A round the database lacks is named as such; the web service is asked on a
// worker, and only a settled round is offered for storing.
TEST_F(CheckWindowTest, ARoundTheDatabaseLacksIsSaidAndLookedUpOnTheService) {
    struct Case {
        bool settled;
        std::string error;
        Answer answer;
        QString note;         // the line under the grid afterwards
        bool asked;
        std::string shown;    // the result row shown afterwards
    };
    const Case cases[] = {
        {true, "", Answer::Yes, "", true, "1X21X21X21X21"},
        {true, "", Answer::No, "No result is stored for round 2026-47 yet.", true, "-------------"},
        {false, "", Answer::Yes,
         "No result is stored for round 2026-47 yet. The web service has no result for round 2026-47 yet either.",
         false, "-------------"},
        {false, "connection refused", Answer::Yes,
         "No result is stored for round 2026-47 yet. The result of round 2026-47 could not be fetched: connection "
         "refused",
         false, "-------------"},
    };
    for (const auto& c : cases) {
        TempDir d;
        checking::TTipsData data;
        data.Open(d.path() / "tipsdata.sqlite");
        ScriptedPrompter ask;
        ask.answers.push_back(c.answer);
        CheckWindowContext ctx = Context();
        ctx.db = &data;
        ctx.prompter = &ask;
        ctx.chooseRound = [](QWidget*, const std::string&, const std::string&) {
            return std::optional<std::pair<std::string, std::string>>({"2026", "47"});
        };
        std::atomic<bool> onGui{true};
        ctx.fetchRoundResult = [&c, &onGui](RoundFetch& f) {
            onGui = QThread::currentThread() == QCoreApplication::instance()->thread();
            EXPECT_EQ(f.typ, "S");
            EXPECT_EQ(f.round, 202647);
            f.error = c.error;
            f.settled = c.settled;
            f.found.Year = "2026";
            f.found.Week = "47";
            f.found.Typ = "S";
            f.found.OmgID = 4848;
            f.found.Row = "1X21X21X21X21";
            f.found.Payouts = {"1 000 000", "2000,50", "100", "10"};
            f.found.Winners = {"1", "20", "300", "4000"};
        };
        TfrmRatta w(doc, ctx);
        w.show();
        QApplication::processEvents();
        w.btnLocalClick();
        EXPECT_EQ(w.RoundLabel(), "[2026-47]");
        EXPECT_TRUE(ask.Texts("question").empty());  // no reset question for a round not played
        EXPECT_TRUE(w.NoteText().startsWith(QStringLiteral("No result is stored for round 2026-47 yet.")));
        QTRY_VERIFY_WITH_TIMEOUT(!w.FetchRunning(), 5000);
        QApplication::processEvents();
        EXPECT_FALSE(onGui);
        EXPECT_EQ(ask.Texts("question").size(), c.asked ? 1u : 0u) << c.note.toStdString();
        EXPECT_EQ(w.NoteText(), c.note);
        EXPECT_EQ(w.DisplayResult(), c.shown);
        EXPECT_EQ(data.FindResult("S", 4848).found, c.shown != "-------------");
        if (c.shown != "-------------") {
            EXPECT_EQ(w.LevelItem(12, TfrmRatta::LevelPayout)->text(), "2 000,50");
        }
    }
}

// The prize lists of a results page go to the slots the download window
// stores them in: the top level of a 12-match pool is slot 12, not slot 13.
TEST(PrizeListsToSlotsTest, TopLevelGoesToTheSlotOfItsLevel) {
    struct Case {
        int n;
        std::vector<std::string> payouts, want;
    };
    const Case cases[] = {
        {13, {"100", "20", "3", "1"}, {"100", "20", "3", "1"}},
        {12, {"35000", "606", "50"}, {"0", "35000", "606", "50"}},
        {12, {"35000", "606", "50", "9"}, {"0", "35000", "606", "50"}},
        {10, {"700"}, {"700", "0", "0", "0"}},
    };
    for (const auto& c : cases) {
        checking::CouponRound r;
        r.Payouts = c.payouts;
        r.Winners = c.payouts;
        PrizeListsToSlots(r, c.n);
        EXPECT_EQ(r.Payouts, c.want) << c.n;
        EXPECT_EQ(r.Winners, c.want) << c.n;
        checking::WinningsTable t(c.n, "C");
        checking::TFacitRec rec;
        for (size_t i = 0; i < 4; ++i) rec.Payout[i] = checking::ParseAmount(r.Payouts[i]).value_or(-1);
        t.LoadSlots(rec);
        EXPECT_EQ(t.Level(c.n)->payout, checking::ParseAmount(c.payouts[0]).value_or(-1)) << c.n;
    }
}

// The goal tab is part of the window: its sign cells toggle the result as the
// payout grid's do, it follows a result set in the payout grid, Reset clears
// it too, and a publication never replaces a row typed by hand.
TEST_F(CheckWindowTest, TheGoalTabFollowsTheResultAndTheReset) {
    auto w = Open();
    auto* tab = qobject_cast<GoalServiceTab*>(w->Tabs()->widget(TfrmRatta::TabGoalService));
    ASSERT_NE(tab, nullptr);
    auto goalCell = [&](int m, int c) { return tab->GoalGrid()->item(m, c)->text(); };

    ClickResult(*w, "1X");
    EXPECT_EQ(goalCell(0, GoalServiceTab::ColSign1), "1");
    EXPECT_EQ(goalCell(1, GoalServiceTab::ColSignX), "X");
    EXPECT_EQ(goalCell(1, GoalServiceTab::ColScore), "0-0");
    tab->CellReleased(2, GoalServiceTab::ColSign2, Qt::LeftButton, {});
    EXPECT_EQ(w->DisplayResult(), "1X2----------");
    EXPECT_EQ(w->PayoutGrid()->item(3, TfrmRatta::ColSign2)->text(), "2");
    EXPECT_EQ(goalCell(2, GoalServiceTab::ColSign2), "2");
    tab->CellReleased(2, GoalServiceTab::ColSign2, Qt::LeftButton, {});  // again: cleared
    EXPECT_EQ(w->DisplayResult(), "1X-----------");

    // A hand goal, a mark and a log line; then Reset clears them all.
    tab->CellReleased(3, GoalServiceTab::ColScore, Qt::LeftButton, {});
    tab->CellReleased(4, GoalServiceTab::ColMark, Qt::LeftButton, {});
    EXPECT_EQ(goalCell(3, GoalServiceTab::ColScore), "1-0");
    EXPECT_EQ(goalCell(4, GoalServiceTab::ColMark), "(S)");
    prompter.answers.push_back(Answer::Yes);
    w->btnClearClick();
    EXPECT_EQ(goalCell(3, GoalServiceTab::ColScore), "---");
    EXPECT_EQ(goalCell(4, GoalServiceTab::ColMark), "");
    EXPECT_EQ(goalCell(0, GoalServiceTab::ColSign1), "");
    EXPECT_TRUE(tab->Live().Matches()[4].tracked);
    EXPECT_FALSE(w->Document().End[4]);

    // Typed with "Direct update" off, then published: the typed row stays.
    w->DirectUpdate()->setChecked(false);
    ClickResult(*w, "22");
    tab->PublishButton()->click();
    EXPECT_EQ(w->DisplayResult(), "22-----------");
    EXPECT_EQ(w->PayoutGrid()->item(1, TfrmRatta::ColSign2)->text(), "2");
}

TEST_F(CheckWindowTest, OnlyCompleteAddressesBecomeTheLinkOrAreOpened) {
    auto w = Open();
    EXPECT_EQ(w->Tabs()->currentIndex(), TfrmRatta::TabWinnings);  // the figures first
    EXPECT_TRUE(w->Tabs()->isTabVisible(TfrmRatta::TabGoalService));
    EXPECT_NE(qobject_cast<GoalServiceTab*>(w->Tabs()->widget(TfrmRatta::TabGoalService)), nullptr);
    w->btnGoToLiveCheckClick();
    ASSERT_EQ(prompter.Texts("information").size(), 1u);
    EXPECT_EQ(prompter.Texts("information")[0], "You must upload the file first!");

    struct Case {
        const char* pasted;
        bool taken;
    } cases[] = {{"see http", false},
                 {"javascript:alert(1)", false},
                 {"http://", false},
                 {"file:///etc/passwd", false},
                 {"https://live.example.org/s/ab12", true},
                 {"HTTP://LIVE.EXAMPLE.ORG/x", true}};
    std::string link;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        const size_t errors = prompter.Texts("error").size();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
        w->btnPasteLinkClick();
        if (c.taken) link = c.pasted;
        EXPECT_EQ(w->LinkEdit()->text().toStdString(), link);
        EXPECT_EQ(w->Document().SalvikLink, link);
        EXPECT_EQ(prompter.Texts("error").size(), errors + (c.taken ? 0 : 1));
    }
    w->btnGoToLiveCheckClick();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], link);
    EXPECT_TRUE(w->MarksModified());

    // A link from an old file that is not a complete address is not opened.
    doc.SalvikLink = "www.example.org/x";
    auto w2 = Open();
    w2->btnGoToLiveCheckClick();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(prompter.Texts("error").back().contains(QStringLiteral("www.example.org/x")));

    // Deleting asks; the comment field writes the document's comment.
    prompter.answers.push_back(Answer::Yes);
    w->btnDeleteLinkClick();
    EXPECT_TRUE(w->Document().SalvikLink.empty());
    w->CommentEdit()->setPlainText(QStringLiteral("one\ntwo"));
    EXPECT_EQ(w->Document().Comment, "one\r\ntwo");
}

TEST_F(CheckWindowTest, UploadHandsTheLinkBack) {
    CheckWindowContext c = Context();
    c.upload = [](QWidget*, core::TVinraFile& work) {
        work.SalvikLink = "https://live.example.org/s/9";
        work.Comment += "\r\nhttps://live.example.org/s/9";
        return true;
    };
    doc.Comment = "mine";
    TfrmRatta w(doc, c);
    w.show();
    w.btnUploadClick();
    EXPECT_EQ(w.LinkEdit()->text(), "https://live.example.org/s/9");
    EXPECT_EQ(w.CommentEdit()->toPlainText(), "mine\nhttps://live.example.org/s/9");
    EXPECT_EQ(w.Document().Comment, "mine\r\nhttps://live.example.org/s/9");
    EXPECT_TRUE(w.MarksModified());
}

TEST_F(CheckWindowTest, PrintedSummaryCarriesTheShownFiguresAndWritesAPdf) {
    Stored(4851, 202650, "1X21X2111X111");
    auto w = Open();
    WhenModal<TfrmSkrivUtVinst>([](TfrmSkrivUtVinst* d) { d->accept(); });
    w->btnPrintClick();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].title, "Winning summary Stryktipset 2026-50");
    std::vector<std::string> texts;
    for (const auto& cmd : reports[0].pages[0].commands) texts.push_back(cmd.text);
    EXPECT_THAT(texts, ::testing::Contains("Stryktipset Round 50 2026"));
    EXPECT_THAT(texts, ::testing::Contains("1. AIK - Brommapojkarna"));
    EXPECT_THAT(texts, ::testing::Contains(w->WinTotalText().toStdString()));
    EXPECT_THAT(texts, ::testing::Contains("-216,00"));

    WhenModal<TfrmSkrivUtVinst>([](TfrmSkrivUtVinst* d) {
        d->SetChoice(TfrmSkrivUtVinst::Report::Rows);
        d->accept();
    });
    w->btnPrintClick();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].title, "Winning rows S 2026-50");
    size_t lines = 0;
    for (const auto& page : reports[1].pages)
        for (const auto& cmd : page.commands)
            if (cmd.text.rfind("  ", 0) == 0) ++lines;
    EXPECT_EQ(lines, w->Last().check.winningLines.size());
    EXPECT_GT(lines, 0u);

    // Both render to PDF; VINRA_REPORT_DIR keeps them for looking at.
    const char* keep = std::getenv("VINRA_REPORT_DIR");
    const fs::path out = keep && *keep ? fs::path(keep) : dir.path();
    fs::create_directories(out);
    WritePdf(reports[0], out / "winning-summary.pdf");
    WritePdf(reports[1], out / "winning-rows.pdf");
    for (const char* name : {"winning-summary.pdf", "winning-rows.pdf"}) {
        const std::string bytes = vinra::testing::ReadBytes(out / name);
        EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    }

    // The preview's PDF button writes the shown document.
    const fs::path pdf = dir.path() / "from-preview.pdf";
    prompter.files.push_back(QString::fromStdString(pdf.string()));
    WhenModal<QDialog>([](QDialog* d) {
        auto* b = d->findChild<QPushButton*>(QStringLiteral("btnSavePdf"));
        ASSERT_NE(b, nullptr);
        b->click();
        d->reject();
    });
    ShowReportPreview(w.get(), reports[0], prompter);
    EXPECT_EQ(vinra::testing::ReadBytes(pdf).substr(0, 5), "%PDF-");
}

TEST_F(CheckWindowTest, SharesInPercentAndTheOverviewBesideTheWindow) {
    auto w = Open();
    // Match 4 is 1X: half of the 216 rows each.
    EXPECT_EQ(w->PayoutGrid()->item(4, TfrmRatta::ColNum1)->text(), "108");
    w->InPercent()->setChecked(true);
    EXPECT_EQ(w->PayoutGrid()->item(4, TfrmRatta::ColNum1)->text(), "50");
    EXPECT_EQ(w->PayoutGrid()->item(4, TfrmRatta::ColNum2)->text(), "0");
    w->move(600, 100);
    w->Action(QStringLiteral("actOverview"))->trigger();
    ASSERT_TRUE(w->Overview()->isVisible());
    EXPECT_FALSE(w->Overview()->InputEnabled());
    EXPECT_LE(w->Overview()->frameGeometry().right(), w->frameGeometry().left());
    w->Action(QStringLiteral("actOverview"))->trigger();
    EXPECT_FALSE(w->Overview()->isVisible());
}

TEST_F(CheckWindowTest, ChooserOffersTheYearsUpToNextYear) {
    TfrmChooseOmg d(QString(), "2009", "7");
    EXPECT_EQ(d.YearBox()->itemText(0), "1969");
    EXPECT_EQ(d.YearBox()->itemText(d.YearBox()->count() - 1), QString::number(QDate::currentDate().year() + 1));
    EXPECT_EQ(d.WeekBox()->count(), 53);
    EXPECT_EQ(d.Year(), "2009");
    EXPECT_EQ(d.Week(), "07");
    EXPECT_EQ(d.windowTitle(), "Choose year & week");
}

// Pictures of the window and its dialogs in Swedish and English, for looking
// at them; only when VINRA_SCREENSHOT_DIR names a folder.
TEST_F(CheckWindowTest, Screenshots) {
    const char* dirName = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!dirName || !*dirName) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    const fs::path out(dirName);
    fs::create_directories(out);
    Stored(4851, 202650, "1X21X2111X111");
    doc.SalvikLink = "https://live.example.org/s/ab12";
    doc.Comment = "Halvgarderingar på derbyna.";
    struct Language {
        int base;
        std::string tag;
    };
    for (const Language& language : {Language{core::LangSwedish, "sv"}, Language{core::LangEnglish, "en"}}) {
        const std::string tag = language.tag;
        core::SetCurrentLanguage(language.base);
        auto w = Open();
        w->resize(1180, 700);
        for (int t = 0; t < 4; ++t) {
            w->Tabs()->setCurrentIndex(t);
            QApplication::processEvents();
            w->grab().save(
                QString::fromStdString((out / ("check-" + tag + "-tab" + std::to_string(t) + ".png")).string()));
        }
        auto grabModal = [&](const std::string& name) {
            return [&out, name, tag](QDialog* d) {
                QApplication::processEvents();
                d->grab().save(QString::fromStdString((out / (name + "-" + tag + ".png")).string()));
                d->reject();
            };
        };
        WhenModal<TfrmSave>(grabModal("save"));
        w->btnSaveClick();
        WhenModal<TfrmSkrivUtVinst>(grabModal("print-choice"));
        w->btnPrintClick();
        TfrmChooseOmg chooser(QString(), "2026", "50");
        chooser.show();
        QApplication::processEvents();
        chooser.grab().save(QString::fromStdString((out / ("choose-" + tag + ".png")).string()));
        WhenModal<QDialog>(grabModal("preview"));
        ShowReportPreview(w.get(), output::WinningSummaryDocument([&] {
                              output::WinningsReportInput in;
                              in.typ = "S";
                              in.pool = "Stryktipset";
                              in.omg = "2026-50";
                              in.rowCount = 216;
                              in.roundText = "50 2026";
                              in.displayResult = w->DisplayResult();
                              for (size_t m = 0; m < 13; ++m) in.matchLabels.push_back(homes[m] + " - " + aways[m]);
                              in.levels =
                                  output::SummaryLevels(13, w->Last().check.counts, checking::WinningsTable(13, "S"));
                              return in;
                          }()),
                          prompter);
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

TEST_F(CheckWindowTest, TheValueOfTheSystemFollowsTheProtocolWhenTheRoundHasGameInformation) {
    const auto waitValue = [](TfrmRatta& w) {
        if (!w.ValueRunning()) return;
        QSignalSpy spy(&w, &TfrmRatta::valueFinished);
        ASSERT_TRUE(spy.wait(60000)) << "the value run did not end";
    };
    const QString turnoverLine =
        QString::fromStdString(core::FormatMsg(core::Msg(1422), {core::GroupDigits(50000000)}));
    {
        // No game information: the chart says why and the protocol has no value lines.
        auto w = Open();
        waitValue(*w);
        EXPECT_FALSE(w->ValueChartWidget()->HasValue());
        for (int i = 0; i < w->ConditionsList()->count(); ++i)
            EXPECT_NE(w->ConditionsList()->item(i)->text(), turnoverLine);
    }
    const fs::path data = dir.path() / "Data";
    fs::create_directories(data / "Cache" / "Data");
    {
        std::ofstream out(data / "Cache" / "Data" / "Stryktipset 4851.ini", std::ios::binary);
        for (int m = 0; m < 13; ++m)
            out << "[Game" << m << "]\r\nPeople1=" << (40 + m) << ".0\r\nPeopleX=30.0\r\nPeople2=" << (30 - m)
                << ".0\r\nOdds1=2.10\r\nOddsX=3.30\r\nOdds2=" << (3.0 + m * 0.2) << "\r\n";
    }
    CheckWindowContext c = Context();
    c.dataFolder = data;
    TfrmRatta w(doc, c);
    w.show();
    waitValue(w);
    ASSERT_TRUE(w.ValueChartWidget()->HasValue());
    // The lines the chart and the protocol show are those of the engine's own value of the rows.
    net::TSvSpelInfo info;
    info.Load(data, doc, "4851");
    const reduction::ValueModel model = ValueModelOfRound(info, 13, "S");
    const reduction::SystemValue value = reduction::ComputeSystemValue(doc.Rader.Strings(), model);
    const std::vector<std::string> lines = reduction::SystemValueLines(value, model, core::LangEnglish);
    QStringList shown;
    for (int i = 0; i < w.ConditionsList()->count(); ++i) shown << w.ConditionsList()->item(i)->text();
    for (const std::string& l : lines) EXPECT_TRUE(shown.contains(QString::fromStdString(l))) << l;
    EXPECT_TRUE(shown.contains(turnoverLine));
    // A recount (a sign clicked) rebuilds the protocol and keeps one copy of the value's lines.
    ClickResult(w, "1");
    QStringList after;
    for (int i = 0; i < w.ConditionsList()->count(); ++i) after << w.ConditionsList()->item(i)->text();
    EXPECT_EQ(after.count(turnoverLine), 1);

    if (const char* out = std::getenv("VINRA_SCREENSHOT_DIR"); out && *out) {
        for (const auto& [base, tag] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
            core::SetCurrentLanguage(base);
            TfrmRatta shot(doc, c);
            shot.show();
            shot.resize(1180, 760);
            waitValue(shot);
            shot.Tabs()->setCurrentIndex(TfrmRatta::TabConditions);
            QApplication::processEvents();
            fs::create_directories(out);
            shot.grab().save(
                QString::fromStdString((fs::path(out) / (std::string("check-value-") + tag + ".png")).string()));
        }
        core::SetCurrentLanguage(core::LangEnglish);
    }
}

}  // namespace
}  // namespace vinra::ui::testing
