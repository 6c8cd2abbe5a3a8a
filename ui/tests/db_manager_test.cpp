// The database editor offscreen on a real database: filters, a match edited
// and deleted, result fields edited with their checks, and the import of
// files with bad lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>

#include "checking/db_browser.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/temp_dir.h"
#include "ui/checking/db_manager.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

class DbManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        db.Open(dir.path() / "DB" / "tipsdata.sqlite");
        for (const auto& [typ, id] : {std::pair<std::string, int32_t>{"S", 4851}, {"I", 900}}) {
            checking::CouponRound r;
            r.Year = "2026";
            r.Week = "50";
            r.Typ = typ;
            r.OmgID = id;
            r.Row = "1X21X21X21X21";
            r.Homes = {"AIK", "Hammarby", "Malmö FF"};
            r.Aways = {"Djurgården", "IFK Göteborg", "Örebro"};
            r.Payouts = {"1 500 000,00", "4 200,50", "210,00", "35,00"};
            r.Winners = {"12", "340", "3 100", "25 000"};
            db.SaveCouponGames(r);
            db.SaveCouponResult(r);
        }
    }
    std::unique_ptr<TDBManager> Open(TDBManager::Page page) {
        auto w = std::make_unique<TDBManager>(db, dir.path(), prompter, page);
        w->show();
        QApplication::processEvents();
        return w;
    }
    static void SelectRow(QTableWidget* g, int row) {
        g->clearSelection();
        g->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, g->columnCount() - 1), true);
    }
    static int FindRow(QTableWidget* g, int col, const QString& text) {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->item(r, col)->text() == text) return r;
        return -1;
    }

    TempDir dir;
    checking::TTipsData db;
    ScriptedPrompter prompter;
};

TEST_F(DbManagerTest, FilterEditAndDeleteAMatch) {
    auto w = Open(TDBManager::Page::Games);
    EXPECT_EQ(w->GamesGrid()->rowCount(), 6);
    EXPECT_EQ(w->FilterBox()->itemText(0), "Show all");
    // The games list has no half-time pools; the results list has them.
    EXPECT_EQ(w->FilterBox()->findData(QStringLiteral("B")), -1);
    w->SetFilter(w->FilterBox()->findData(QStringLiteral("S")));
    ASSERT_EQ(w->GamesGrid()->rowCount(), 3);

    const int r = FindRow(w->GamesGrid(), 3, QStringLiteral("Hammarby"));
    ASSERT_GE(r, 0);
    SelectRow(w->GamesGrid(), r);
    prompter.inputs = {QStringLiteral("Hammarby IF"), QStringLiteral(" IFK Göteborg ")};
    w->btnEditMatchClick();
    EXPECT_EQ(prompter.Texts("information").back(), QString::fromUtf8("Lagnamnen ändrade!"));
    auto games = db.RoundGames(4851, "S");
    EXPECT_EQ(games[1].Home, "Hammarby IF");
    EXPECT_EQ(games[1].Away, "IFK Göteborg");
    EXPECT_EQ(db.RoundGames(900, "I")[1].Home, "Hammarby");  // the other pool's match stays
    EXPECT_GE(FindRow(w->GamesGrid(), 3, QStringLiteral("Hammarby IF")), 0);

    // Delete asks first: No keeps the match, Yes removes it.
    SelectRow(w->GamesGrid(), FindRow(w->GamesGrid(), 3, QStringLiteral("AIK")));
    w->btnDeleteClick();
    EXPECT_EQ(db.RoundGames(4851, "S").size(), 3u);
    prompter.answers.push_back(Answer::Yes);
    w->btnDeleteClick();
    EXPECT_EQ(prompter.Texts("information").back(), QString::fromUtf8("Matchen raderad!"));
    games = db.RoundGames(4851, "S");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].Match, 2);
    EXPECT_EQ(w->GamesGrid()->rowCount(), 2);
    EXPECT_EQ(db.RoundGames(900, "I").size(), 3u);
}

TEST_F(DbManagerTest, ResultFieldsAreCheckedAndStoredOneByOne) {
    auto w = Open(TDBManager::Page::Results);
    EXPECT_NE(w->FilterBox()->findData(QStringLiteral("B")), -1);
    QTableWidget* g = w->ResultsGrid();
    const int r = FindRow(g, static_cast<int>(checking::ResultField::Typ), QStringLiteral("S"));
    ASSERT_GE(r, 0);
    const int u12 = static_cast<int>(checking::ResultField::U12);
    EXPECT_EQ(g->item(r, u12)->text(), "4 200,50");

    g->item(r, u12)->setText(QStringLiteral("4 300,5"));
    EXPECT_EQ(g->item(r, u12)->text(), "4 300,50");
    EXPECT_EQ(db.FindResult("S", 4851).U(12), 430050);

    g->item(r, u12)->setText(QStringLiteral("43,00,5"));
    EXPECT_EQ(g->item(r, u12)->text(), "4 300,50");
    ASSERT_EQ(prompter.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter.Texts("error")[0].contains(QStringLiteral("43,00,5")));
    EXPECT_EQ(db.FindResult("S", 4851).U(12), 430050);

    // Another round's key is refused, and nothing is lost.
    const int typ = static_cast<int>(checking::ResultField::Typ);
    g->item(r, typ)->setText(QStringLiteral("i"));
    const int idCol = static_cast<int>(checking::ResultField::OmgID);
    g->item(r, idCol)->setText(QStringLiteral("900"));
    EXPECT_EQ(g->item(r, idCol)->text(), "4851");
    EXPECT_TRUE(prompter.Texts("error").back().contains(QStringLiteral("900")));
    EXPECT_EQ(db.ResultCount(), 2u);
    EXPECT_EQ(db.FindResult("I", 4851).U(12), 430050);  // the pool code did change
    EXPECT_EQ(db.FindResult("I", 900).U(12), 420050);

    // Deleting a result asks first.
    prompter.answers.push_back(Answer::Yes);
    SelectRow(g, FindRow(g, idCol, QStringLiteral("900")));
    w->btnDeleteClick();
    EXPECT_FALSE(db.FindResult("I", 900).found);
    EXPECT_EQ(g->rowCount(), 1);
}

TEST_F(DbManagerTest, ImportReportsBadLinesAndLosesNothing) {
    auto w = Open(TDBManager::Page::Results);
    w->btnExportClick();
    EXPECT_TRUE(prompter.Texts("information").back().contains(QString::fromStdString(dir.path().string())));
    ASSERT_TRUE(fs::exists(dir.path() / "SMatcher.txt"));
    ASSERT_TRUE(fs::exists(dir.path() / "VResultat.txt"));

    // One match and one result disappear; the files get lines that do not read.
    db.EditOrDeleteMatch("S", "", "", 3, 4851, false);
    checking::DeleteResults(db, {{"I", 900}});
    const std::string games = core::DecodeFileText(ReadBytes(dir.path() / "SMatcher.txt"));
    WriteBytes(dir.path() / "SMatcher.txt",
               core::Utf8ToCp1252(games + "not a line at all\r\n202650;x;S;Home;Away;4851\r\n"));
    const std::string results = core::DecodeFileText(ReadBytes(dir.path() / "IResultat.txt"));
    WriteBytes(dir.path() / "IResultat.txt", core::Utf8ToCp1252(results + "202650;I;901;1X2;many;0;0;0;0;0;0;0\r\n"));
    const size_t gamesBefore = db.GameCount();

    w->btnImportClick();
    const QString said = prompter.Texts("information").back();
    EXPECT_TRUE(said.startsWith(QStringLiteral("2 new records"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("3 lines could not be read"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("errors.txt")));
    const std::string errors = core::DecodeFileText(ReadBytes(dir.path() / "errors.txt"));
    EXPECT_THAT(errors, ::testing::HasSubstr("not a line at all"));
    EXPECT_THAT(errors, ::testing::HasSubstr("202650;x;S;Home;Away;4851"));
    EXPECT_THAT(errors, ::testing::HasSubstr("many"));
    // Both lost records are back, the rest is as it was.
    EXPECT_EQ(db.GameCount(), gamesBefore + 1);
    EXPECT_EQ(db.RoundGames(4851, "S")[2].Away, "Örebro");
    EXPECT_EQ(db.FindResult("I", 900).U(13), 150000000);
    EXPECT_EQ(db.ResultCount(), 2u);
    EXPECT_EQ(w->ResultsGrid()->rowCount(), 2);

    // A missing file stops the import with a message that names it.
    fs::remove(dir.path() / "AMatcher.txt");
    w->btnImportClick();
    EXPECT_TRUE(prompter.Texts("error").back().contains(QStringLiteral("AMatcher.txt")))
        << prompter.Texts("error").back().toStdString();
}

// Pictures of both pages in Swedish and English; only with VINRA_SCREENSHOT_DIR.
TEST_F(DbManagerTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    fs::create_directories(out);
    for (const auto& [base, tag] : {std::pair<int, std::string>{core::LangSwedish, "sv"}, {core::LangEnglish, "en"}}) {
        core::SetCurrentLanguage(base);
        for (auto page : {TDBManager::Page::Games, TDBManager::Page::Results}) {
            auto w = Open(page);
            QApplication::processEvents();
            const std::string name =
                "dbmanager-" + tag + (page == TDBManager::Page::Games ? "-games" : "-results") + ".png";
            w->grab().save(QString::fromStdString((fs::path(out) / name).string()));
        }
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui::testing
