#include "ui/output/print_dialog.h"
#include "ui/output/print_progress.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <deque>
#include <random>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "output/coupon_print.h"
#include "tests/temp_dir.h"
#include "ui/output/coupon_dialogs.h"
#include "ui/output/page_painter.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
namespace fs = std::filesystem;

QString M(int n) { return QString::fromStdString(core::Msg(n)); }

// A backend that "prints" into PDF files and remembers what it was asked.
class PdfBackend : public PrintBackend {
public:
    explicit PdfBackend(fs::path folder) : folder_(std::move(folder)) {}
    std::deque<std::optional<QString>> choices;  // the print dialog's answers; empty: keep the printer
    std::vector<std::pair<QString, PaperSettings>> selected;
    std::vector<output::PrintDocument> docs;
    std::vector<fs::path> pdfs;
    int dialogs = 0;

    void selectPrinter(const QString& printer, const PaperSettings& paper) override {
        selected.emplace_back(printer, paper);
        current_ = printer;
    }
    std::optional<QString> choosePrinter(QWidget*) override {
        ++dialogs;
        if (choices.empty()) return current_.isEmpty() ? QStringLiteral("Office printer") : current_;
        auto c = choices.front();
        choices.pop_front();
        if (c) current_ = *c;
        return c;
    }
    bool output(QWidget*, const output::PrintDocument& doc) override {
        docs.push_back(doc);
        const fs::path pdf = folder_ / ("print" + std::to_string(docs.size()) + ".pdf");
        WritePdf(doc, pdf, A4Portrait());
        pdfs.push_back(pdf);
        return true;
    }

private:
    fs::path folder_;
    QString current_;
};

constexpr const char* kNational =
    "[Countries]\r\nC0=Svenska Spel\r\nC1=Norsk Tipping\r\nC2=Veikkaus\r\n"
    "[Pools]\r\nS=Svenska Spel\r\nC=Norsk Tipping\r\nV=Veikkaus\r\n"
    "[Svenska Spel]\r\nS=Stryktipset\r\n"
    "[Norsk Tipping]\r\nC=Tipping Lørdag\r\n"
    "[Veikkaus]\r\nV=Vakioveikkaus\r\n"
    "[Stryktipset]\r\nImg=Images/stryktipset.png\r\nCouponColumns=12\r\ndbID=S\r\nPrintChar=X\r\n"
    "Fontname=Arial\r\nFontsize=10\r\nBold=0\r\n"
    "KolumnAvstand=12,7\r\nKolumnBredd=2,54\r\nStartBredd1=25,4\r\nStartBreddX=30,48\r\nStartBredd2=35,56\r\n"
    "StartHojd=50,8\r\nHojdOkning=5,08\r\nCB0=Omgång|10,16|20,32|1\r\nNamnX=12,7\r\nNamnY=127\r\n"
    "[Tipping Lørdag]\r\nCouponColumns=10\r\ndbID=C\r\nHome=H\r\nDraw=U\r\nAway=B\r\n"
    "[Vakioveikkaus]\r\nCouponColumns=8\r\ndbID=V\r\n";

// Pages of a PDF file: its "/Type /Page" objects.
int PdfPages(const fs::path& file) {
    const std::string pdf = vinra::testing::ReadBytes(file);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    int pages = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        pages += pdf.compare(at, 12, "/Type /Pages") != 0;
    return pages;
}

std::vector<std::string> Rows(int count) {
    std::mt19937 rng(11);
    std::vector<std::string> rows;
    while (static_cast<int>(rows.size()) < count) {
        std::string r;
        for (int m = 0; m < 13; ++m) r += static_cast<char>('0' + rng() % 3);
        if (std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
    }
    return rows;
}

class PrintDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        core::WriteFileAtomic(dir_.path() / "National.Ini", kNational);
        national_ = core::NationalIni::FromFile(dir_.path() / "National.Ini");
        settingsFile_ = std::make_unique<core::SettingsFile>(dir_.path() / "RAVAROZ.INI");
        settings_ = settingsFile_->Load();
        doc_.NewSystem(13, true);
        doc_.Pool = "Stryktipset";
        doc_.Typ = "S";
        doc_.Omg = "2026-50";
        doc_.Rader = Rows(30);
        doc_.Grundrad = core::FrameFromRows(doc_.Rader, 13);
        doc_.Gar = {"13 right: 12 %"};
    }
    PrintContext Context() {
        PrintContext c;
        c.doc = &doc_;
        for (int m = 1; m <= 13; ++m) c.matchLabels.push_back("Home " + std::to_string(m) + " - Away");
        c.settingsFile = settingsFile_.get();
        c.settings = &settings_;
        c.national = &national_;
        c.nationalPath = dir_.path() / "National.Ini";
        c.dataFolder = fs::path(VINRA_SOURCE_DIR) / "resources";  // Images/ is absent there: logos are left out
        c.systemFile = dir_.path() / "User" / "Stryktipset" / "Week 50.1x2";
        c.userFolder = dir_.path() / "User";
        c.webAddress = "http://127.0.0.1:8080";
        return c;
    }
    std::string General(const char* key) {
        return core::IniFile::FromFile(dir_.path() / "RAVAROZ.INI").ReadString("General", key);
    }

    vinra::testing::TempDir dir_;
    core::NationalIni national_;
    std::unique_ptr<core::SettingsFile> settingsFile_;
    core::Settings settings_;
    core::TVinraFile doc_;
    testing::ScriptedPrompter prompter_;
    PdfBackend backend_{dir_.path()};
};

TEST_F(PrintDialogTest, OpensOnTheProtocolWithTheCouponRangeFilledIn) {
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    EXPECT_EQ(dlg.mode(), TSkrivUtDlg::Mode::Protocol);
    EXPECT_EQ(dlg.CouponCount(), 3);
    EXPECT_EQ(dlg.FromEdit()->text(), "1");
    EXPECT_EQ(dlg.ToEdit()->text(), "3");
    EXPECT_FALSE(dlg.FromEdit()->isEnabled());
    for (int msg : {111, 112, 114, 531}) EXPECT_TRUE(dlg.ProtocolBox(msg)->isChecked()) << msg;
    EXPECT_EQ(dlg.ModeButton(TSkrivUtDlg::Mode::AllCoupons)->text(), "&All coupons");

    // Entering the range enables the numbers, all coupons disables them, typing selects the range.
    dlg.SetMode(TSkrivUtDlg::Mode::Range);
    EXPECT_TRUE(dlg.ToEdit()->isEnabled());
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    EXPECT_FALSE(dlg.ToEdit()->isEnabled());
    dlg.SetMode(TSkrivUtDlg::Mode::Range);
    dlg.SetMode(TSkrivUtDlg::Mode::Protocol);
    emit dlg.ToEdit()->textEdited("2");
    EXPECT_EQ(dlg.mode(), TSkrivUtDlg::Mode::Range);
}

TEST_F(PrintDialogTest, FileModeAndPcBetFollowThePool) {
    PrintDialogHooks hooks;
    int pcBetOpened = 0;
    hooks.pcBetSettings = [&](QWidget*) { ++pcBetOpened; };
    struct Case {
        const char* pool;
        const char* typ;
        bool file, pcBet;
    };
    for (const Case& c : {Case{"Stryktipset", "S", true, false}, Case{"Tipping Lørdag", "C", true, true},
                          Case{"Vakioveikkaus", "V", false, false}}) {
        doc_.Pool = c.pool;
        doc_.Typ = c.typ;
        TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
        EXPECT_EQ(!dlg.ModeButton(TSkrivUtDlg::Mode::ToFile)->isHidden(), c.file) << c.typ;
        EXPECT_EQ(!dlg.Button("btnPcBet")->isHidden(), c.pcBet) << c.typ;
        if (c.pcBet) {
            dlg.PcBetClick();
            EXPECT_EQ(pcBetOpened, 1);
            EXPECT_EQ(dlg.mode(), TSkrivUtDlg::Mode::ToFile);
        }
    }
    // Vakioveikkaus prints 8 rows a coupon: 30 rows need 4 coupons.
    EXPECT_EQ(TSkrivUtDlg(Context(), prompter_, backend_).CouponCount(), 4);
}

TEST_F(PrintDialogTest, AllCouponsGoToThePrinterAndMarkTheSystemPrinted) {
    settingsFile_->WriteString("Office printer", "Left", "2,54");
    settingsFile_->WriteString("Office printer", "Top", "-1,27");
    settingsFile_->WriteString("General", "LastPrinter", "Office printer");
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    dlg.PrintClick();

    ASSERT_EQ(backend_.docs.size(), 1u);
    EXPECT_EQ(backend_.selected.front().first, "Office printer");
    EXPECT_TRUE(doc_.Printed);
    EXPECT_TRUE(dlg.DocumentChanged());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(General("LastPrinter"), "Office printer");

    // Every cross of the 30 rows, read back from the drawing commands: coupon
    // (page), coupon column, match and sign, with the printer's margins.
    const output::PrintDocument& pd = backend_.docs[0];
    ASSERT_EQ(pd.pages.size(), 3u);
    int crosses = 0;
    for (size_t p = 0; p < 3; ++p) {
        for (const output::DrawCommand& c : pd.pages[p].commands) {
            if (c.column == 0) continue;
            const int j = (c.column - 1) / 3 + 1, s = (c.column - 1) % 3;
            const int m = static_cast<int>(std::lround((c.y - 2.0 + 0.05) / 0.2)) + 1;
            const int row = static_cast<int>(p) * 12 + j - 1;
            ASSERT_LT(row, 30);
            EXPECT_EQ(doc_.Rader[row][m - 1] - '0', s) << "coupon " << p + 1 << " column " << j << " match " << m;
            EXPECT_NEAR(c.x, 1.0 + 0.2 * s + 0.1 + (j - 1) * 0.5, 1e-9);
            ++crosses;
        }
    }
    EXPECT_EQ(crosses, 30 * 13);
    // The PDF holds the three coupons.
    EXPECT_EQ(PdfPages(backend_.pdfs[0]), 3);
}

TEST_F(PrintDialogTest, RangeChecksStopThePrintAndLeaveTheSystemUnprinted) {
    struct Case {
        const char *from, *to;
        QString message;
        const char* focus;  // the field that gets the focus
    };
    const Case cases[] = {
        {"3", "2", M(446), "edTo"},
        {"4", "4", M(447), "edFrom"},
        {"1", "5", M(448), "edTo"},
        {"x1", "2", M(451) + " 'x1'", "edFrom"},
        {"0", "2", M(451) + " '0'", "edFrom"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from + std::string(" to ") + c.to);
        prompter_.shown.clear();
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.show();
        dlg.SetMode(TSkrivUtDlg::Mode::Range);
        dlg.FromEdit()->setText(c.from);
        dlg.ToEdit()->setText(c.to);
        dlg.PrintClick();
        EXPECT_THAT(prompter_.Texts("error"), ElementsAre(c.message));
        EXPECT_EQ(dlg.focusWidget() ? dlg.focusWidget()->objectName() : QString(), c.focus);
        EXPECT_EQ(backend_.dialogs, 0);
        EXPECT_FALSE(doc_.Printed);
        EXPECT_FALSE(dlg.DocumentChanged());
        EXPECT_NE(dlg.result(), QDialog::Accepted);
    }
}

TEST_F(PrintDialogTest, CancelledPrintDialogPrintsNothing) {
    settingsFile_->WriteString("General", "LastPrinter", "Office printer");
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    backend_.choices.push_back(std::nullopt);
    dlg.PrintClick();
    EXPECT_EQ(backend_.dialogs, 1);
    EXPECT_TRUE(backend_.docs.empty());
    EXPECT_FALSE(doc_.Printed);
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    // Another printer chosen in the dialog is remembered, and its margins are used.
    settingsFile_->WriteString("Second", "Left", "25,4");
    backend_.choices.push_back(QStringLiteral("Second"));
    dlg.SetMode(TSkrivUtDlg::Mode::Range);
    dlg.FromEdit()->setText("3");
    dlg.ToEdit()->setText("3");
    dlg.PrintClick();
    ASSERT_EQ(backend_.docs.size(), 1u);
    EXPECT_EQ(General("LastPrinter"), "Second");
    EXPECT_TRUE(doc_.Printed);
    int marks = 0;
    for (const auto& c : backend_.docs[0].pages[0].commands)
        if (c.column == 1 || c.column == 2 || c.column == 3) {
            EXPECT_NEAR(c.x, 1.0 + 1.0 + 0.2 * (c.column - 1), 1e-9);
            ++marks;
        }
    EXPECT_EQ(marks, 13);  // rows 25 to 30 on coupon 3, the first of them in column 1
}

TEST_F(PrintDialogTest, ProtocolOnTheA4PrinterWithTheTickedBlocks) {
    settingsFile_->WriteString("General", "LastPrinterA4", "Laser");
    doc_.Comment = "Kept for the club";
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    dlg.ProtocolBox(114)->setChecked(false);
    dlg.PrintClick();
    ASSERT_EQ(backend_.selected.size(), 1u);
    EXPECT_EQ(backend_.selected[0].first, "Laser");
    EXPECT_EQ(backend_.selected[0].second, (PaperSettings{9, 7, false}));
    ASSERT_EQ(backend_.docs.size(), 1u);
    const output::PrintDocument& pd = backend_.docs[0];
    EXPECT_TRUE(pd.portraitA4);
    EXPECT_EQ(pd.title, "Protocol Stryktipset 2026-50");
    std::vector<std::string> texts;
    for (const auto& c : pd.pages[0].commands) texts.push_back(c.text);
    EXPECT_THAT(texts, Contains("1. HOME 1 - AWAY"));
    EXPECT_THAT(texts, Contains("Kept for the club"));
    EXPECT_THAT(texts, Not(Contains("13 right: 12 %")));
    EXPECT_EQ(General("LastPrinterA4"), "Laser");
    EXPECT_EQ(PdfPages(backend_.pdfs.at(0)), 1);
    EXPECT_FALSE(doc_.Printed);  // a protocol is not the rows handed in
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(PrintDialogTest, PrintToFileMarksPrintedOnlyWhenTheFileWasWritten) {
    {
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.SetMode(TSkrivUtDlg::Mode::ToFile);
        dlg.PrintClick();  // the file dialog is cancelled
        EXPECT_FALSE(doc_.Printed);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);  // the dialog closes all the same
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].spec.filter, "Text-files (*.txt)");
        EXPECT_EQ(prompter_.shown[0].spec.defaultSuffix, "txt");
        EXPECT_EQ(prompter_.shown[0].text,
                  QString::fromStdString((dir_.path() / "User/Stryktipset/Week 50.txt").string()));
    }
    {
        const fs::path out = dir_.path() / "rows.txt";
        prompter_.files.push_back(QString::fromStdString(out.string()));
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.SetMode(TSkrivUtDlg::Mode::ToFile);
        dlg.PrintClick();
        EXPECT_TRUE(doc_.Printed);
        EXPECT_TRUE(dlg.DocumentChanged());
        const auto lines = core::SplitLines(vinra::testing::ReadBytes(out));
        ASSERT_EQ(lines.size(), 31u);
        EXPECT_EQ(lines[0], "Stryktipset");
    }
    {
        // A file that cannot be written: an error, and the system stays unprinted.
        doc_.Printed = false;
        prompter_.files.push_back(QString::fromStdString((dir_.path() / "missing" / "dir" / "rows.txt").string()));
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.SetMode(TSkrivUtDlg::Mode::ToFile);
        dlg.PrintClick();
        EXPECT_FALSE(doc_.Printed);
        EXPECT_EQ(prompter_.Texts("error").size(), 1u);
    }
    {
        // The NTF pools get their own file type.
        doc_.Pool = "Tipping Lørdag";
        doc_.Typ = "C";
        prompter_.shown.clear();
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.SetMode(TSkrivUtDlg::Mode::ToFile);
        dlg.PrintClick();
        EXPECT_EQ(prompter_.shown.at(0).spec.filter, "NTF-files (*.ntf)");
        EXPECT_EQ(prompter_.shown.at(0).spec.defaultSuffix, "ntf");
    }
}

TEST_F(PrintDialogTest, TestPageAfterTheQuestionOnTheCouponPrinter) {
    settingsFile_->WriteString("General", "LastPrinter", "Office printer");
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    dlg.TestPageClick();  // answered No
    EXPECT_THAT(prompter_.Texts("question"), ElementsAre(M(452)));
    EXPECT_TRUE(backend_.docs.empty());

    prompter_.answers.push_back(Answer::Yes);
    dlg.TestPageClick();
    ASSERT_EQ(backend_.docs.size(), 1u);
    EXPECT_EQ(backend_.dialogs, 0);
    EXPECT_EQ(backend_.selected.back().first, "Office printer");
    int marks = 0;
    for (const auto& c : backend_.docs[0].pages[0].commands) marks += c.column != 0;
    EXPECT_EQ(marks, 36 * 13);
    EXPECT_FALSE(doc_.Printed);
}

TEST_F(PrintDialogTest, BrokenLayoutWarnsAndPrintsWithTheFallback) {
    national_.ini().DeleteKey("Stryktipset", "StartHojd");
    TSkrivUtDlg dlg(Context(), prompter_, backend_);
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    dlg.PrintClick();
    EXPECT_THAT(prompter_.Texts("error"), ElementsAre(M(443)));
    ASSERT_EQ(backend_.docs.size(), 1u);
    EXPECT_TRUE(doc_.Printed);
}

TEST_F(PrintDialogTest, SettingsDialogsReachedFromTheButtons) {
    PrintDialogHooks hooks;
    hooks.printerSettings = [](QWidget*, const QString&) {
        return std::optional<PaperSettings>(PaperSettings{8, 4, true});
    };
    hooks.couponLayout = [&](QWidget*, const std::string& pool) {
        // The layout dialog stores six rows a coupon.
        core::IniFile ini = core::IniFile::FromFile(dir_.path() / "National.Ini");
        ini.WriteString(pool, "CouponColumns", "6");
        ini.SaveToFile(dir_.path() / "National.Ini");
    };
    TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
    dlg.PrinterSettingsClick();
    dlg.CouponLayoutClick();
    EXPECT_EQ(dlg.CouponCount(), 5);
    EXPECT_EQ(dlg.ToEdit()->text(), "5");
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    dlg.PrintClick();
    EXPECT_EQ(backend_.selected.back().second, (PaperSettings{8, 4, true}));
    EXPECT_EQ(backend_.docs.at(0).pages.size(), 5u);
}

// The help button is there without any hook of the caller, and a hook given
// is what it calls; its texts come from the language table.
TEST_F(PrintDialogTest, HelpIsAlwaysOffered) {
    {
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        EXPECT_FALSE(dlg.Button("btnHelp")->isHidden());
        EXPECT_EQ(dlg.Button("btnHelp")->text(), QString::fromStdString(core::Msg(239)));
        EXPECT_EQ(dlg.Button("btnCancel")->text(), QString::fromStdString(core::Msg(41)));
    }
    core::SetCurrentLanguage(core::LangSwedish);
    PrintDialogHooks hooks;
    int helped = 0;
    hooks.help = [&](QWidget*) { ++helped; };
    TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
    EXPECT_EQ(dlg.Button("btnHelp")->text(), QString::fromUtf8("Hj\xC3\xA4lp"));
    dlg.show();
    if (const char* dir = std::getenv("VINRA_SCREENSHOT_DIR"); dir && *dir) {
        std::filesystem::create_directories(dir);
        dlg.grab().save(QString::fromStdString((std::filesystem::path(dir) / "print_dialog_sv.png").string()));
    }
    dlg.Button("btnHelp")->click();
    EXPECT_EQ(helped, 1);
    core::SetCurrentLanguage(core::LangEnglish);
}

// Thousands of rows: the run is composed with the progress window up, and its
// Cancel prints nothing and leaves the system unprinted.
TEST_F(PrintDialogTest, ALongRunShowsItsProgressAndCancelStopsIt) {
    doc_.Rader = Rows(3000);  // 250 coupons of 12 rows
    PrintDialogHooks hooks;
    int shown = 0, maximum = 0;
    bool cancel = false;
    hooks.progressShown = [&](TPrintProgress& p) {
        ++shown;
        maximum = p.maximum();
        EXPECT_TRUE(p.isVisible());
        if (cancel) p.cancel();
    };
    {
        TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
        dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
        dlg.PrintClick();
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(maximum, 250);
        ASSERT_EQ(backend_.docs.size(), 1u);
        EXPECT_EQ(backend_.docs[0].pages.size(), 250u);
        EXPECT_TRUE(doc_.Printed);
    }
    doc_.Printed = false;
    cancel = true;
    TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
    dlg.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    dlg.PrintClick();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(backend_.docs.size(), 1u);  // nothing more went to the printer
    EXPECT_FALSE(doc_.Printed);
    // A short run shows no progress window.
    doc_.Rader = Rows(30);
    cancel = false;
    TSkrivUtDlg small(Context(), prompter_, backend_, hooks);
    small.SetMode(TSkrivUtDlg::Mode::AllCoupons);
    small.PrintClick();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(backend_.docs.size(), 2u);
}

TEST_F(PrintDialogTest, DefaultHooksOpenTheRealSettingsDialogs) {
    const PrintDialogHooks hooks = DefaultPrintDialogHooks(Context(), prompter_);
    TSkrivUtDlg dlg(Context(), prompter_, backend_, hooks);
    EXPECT_FALSE(dlg.Button("btnPrinterSettings")->isHidden());
    EXPECT_FALSE(dlg.Button("btnCoupon")->isHidden());
    EXPECT_TRUE(dlg.Button("btnPcBet")->isHidden());  // not an NTF pool
    // The coupon layout dialog opens on the pool; closing it changes nothing.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TfrmCoupon*>(w)) d->reject();
    });
    dlg.CouponLayoutClick();
    EXPECT_EQ(dlg.CouponCount(), 3);
}

TEST_F(PrintDialogTest, ViewerPrintsOneCouponOfItsCopy) {
    std::vector<std::string> copy(doc_.Rader.begin(), doc_.Rader.begin() + 20);
    copy.push_back(std::string(13, '1'));  // a row typed in the viewer
    ASSERT_EQ(output::CouponCount(static_cast<int>(copy.size()), 12), 2);
    {
        TSkrivUtDlg dlg(Context(), prompter_, backend_);
        dlg.OpenForCoupon(2);
        EXPECT_EQ(dlg.mode(), TSkrivUtDlg::Mode::Range);
        EXPECT_EQ(dlg.FromEdit()->text(), "2");
        EXPECT_EQ(dlg.ToEdit()->text(), "2");
        EXPECT_FALSE(dlg.ModeButton(TSkrivUtDlg::Mode::Protocol)->isEnabled());
        EXPECT_FALSE(dlg.ProtocolBox(111)->isEnabled());
    }
    // The dialog runs modally; close it with Print as soon as it shows.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TSkrivUtDlg*>(w)) d->PrintClick();
    });
    EXPECT_TRUE(RunPrintDialogForCoupon(nullptr, Context(), copy, 2, prompter_, backend_));
    EXPECT_TRUE(doc_.Printed);
    EXPECT_EQ(doc_.Rader.size(), 30u);  // the document's rows are not touched
    ASSERT_EQ(backend_.docs.size(), 1u);
    int marks = 0, typed = 0;
    for (const auto& c : backend_.docs[0].pages.at(0).commands) {
        if (!c.column) continue;
        ++marks;
        typed += c.column == 26 && c.text == "X";  // the draw box of coupon column 9
    }
    EXPECT_EQ(marks, 9 * 13);  // rows 13 to 21 of the copy
    EXPECT_EQ(typed, 13);      // the typed row is the ninth on coupon 2

    // Without rows the main window's command says so and opens nothing.
    doc_.Rader.clear();
    EXPECT_FALSE(RunPrintDialog(nullptr, Context(), prompter_, backend_));
    EXPECT_THAT(prompter_.Texts("information"), ElementsAre(M(283)));
}

}  // namespace
}  // namespace vinra::ui
