// The coupon layout, printer settings and PC-Bet dialogs, driven offscreen.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "core/messages.h"
#include "core/pools.h"
#include "core/settings.h"
#include "core/text.h"
#include "output/coupon_layout.h"
#include "tests/temp_dir.h"
#include "ui/output/coupon_dialogs.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::WriteBytes;

QString MsgQ(int n, const std::vector<core::MsgArg>& args = {}) {
    return QString::fromStdString(args.empty() ? core::Msg(n) : core::FormatMsg(core::Msg(n), args));
}

template <typename W>
W* Find(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        national_ = dir_.path() / "National.Ini";
        WriteBytes(national_,
                   "[Stryktipset]\r\ndbID=S\r\nCouponColumns=12\r\nFontname=Arial\r\nFontsize=10\r\nBold=1\r\n"
                   "KolumnAvstand=13\r\nKolumnBredd=3,5\r\nStartBredd1=36,5\r\nStartBreddX=40\r\nStartBredd2=44\r\n"
                   "StartHojd=22\r\nHojdOkning=5\r\nCB0=Enkelrader|38|93|1\r\nCB1=1 omg\xE5ng|77|93|1\r\n"
                   "CB2=Flera|116|93|0\r\nNamnX=10\r\nNamnY=101\r\n");
        ini_ = core::NationalIni::FromFile(national_);
    }
    std::unique_ptr<TfrmCoupon> Open() {
        return std::make_unique<TfrmCoupon>(ini_, national_, "Stryktipset", prompter_);
    }

    vinra::testing::TempDir dir_;
    std::filesystem::path national_;
    core::NationalIni ini_;
    testing::ScriptedPrompter prompter_;
};

TEST_F(DialogTest, CouponDialogShowsTheLayoutAsStored) {
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), MsgQ(118, {std::string("Stryktipset")}));
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtCouponColumns")->text(), "12");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtStartBredd1")->text(), "36,5");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtKolumnAvstand")->text(), "13");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtNamnY")->text(), "101");
    EXPECT_EQ(Find<QLabel>(*dlg, "lblFont")->text(), "Arial, 10");
    auto* list = Find<QListWidget>(*dlg, "lstCheckBoxes");
    ASSERT_EQ(list->count(), 3);
    // Readable lines, not the stored "1 omgång|77|93|1".
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("1 omgång \xE2\x80\x94 77 \xC3\x97 93 mm \xE2\x80\x94 ") +
                                         MsgQ(132) + QStringLiteral(" Yes"));
    EXPECT_EQ(list->item(2)->text(), QString::fromUtf8("Flera \xE2\x80\x94 116 \xC3\x97 93 mm \xE2\x80\x94 ") +
                                         MsgQ(132) + QStringLiteral(" No"));
    EXPECT_EQ(TfrmCoupon::EntryOf(list->item(1)), "1 omg\xC3\xA5ng|77|93|1");
    dlg->show();
    if (const char* dir = std::getenv("VINRA_SCREENSHOT_DIR"); dir && *dir) {
        std::filesystem::create_directories(dir);
        (*dlg).grab().save(QString::fromStdString((std::filesystem::path(dir) / "coupon_layout.png").string()));
    }
    list->setCurrentRow(2);
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtCbLabel")->text(), "Flera");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtCbX")->text(), "116");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtCbY")->text(), "93");
    EXPECT_EQ(Find<QComboBox>(*dlg, "cboCbPrint")->currentText(), "No");
    list->setCurrentRow(0);
    EXPECT_EQ(Find<QComboBox>(*dlg, "cboCbPrint")->currentText(), "Yes");
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(DialogTest, DeletingTheSecondOfThreeBoxesLeavesExactlyTwoKeys) {
    const std::string before = ReadBytes(national_);
    auto dlg = Open();
    auto* list = Find<QListWidget>(*dlg, "lstCheckBoxes");
    list->setCurrentRow(1);
    prompter_.answers = {Answer::No};
    Find<QPushButton>(*dlg, "btnDelete")->click();
    EXPECT_EQ(list->count(), 3);
    prompter_.answers = {Answer::Yes};
    Find<QPushButton>(*dlg, "btnDelete")->click();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(prompter_.Texts("question").back(), MsgQ(361, {std::string("1 omg\xC3\xA5ng|77|93|1")}));
    EXPECT_EQ(ReadBytes(national_), before);  // nothing written before OK

    Find<QPushButton>(*dlg, "btnOK")->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    const auto saved = core::IniFile::FromFile(national_);
    EXPECT_EQ(saved.Get("Stryktipset", "CB0"), "Enkelrader|38|93|1");
    EXPECT_EQ(saved.Get("Stryktipset", "CB1"), "Flera|116|93|0");
    EXPECT_FALSE(saved.HasKey("Stryktipset", "CB2"));
    EXPECT_EQ(saved.Get("Stryktipset", "dbID"), "S");
    // The program's copy follows the file, and the dialog opens with two entries.
    EXPECT_FALSE(ini_.ini().HasKey("Stryktipset", "CB2"));
    auto again = Open();
    EXPECT_EQ(Find<QListWidget>(*again, "lstCheckBoxes")->count(), 2);
    // Windows-1252 with CR LF, like the shipped file.
    const std::string bytes = ReadBytes(national_);
    EXPECT_EQ(bytes.find("omg\xE5ng"), std::string::npos);  // that entry is gone
    EXPECT_NE(bytes.find("CB1=Flera|116|93|0\r\n"), std::string::npos);
}

TEST_F(DialogTest, ChangeAndAddAskFirstAndCancelWritesNothing) {
    const std::string before = ReadBytes(national_);
    auto dlg = Open();
    auto* list = Find<QListWidget>(*dlg, "lstCheckBoxes");
    list->setCurrentRow(0);
    Find<QLineEdit>(*dlg, "edtCbLabel")->setText("Spel|typ");  // a bar would shift the parts
    Find<QLineEdit>(*dlg, "edtCbX")->setText("40,5");
    Find<QComboBox>(*dlg, "cboCbPrint")->setCurrentIndex(0);
    prompter_.answers = {Answer::Yes, Answer::No, Answer::Yes};
    Find<QPushButton>(*dlg, "btnChange")->click();
    EXPECT_EQ(TfrmCoupon::EntryOf(list->item(0)), "Speltyp|40,5|93|0");
    EXPECT_FALSE(list->item(0)->text().contains(QLatin1Char('|')));
    EXPECT_EQ(prompter_.Texts("question")[0],
              MsgQ(362, {std::string("Enkelrader|38|93|1"), std::string("Speltyp|40,5|93|0")}));
    Find<QPushButton>(*dlg, "btnAdd")->click();  // No
    EXPECT_EQ(list->count(), 3);
    Find<QPushButton>(*dlg, "btnAdd")->click();  // Yes
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(TfrmCoupon::EntryOf(list->item(3)), "Speltyp|40,5|93|0");
    EXPECT_EQ(prompter_.Texts("question")[2], MsgQ(363, {std::string("Speltyp|40,5|93|0")}));
    dlg->reject();
    EXPECT_EQ(ReadBytes(national_), before);
}

TEST_F(DialogTest, RowCountMustBeAnIntegerFromOneToSixteen) {
    const std::string before = ReadBytes(national_);
    auto dlg = Open();
    auto* rows = Find<QLineEdit>(*dlg, "edtCouponColumns");
    for (const char* bad : {"abc", "12,5", "", "0", "17"}) {
        rows->setText(bad);
        Find<QPushButton>(*dlg, "btnOK")->click();
        EXPECT_NE(dlg->result(), QDialog::Accepted) << bad;
    }
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>(5, MsgQ(360)));
    EXPECT_EQ(ReadBytes(national_), before);
    rows->setText("8");
    Find<QLineEdit>(*dlg, "edtStartHojd")->setText("oops");  // lengths are not checked here
    dlg->setFontChooser([](QFont& f, QWidget*) {
        f = QFont("Courier", 14);
        f.setBold(false);
        return true;
    });
    Find<QPushButton>(*dlg, "btnFont")->click();
    EXPECT_EQ(Find<QLabel>(*dlg, "lblFont")->text(), "Courier, 14");
    Find<QPushButton>(*dlg, "btnOK")->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    const auto saved = core::IniFile::FromFile(national_);
    EXPECT_EQ(saved.Get("Stryktipset", "CouponColumns"), "8");
    EXPECT_EQ(saved.Get("Stryktipset", "Fontname"), "Courier");
    EXPECT_EQ(saved.Get("Stryktipset", "Fontsize"), "14");
    EXPECT_EQ(saved.Get("Stryktipset", "Bold"), "0");
    EXPECT_EQ(saved.Get("Stryktipset", "StartHojd"), "oops");
    // ... and the next print falls back with the layout message.
    EXPECT_TRUE(output::ReadCouponLayout(saved, "Stryktipset").readFailed);
}

TEST_F(DialogTest, UnreadableFontKeysShowMessageAndLeaveLaterFieldsEmpty) {
    ini_.ini().WriteString("Stryktipset", "Bold", "yes");
    auto dlg = Open();
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{MsgQ(359)});
    EXPECT_EQ(Find<QLabel>(*dlg, "lblFont")->text(), "Arial, 10");
    EXPECT_EQ(Find<QLineEdit>(*dlg, "edtCouponColumns")->text(), "12");
    EXPECT_TRUE(Find<QLineEdit>(*dlg, "edtStartBredd1")->text().isEmpty());
    EXPECT_TRUE(Find<QLineEdit>(*dlg, "edtNamnX")->text().isEmpty());
    EXPECT_EQ(Find<QListWidget>(*dlg, "lstCheckBoxes")->count(), 0);
}

class MarginTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        printer_.setOutputFormat(QPrinter::PdfFormat);
        path_ = dir_.path() / "RAVAROZ.INI";
        WriteBytes(path_,
                   "[PDF]\r\nLeft=-2,5\r\nTop=1,5\r\nFormat=11\r\nKalla=4\r\nOrientering=1\r\n"
                   "[Laser]\r\nLeft=3\r\nTop=-1\r\nFormat=8\r\nKalla=2\r\nOrientering=0\r\n");
        settings_.Load();
    }
    vinra::testing::TempDir dir_;
    std::filesystem::path path_;
    core::SettingsFile settings_{dir_.path() / "RAVAROZ.INI"};
    QPrinter printer_;
    testing::ScriptedPrompter prompter_;
};

TEST_F(MarginTest, ShowsMagnitudeAndDirectionAndStoresTheSignedValue) {
    TIniMarginal dlg(settings_, printer_, prompter_);
    EXPECT_EQ(Find<QLabel>(dlg, "lblPrinter")->text(), "PDF");
    EXPECT_EQ(Find<QLabel>(dlg, "lblPaper")->text(), "A5");
    EXPECT_EQ(Find<QLabel>(dlg, "lblSource")->text(), QStringLiteral("Manual feed"));
    EXPECT_EQ(Find<QLabel>(dlg, "lblOrientation")->text(), "Landscape");
    EXPECT_EQ(Find<QLineEdit>(dlg, "edtLeft")->text(), "2,5");
    EXPECT_TRUE(Find<QRadioButton>(dlg, "rbLeft")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(dlg, "edtTop")->text(), "1,5");
    EXPECT_TRUE(Find<QRadioButton>(dlg, "rbDown")->isChecked());
    // Only digits and the comma can be typed.
    int pos = 0;
    QString typed = "1a";
    EXPECT_EQ(Find<QLineEdit>(dlg, "edtLeft")->validator()->validate(typed, pos), QValidator::Invalid);
    typed = "-1";
    EXPECT_EQ(Find<QLineEdit>(dlg, "edtTop")->validator()->validate(typed, pos), QValidator::Invalid);

    Find<QRadioButton>(dlg, "rbRight")->setChecked(true);
    Find<QRadioButton>(dlg, "rbUp")->setChecked(true);
    Find<QPushButton>(dlg, "btnOK")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    core::SettingsFile reread(path_);
    reread.Load();
    EXPECT_EQ(reread.ini().Get("PDF", "Left"), "2,5");
    EXPECT_EQ(reread.ini().Get("PDF", "Top"), "-1,5");
    EXPECT_EQ(reread.ini().Get("PDF", "Format"), "11");
    EXPECT_EQ(reread.ini().Get("PDF", "Kalla"), "4");
    EXPECT_EQ(reread.ini().Get("PDF", "Orientering"), "1");
}

TEST_F(MarginTest, UnreadableMarginIsRefusedAndCancelWritesNothing) {
    const std::string before = ReadBytes(path_);
    TIniMarginal dlg(settings_, printer_, prompter_);
    Find<QLineEdit>(dlg, "edtLeft")->setText("1,2,3");
    Find<QPushButton>(dlg, "btnOK")->click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{MsgQ(360)});
    Find<QPushButton>(dlg, "btnCancel")->click();
    EXPECT_EQ(ReadBytes(path_), before);
}

TEST_F(MarginTest, PrinterButtonAppliesPaperThenTakesTheNewPrintersSettings) {
    // Same printer: paper from the printer as the setup left it.
    {
        TIniMarginal dlg(settings_, printer_, prompter_);
        dlg.setPrinterSetup([](QPrinter& p, QWidget*) {
            // The dialog's paper was applied before the setup opened.
            EXPECT_EQ(p.pageLayout().pageSize().id(), QPageSize::A5);
            EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Landscape);
            p.setPageSize(QPageSize(QPageSize::A3));
            p.setPageOrientation(QPageLayout::Portrait);
            return true;
        });
        Find<QPushButton>(dlg, "btnPrinter")->click();
        EXPECT_TRUE(prompter_.shown.empty());
        EXPECT_EQ(dlg.paper().format, 8);
        EXPECT_FALSE(dlg.paper().landscape);
        EXPECT_EQ(Find<QLineEdit>(dlg, "edtLeft")->text(), "2,5");  // margins stay
    }
    // Another printer, Yes: margins and paper from its section.
    for (Answer answer : {Answer::Yes, Answer::No}) {
        prompter_.shown.clear();
        prompter_.answers = {answer};
        TIniMarginal dlg(settings_, printer_, prompter_);
        dlg.setPrinterSetup([](QPrinter& p, QWidget*) {
            p.setPageSize(QPageSize(QPageSize::Letter));
            p.setPageOrientation(QPageLayout::Landscape);
            return true;
        });
        dlg.setDeviceNameSource([](const QPrinter&) { return QStringLiteral("Laser"); });
        Find<QPushButton>(dlg, "btnPrinter")->click();
        ASSERT_EQ(prompter_.Texts("question").size(), 1u);
        EXPECT_EQ(prompter_.Texts("question")[0], MsgQ(418) + "\n\n" + MsgQ(419) + "\n\n" + MsgQ(420));
        EXPECT_EQ(Find<QLabel>(dlg, "lblPrinter")->text(), "Laser");
        EXPECT_EQ(Find<QLineEdit>(dlg, "edtLeft")->text(), "3");
        EXPECT_TRUE(Find<QRadioButton>(dlg, "rbRight")->isChecked());
        EXPECT_TRUE(Find<QRadioButton>(dlg, "rbUp")->isChecked());
        if (answer == Answer::Yes) {
            EXPECT_EQ(dlg.paper(), (PaperSettings{8, 2, false}));
        } else {
            EXPECT_EQ(dlg.paper().format, 1);
            EXPECT_TRUE(dlg.paper().landscape);
        }
        Find<QPushButton>(dlg, "btnOK")->click();
    }
    core::SettingsFile reread(path_);
    reread.Load();
    EXPECT_EQ(reread.ini().Get("Laser", "Format"), "1");  // the No run wrote last
    EXPECT_EQ(reread.ini().Get("Laser", "Left"), "3");
    EXPECT_EQ(reread.ini().Get("PDF", "Format"), "11");
    // A cancelled setup changes nothing.
    TIniMarginal dlg(settings_, printer_, prompter_);
    dlg.setPrinterSetup([](QPrinter&, QWidget*) { return false; });
    Find<QPushButton>(dlg, "btnPrinter")->click();
    EXPECT_EQ(dlg.paper(), (PaperSettings{11, 4, true}));
}

TEST_F(MarginTest, PcBetRefusesWrongCheckDigitAndFiltersTheName) {
    {
        TfrmPCBet dlg(settings_, prompter_);
        EXPECT_EQ(Find<QLineEdit>(dlg, "edtName")->text(), "00000000000000000000");
        EXPECT_EQ(Find<QLineEdit>(dlg, "edtCardNo")->text(), "?????????");
        EXPECT_EQ(Find<QComboBox>(dlg, "cboDraws")->currentText(), "01");
        EXPECT_EQ(Find<QComboBox>(dlg, "cboDraws")->count(), 3);

        auto* name = Find<QLineEdit>(dlg, "edtName");
        name->setText("Lagby");
        name->setCursorPosition(3);
        name->insert(QStringLiteral("-Å"));
        EXPECT_EQ(name->text(), "Lagby");
        EXPECT_EQ(name->cursorPosition(), 3);
        EXPECT_EQ(name->maxLength(), 20);
        EXPECT_EQ(Find<QLineEdit>(dlg, "edtCardNo")->maxLength(), 9);

        Find<QLineEdit>(dlg, "edtCardNo")->setText("12344");
        Find<QPushButton>(dlg, "btnOK")->click();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{MsgQ(413)});
        EXPECT_FALSE(settings_.ini().HasSection("PCBET"));

        Find<QLineEdit>(dlg, "edtCardNo")->setText("12343");
        Find<QComboBox>(dlg, "cboDraws")->setCurrentIndex(2);
        Find<QCheckBox>(dlg, "chkPause")->setChecked(false);
        Find<QPushButton>(dlg, "btnOK")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    core::SettingsFile reread(path_);
    reread.Load();
    const output::PcBetSettings p = output::ReadPcBetSettings(reread.ini());
    EXPECT_EQ(p.name, "Lagby");
    EXPECT_EQ(p.cardNo, "12343");
    EXPECT_EQ(p.draws, "10");
    EXPECT_TRUE(p.reciept);
    EXPECT_FALSE(p.pause);
    EXPECT_TRUE(p.fulltime);
    // The stored values come back, and the two "no card" numbers pass as they are.
    for (const char* card : {"?????????", "000000000"}) {
        TfrmPCBet dlg(reread, prompter_);
        EXPECT_EQ(Find<QComboBox>(dlg, "cboDraws")->currentText(), "10");
        Find<QLineEdit>(dlg, "edtCardNo")->setText(card);
        Find<QPushButton>(dlg, "btnOK")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << card;
    }
}

}  // namespace
}  // namespace vinra::ui
