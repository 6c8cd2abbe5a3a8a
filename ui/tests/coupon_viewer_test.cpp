// The coupon viewer and the overview window, driven offscreen through real
// clicks on their grids and answers to their questions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "ui/output/coupon_viewer.h"
#include "ui/output/quick_view.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

// n distinct 13-match rows; row i holds i in base 3.
std::vector<std::string> Rows(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        std::string r(13, '0');
        for (int v = i, pos = 12; v > 0; v /= 3, --pos) r[pos] = static_cast<char>('0' + v % 3);
        out.push_back(r);
    }
    return out;
}

core::TVinraFile Doc(int rows, const std::string& systemTyp = "E") {
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    doc.Rader = Rows(rows);
    doc.SystemTyp = systemTyp;
    return doc;
}

// A press and release of a mouse button on a cell, as a user's click.
void Click(QTableWidget* grid, int line, int column, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint p = grid->visualRect(grid->model()->index(line, column)).center();
    const QPoint g = grid->viewport()->mapToGlobal(p);
    QMouseEvent press(QEvent::MouseButtonPress, p, g, button, button, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, g, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &release);
}

// Also records what each input box was prefilled with.
class RecordingPrompter : public ScriptedPrompter {
public:
    std::vector<QString> prefills;
    std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& label,
                                     const QString& value) override {
        prefills.push_back(value);
        EXPECT_EQ(title.toStdString(), core::Msg(478));
        return ScriptedPrompter::inputText(parent, title, label, value);
    }
};

class CouponViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        core::SetCurrentDisplaySigns({});
    }
    void TearDown() override { core::SetCurrentDisplaySigns({}); }

    static QString Cell(const TfrmView& v, int match, int couponColumn, int box) {
        return v.Grid()->item(TfrmView::MatchLine(match), TfrmView::GridColumn(couponColumn, box))->text();
    }
    static QTableWidgetItem* Right(const TfrmView& v, int couponColumn) {
        return v.Grid()->item(v.RightLine(), TfrmView::GridColumn(couponColumn, 1));
    }
    // The display string of every match of coupon column j, read back from the boxes.
    static std::string ColumnRow(const TfrmView& v, int j) {
        std::string out;
        for (int m = 1; m <= 13; ++m) {
            std::string mark;
            for (int box = 1; box <= 3; ++box) mark += Cell(v, m, j, box).toStdString();
            out += mark;
        }
        return out;
    }
    std::vector<QString> Texts(const ScriptedPrompter& p, const std::string& kind) { return p.Texts(kind); }

    RecordingPrompter prompter_;
};

TEST_F(CouponViewerTest, ShowsEachCouponWithItsRowsAndRightCounts) {
    core::TVinraFile doc = Doc(25);
    doc.Facit = "000000000111-";  // the last match has no result yet
    TfrmView v(doc, 12, prompter_);
    v.show();
    EXPECT_EQ(v.TitleLabel()->text().toStdString(), "Coupon 1 of 3.");
    // Green from 10 right on, red below.
    EXPECT_EQ(Right(v, 1)->text(), "9");
    EXPECT_EQ(Right(v, 1)->foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(Right(v, 10)->text(), "10");  // 0000000000100
    EXPECT_EQ(Right(v, 10)->foreground().color(), QColor(0, 140, 40));
    EXPECT_EQ(v.CouponList()->count(), 3);
    EXPECT_FALSE(v.Button("btnPrior")->isEnabled());
    EXPECT_TRUE(v.Button("btnLast")->isEnabled());
    EXPECT_EQ(ColumnRow(v, 1), core::SignsToDisplay(doc.Rader[0]));
    EXPECT_EQ(ColumnRow(v, 12), core::SignsToDisplay(doc.Rader[11]));
    // Row 12 is 0000000000102: match 11 a draw, match 13 an away win.
    EXPECT_EQ(Cell(v, 11, 12, 2), "X");
    EXPECT_EQ(Cell(v, 11, 12, 1), "");
    EXPECT_EQ(Cell(v, 13, 12, 3), "2");

    v.NextClick();
    EXPECT_EQ(v.windowTitle().toStdString(), "Coupon 2 of 3.");
    EXPECT_EQ(v.CouponList()->currentIndex(), 1);
    EXPECT_EQ(ColumnRow(v, 1), core::SignsToDisplay(doc.Rader[12]));
    EXPECT_EQ(Right(v, 2)->text(), "11");  // 0000000000111

    v.CouponList()->setCurrentIndex(2);  // the drop-down list of coupons
    EXPECT_EQ(v.Coupon(), 3);
    EXPECT_EQ(ColumnRow(v, 1), core::SignsToDisplay(doc.Rader[24]));
    EXPECT_EQ(ColumnRow(v, 2), "");  // columns without a row stay empty
    EXPECT_EQ(Right(v, 2)->text(), "");
    EXPECT_FALSE(v.Button("btnNext")->isEnabled());
    EXPECT_FALSE(v.Action("actLast")->isEnabled());
    EXPECT_TRUE(v.Action("actFirst")->isEnabled());
    v.FirstClick();
    EXPECT_EQ(v.Coupon(), 1);
    EXPECT_FALSE(v.Changed());
}

TEST_F(CouponViewerTest, WithoutAResultEveryRowShowsNoneRightInRed_AndPoolSignsAreUsed) {
    core::SetCurrentDisplaySigns({"H", "U", "B"});
    core::TVinraFile doc = Doc(3);
    doc.Rader.Set(2, "012012012012-");  // a damaged sign is shown as it is, in the home box
    TfrmView v(doc, 10, prompter_);
    v.show();
    EXPECT_EQ(v.Grid()->item(1, 1)->text(), "H");
    EXPECT_EQ(v.Grid()->item(1, 2)->text(), "U");
    EXPECT_EQ(v.Grid()->item(1, 3)->text(), "B");
    EXPECT_EQ(v.Grid()->columnCount(), 31);
    EXPECT_EQ(ColumnRow(v, 3), "HUBHUBHUBHUB-");
    for (int j = 1; j <= 3; ++j) {
        EXPECT_EQ(Right(v, j)->text(), "0");
        EXPECT_EQ(Right(v, j)->foreground().color(), QColor(200, 0, 0));
    }
}

TEST_F(CouponViewerTest, DeleteRowAsksAndRemovesTheClickedRow) {
    core::TVinraFile doc = Doc(25, "R");
    TfrmView v(doc, 12, prompter_);
    v.show();
    v.ShowCoupon(2);

    // The label column and columns past the coupon's rows belong to no row.
    Click(v.Grid(), TfrmView::MatchLine(1), 0);
    EXPECT_FALSE(v.ContextMenu()->actions().at(1)->isEnabled());
    v.ShowCoupon(3);
    Click(v.Grid(), TfrmView::MatchLine(4), TfrmView::GridColumn(2, 2));
    EXPECT_EQ(v.ClickedColumn(), 2);
    EXPECT_FALSE(v.Action("actDeleteRow")->isEnabled());
    EXPECT_FALSE(v.Action("actDeleteCoupon")->isEnabled());
    v.DeleteRowClick();
    EXPECT_TRUE(prompter_.shown.empty());

    // Column 3 of coupon 2 is row 15; No keeps it.
    v.ShowCoupon(2);
    Click(v.Grid(), TfrmView::MatchLine(5), TfrmView::GridColumn(3, 3));
    EXPECT_TRUE(v.Action("actDeleteRow")->isEnabled());
    prompter_.answers = {Answer::No};
    v.Action("actDeleteRow")->trigger();
    EXPECT_EQ(v.Rows().size(), 25u);
    EXPECT_FALSE(v.Changed());

    prompter_.answers = {Answer::Yes};
    v.DeleteRowClick();
    EXPECT_EQ(Texts(prompter_, "question"),
              (std::vector<QString>{"Do you want to delete row 3?", "Do you want to delete row 3?"}));
    ASSERT_EQ(v.Rows().size(), 24u);
    EXPECT_EQ(v.Rows()[14], doc.Rader[15]);
    EXPECT_TRUE(v.Changed());
    EXPECT_EQ(v.CouponCount(), 2);
    EXPECT_EQ(ColumnRow(v, 3), core::SignsToDisplay(doc.Rader[15]));
    // A reduced system is told it became an own system of single rows.
    EXPECT_EQ(Texts(prompter_, "information"), (std::vector<QString>{QString::fromStdString(core::Msg(476))}));
    EXPECT_EQ(doc.Rader.size(), 25u);  // the document itself is never touched
}

TEST_F(CouponViewerTest, DeletingTheOnlyRowOfTheLastCouponShowsTheNewLastCoupon) {
    core::TVinraFile doc = Doc(25);
    TfrmView v(doc, 12, prompter_);
    v.show();
    v.LastClick();
    Click(v.Grid(), TfrmView::MatchLine(13), TfrmView::GridColumn(1, 1), Qt::RightButton);
    prompter_.answers = {Answer::Yes};
    v.DeleteRowClick();
    EXPECT_EQ(v.Rows().size(), 24u);
    EXPECT_EQ(v.Coupon(), 2);
    EXPECT_EQ(v.TitleLabel()->text().toStdString(), "Coupon 2 of 2.");
    EXPECT_EQ(v.CouponList()->count(), 2);
    EXPECT_TRUE(Texts(prompter_, "information").empty());  // an own system stays one
}

TEST_F(CouponViewerTest, DeleteCouponRemovesExactlyTheRowsShown) {
    core::TVinraFile doc = Doc(30);
    TfrmView v(doc, 12, prompter_);
    v.show();
    v.ShowCoupon(2);
    Click(v.Grid(), TfrmView::MatchLine(2), TfrmView::GridColumn(7, 1));
    prompter_.answers = {Answer::Yes};
    v.Action("actDeleteCoupon")->trigger();
    EXPECT_EQ(Texts(prompter_, "question"), (std::vector<QString>{"Do you want to delete coupon 2?"}));
    ASSERT_EQ(v.Rows().size(), 18u);
    EXPECT_EQ(v.Rows()[12], doc.Rader[24]);
    EXPECT_EQ(v.Coupon(), 1);
    EXPECT_EQ(v.CouponCount(), 2);
    EXPECT_TRUE(v.Changed());
}

// Deleting marks the system changed at once, before the viewer closes and the
// keep question; declining a delete, or adding a row, does not.
TEST_F(CouponViewerTest, DeletingMarksTheSystemModifiedAtOnce) {
    core::TVinraFile doc = Doc(30);
    int marked = 0;
    CouponViewerHooks hooks;
    hooks.systemModified = [&] { ++marked; };
    TfrmView v(doc, 12, prompter_, hooks);
    v.show();
    Click(v.Grid(), TfrmView::MatchLine(2), TfrmView::GridColumn(1, 1));
    prompter_.answers = {Answer::No};
    v.DeleteRowClick();
    EXPECT_EQ(marked, 0);
    prompter_.answers = {Answer::Yes};
    v.DeleteRowClick();
    EXPECT_EQ(marked, 1);
    EXPECT_TRUE(v.isVisible());  // still open: no question about keeping yet
    prompter_.answers = {Answer::Yes};
    v.DeleteCouponClick();
    EXPECT_EQ(marked, 2);
    prompter_.inputs = {QString("1X21X21X21X2X")};
    v.InsertRowClick();
    EXPECT_EQ(marked, 2);
}

TEST_F(CouponViewerTest, InsertRowValidatesAskingAgainAndAppends) {
    core::TVinraFile doc = Doc(12);
    TfrmView v(doc, 12, prompter_);
    v.show();
    prompter_.inputs = {QString("1x2"), QString("1x21x21x21x2y"), QString("1x21x21x21x2x")};
    v.Action("actInsertRow")->trigger();
    EXPECT_EQ(Texts(prompter_, "information"),
              (std::vector<QString>{"The row must contain 13 characters.",
                                    "The row must consist of the characters 1, X, and 2."}));
    // Prefilled with the last row, then each time with the text typed, upper-cased.
    EXPECT_EQ(prompter_.prefills, (std::vector<QString>{QString::fromStdString(core::SignsToDisplay(doc.Rader[11])),
                                                        "1X2", "1X21X21X21X2Y"}));
    ASSERT_EQ(v.Rows().size(), 13u);
    EXPECT_EQ(v.Rows().back(), "0120120120121");
    EXPECT_EQ(v.Coupon(), 2);  // the last coupon is shown
    EXPECT_EQ(ColumnRow(v, 1), "1X21X21X21X2X");
    EXPECT_TRUE(v.Changed());

    // A row already there, and a cancelled box, change nothing.
    prompter_.shown.clear();
    prompter_.inputs = {QString("111111111111X")};
    v.InsertRowClick();
    EXPECT_EQ(Texts(prompter_, "information"), (std::vector<QString>{"The row already exists."}));
    prompter_.inputs = {std::nullopt};
    v.InsertRowClick();
    EXPECT_EQ(v.Rows().size(), 13u);
}

TEST_F(CouponViewerTest, ATypedRowOfAThreeMatchSystemIsUpperCased) {
    core::TVinraFile doc;
    doc.NewSystem(13, false);
    doc.MatchCount = 3;
    doc.Rader = {"000"};
    doc.SystemTyp = "U";
    TfrmView v(doc, 12, prompter_);
    prompter_.inputs = {QString("1x2")};
    v.InsertRowClick();
    EXPECT_EQ(v.Rows(), (std::vector<std::string>{"000", "012"}));
    EXPECT_EQ(v.Grid()->rowCount(), 3 + 3);
    EXPECT_EQ(Texts(prompter_, "information"), (std::vector<QString>{QString::fromStdString(core::Msg(476))}));
}

TEST_F(CouponViewerTest, PrintThisCouponHandsOverTheEditedRowsAndTheCoupon) {
    core::TVinraFile doc = Doc(25);
    {
        TfrmView v(doc, 12, prompter_);
        EXPECT_FALSE(v.Button("btnPrintCoupon")->isEnabled());  // nothing to print with
    }
    std::vector<std::string> printed;
    int coupon = 0;
    CouponViewerHooks hooks;
    hooks.printCoupon = [&](QWidget*, const std::vector<std::string>& rows, int k) {
        printed = rows;
        coupon = k;
    };
    TfrmView v(doc, 12, prompter_, hooks);
    v.show();
    v.ShowCoupon(3);
    prompter_.answers = {Answer::Yes};
    v.SetClickedColumn(1);
    v.DeleteRowClick();
    v.Button("btnPrintCoupon")->click();
    EXPECT_EQ(coupon, 2);
    EXPECT_EQ(printed.size(), 24u);
}

TEST_F(CouponViewerTest, RunningTheViewerAndKeepingTheChanges) {
    core::TVinraFile doc = Doc(30, "R");
    doc.Systemnamn = "R 4-0-9";
    // The dialog runs modally; the edits are made from inside its event loop.
    QTimer::singleShot(0, [&] {
        auto* v = qobject_cast<TfrmView*>(QApplication::activeModalWidget());
        ASSERT_NE(v, nullptr);
        v->ShowCoupon(3);
        prompter_.answers = {Answer::Yes};
        v->DeleteCouponClick();
        v->Button("btnClose")->click();
    });
    const ViewCouponsResult result = RunCouponViewer(nullptr, doc, 12, prompter_);
    EXPECT_TRUE(result.changed);
    ASSERT_EQ(result.rows.size(), 24u);

    // No keeps the system as it was.
    prompter_.shown.clear();
    prompter_.answers = {Answer::No};
    EXPECT_FALSE(KeepCouponChanges(nullptr, doc, result, prompter_));
    EXPECT_EQ(doc.Rader.size(), 30u);
    EXPECT_EQ(doc.SystemTyp, "R");
    EXPECT_EQ(Texts(prompter_, "question"), (std::vector<QString>{"Do you want to keep the changes?"}));

    prompter_.answers = {Answer::Yes};
    EXPECT_TRUE(KeepCouponChanges(nullptr, doc, result, prompter_));
    EXPECT_EQ(doc.Rader, result.rows);
    EXPECT_EQ(doc.SystemTyp, "E");

    // Without changes there is no question at all.
    prompter_.shown.clear();
    EXPECT_FALSE(KeepCouponChanges(nullptr, doc, ViewCouponsResult{doc.Rader.Strings(), false}, prompter_));
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(CouponViewerTest, OverviewShowsAndTogglesTheFrame) {
    core::TVinraFile doc;
    doc.NewSystem(13, false);
    doc.MatchCount = 4;
    doc.Grundrad = {"0 2", " 1 ", "012"};  // positional, compact, and a match short
    TfrmQuick q(doc);
    q.show();
    EXPECT_EQ(q.Grid()->rowCount(), 4);
    EXPECT_EQ(q.Grid()->horizontalHeaderItem(1)->text(), "X");
    EXPECT_EQ(q.Grid()->verticalHeaderItem(3)->text(), "4.");
    EXPECT_TRUE(q.CellMarked(1, 1));
    EXPECT_FALSE(q.CellMarked(2, 1));
    EXPECT_EQ(q.Grid()->item(0, 2)->text(), "2");
    EXPECT_TRUE(q.CellMarked(2, 2));
    EXPECT_FALSE(q.CellMarked(1, 4));

    std::vector<std::pair<int, int>> edits;
    QObject::connect(&q, &TfrmQuick::frameEdited, [&](int sign, int match) { edits.emplace_back(sign, match); });
    Click(q.Grid(), 0, 1);  // add the draw of match 1
    EXPECT_EQ(doc.Grundrad[0], "012");
    Click(q.Grid(), 0, 0);  // take away its home win
    EXPECT_EQ(doc.Grundrad[0], "12");
    q.ToggleCell(3, 4);  // the missing entry is made
    ASSERT_EQ(doc.Grundrad.size(), 4u);
    EXPECT_EQ(doc.Grundrad[3], "2");
    EXPECT_EQ(edits, (std::vector<std::pair<int, int>>{{2, 1}, {1, 1}, {3, 4}}));

    // Told of a change made elsewhere, the one cell follows the document.
    doc.Grundrad[1] = "01";
    q.UpdateCell(1, 2);
    EXPECT_TRUE(q.CellMarked(1, 2));
    q.UpdateCell(9, 2);  // out of range: ignored
    q.UpdateCell(1, 40);

    q.SetInputEnabled(false);
    Click(q.Grid(), 2, 0);
    EXPECT_EQ(doc.Grundrad[2], "012");
    EXPECT_EQ(edits.size(), 3u);

    q.SetRowHeight(18);
    EXPECT_EQ(q.height(), 5 * 18 + 4 + 30);
}

// Pictures of the viewer for looking at them; only when VINRA_SCREENSHOT_DIR is set.
TEST_F(CouponViewerTest, ScreenGrabs) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    const fs::path dir(out);
    fs::create_directories(dir);
    auto save = [&](QWidget* w, const std::string& name) {
        QApplication::processEvents();
        ASSERT_TRUE(w->grab().save(QString::fromStdString((dir / name).string())));
    };
    // 25 rows spread over the frame, and a result close to some of them.
    core::TVinraFile doc = Doc(0);
    uint32_t seed = 2026;
    while (doc.Rader.size() < 25) {
        std::string r;
        for (int m = 0; m < 13; ++m) {
            seed = seed * 1103515245u + 12345u;
            r += static_cast<char>('0' + (seed >> 16) % 3);
        }
        doc.Rader.push_back(r);
    }
    doc.Facit = doc.Rader[3];
    doc.Facit[0] = doc.Facit[0] == '0' ? '1' : '0';
    doc.Rader.Set(5, doc.Facit);
    {
        core::SetCurrentLanguage(core::LangEnglish);
        TfrmView v(doc, 12, prompter_);
        v.show();
        v.SetClickedColumn(4);
        save(&v, "viewer_en.png");
    }
    {
        core::SetCurrentLanguage(core::LangNorwegian);
        core::SetCurrentDisplaySigns({"H", "U", "B"});
        TfrmView v(doc, 10, prompter_);
        v.show();
        v.ShowCoupon(2);
        save(&v, "viewer_no.png");
        doc.Grundrad = core::FrameFromRows(std::vector<std::string>{doc.Rader[0], doc.Rader[1], doc.Rader[2]}, 13);
        TfrmQuick q(doc);
        q.show();
        save(&q, "overview_no.png");
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui::testing
