// Qt's own texts follow the program's language: the standard buttons of a
// message box, from Debian's Qt catalogues where they have them and from the
// program's messages where they do not (there is no Swedish qtbase catalogue).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QFileDialog>
#include <QLabel>
#include <QToolButton>
#include <QMessageBox>
#include <QAbstractFileIconProvider>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "core/messages.h"
#include "core/settings.h"
#include "ui/core/localise.h"

namespace vinra::ui {
namespace {

QString ButtonText(QMessageBox::StandardButton which) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vinra 2000"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return box.button(which)->text();
}

TEST(QtLanguage, StandardButtonsSpeakTheChosenLanguage) {
    struct Case {
        int base;
        const char* yes;
        const char* no;
        const char* cancel;
    } cases[] = {
        {core::LangSwedish, "&Ja", "&Nej", "Avbryt"},
        {core::LangEnglish, "&Yes", "&No", "Cancel"},
        {core::LangFinnish, "&Kyllä", "&Ei", "Peru"},  // Qt's Finnish catalogue
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        UseQtLanguage(c.base);
        EXPECT_EQ(QtLanguage(), c.base);
        EXPECT_EQ(ButtonText(QMessageBox::Yes), QString::fromUtf8(c.yes));
        EXPECT_EQ(ButtonText(QMessageBox::No), QString::fromUtf8(c.no));
        EXPECT_EQ(ButtonText(QMessageBox::Cancel), QString::fromUtf8(c.cancel));
    }
    // Danish and Norwegian: whatever Qt's catalogue says, but never English.
    for (int base : {core::LangDanish, core::LangNorwegian}) {
        UseQtLanguage(base);
        EXPECT_NE(ButtonText(QMessageBox::Yes), QStringLiteral("&Yes")) << base;
        EXPECT_NE(ButtonText(QMessageBox::Cancel), QStringLiteral("Cancel")) << base;
    }
    UseQtLanguage(core::LangEnglish);
}

// A window localised after a language change brings Qt's texts along, so a
// language chosen in the menu reaches the next message box.
TEST(QtLanguage, LocaliseFollowsTheCurrentLanguage) {
    UseQtLanguage(core::LangEnglish);
    core::SetCurrentLanguage(core::LangSwedish);
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Localise(&buttons);
    EXPECT_EQ(QtLanguage(), core::LangSwedish);
    EXPECT_EQ(ButtonText(QMessageBox::No), QStringLiteral("&Nej"));
    core::SetCurrentLanguage(core::LangEnglish);
    Localise(&buttons);
    EXPECT_EQ(ButtonText(QMessageBox::No), QStringLiteral("&No"));
}

// The file dialog (Qt's own, as the program uses it) shows no English label or
// button hint in another language, also where Qt's catalogue lacks the text.
TEST(QtLanguage, FileDialogSpeaksTheChosenLanguage) {
    for (int base : {core::LangSwedish, core::LangDanish, core::LangNorwegian, core::LangFinnish}) {
        SCOPED_TRACE(base);
        UseQtLanguage(base);
        QFileDialog dialog(nullptr, QStringLiteral("Vinra 2000"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        ASSERT_NE(lookIn, nullptr);
        EXPECT_NE(lookIn->text(), QStringLiteral("Look in:"));
        EXPECT_FALSE(lookIn->text().isEmpty());
        const std::pair<const char*, const char*> hints[] = {{"backButton", "Back"},
                                                             {"toParentButton", "Parent Directory"},
                                                             {"newFolderButton", "Create New Folder"},
                                                             {"detailModeButton", "Detail View"}};
        for (const auto& [name, english] : hints) {
            auto* button = dialog.findChild<QToolButton*>(QString::fromLatin1(name));
            ASSERT_NE(button, nullptr) << name;
            EXPECT_NE(button->toolTip(), QString::fromLatin1(english)) << name;
        }
    }
    UseQtLanguage(core::LangSwedish);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(), QStringLiteral("Leta i:"));
    UseQtLanguage(core::LangEnglish);
}

// Norwegian: the only Norwegian Qt catalogue on the system is Nynorsk; a save
// dialog speaks Bokmål where the program has the words.
TEST(QtLanguage, NorwegianFileDialogSpeaksBokmaal) {
    UseQtLanguage(core::LangNorwegian);
    QFileDialog dialog(nullptr, QStringLiteral("Vinra 2000"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(), QStringLiteral("Se i:"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(), QStringLiteral("Fil&navn:"));
    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Save) ? box->button(QDialogButtonBox::Save)->text()
                                                  : box->buttons().front()->text(),
              QStringLiteral("&Lagre"));
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Avbryt"));
    UseQtLanguage(core::LangEnglish);
}

// Qt's print dialog, the details button of a message box and the file type
// "Folder" come from the program's own words in every language but English,
// also where Qt's catalogue has a poor translation ("Dölj detaljer,,,").
TEST(QtLanguage, PrintDialogAndDetailsSpeakTheChosenLanguage) {
    const QStringList english = {QStringLiteral("&Print"),       QStringLiteral("P&roperties"),
                                 QStringLiteral("&Options >>"),  QStringLiteral("&Name:"),
                                 QStringLiteral("Location:"),    QStringLiteral("Output &file:"),
                                 QStringLiteral("Copies"),
                                 QStringLiteral("Options"),      QStringLiteral("Print range")};
    for (int base : {core::LangSwedish, core::LangDanish, core::LangNorwegian, core::LangFinnish}) {
        SCOPED_TRACE(base);
        UseQtLanguage(base);
        QPrinter printer;
        QPrintDialog dialog(&printer);
        QStringList shown;
        for (auto* b : dialog.findChildren<QAbstractButton*>()) shown << b->text();
        for (auto* l : dialog.findChildren<QLabel*>()) shown << l->text();
        for (auto* g : dialog.findChildren<QGroupBox*>()) shown << g->title();
        for (const QString& e : english) EXPECT_FALSE(shown.contains(e)) << e.toStdString();
        EXPECT_NE(dialog.windowTitle(), QStringLiteral("Print"));

        QMessageBox box(QMessageBox::Critical, QStringLiteral("Vinra 2000"), QStringLiteral("x"));
        box.setDetailedText(QStringLiteral("details"));
        QAbstractButton* details = nullptr;
        for (auto* b : box.buttons())
            if (box.buttonRole(b) == QMessageBox::ActionRole) details = b;
        ASSERT_NE(details, nullptr);
        EXPECT_NE(details->text(), QStringLiteral("Show Details..."));
        details->click();
        EXPECT_NE(details->text(), QStringLiteral("Hide Details..."));
        EXPECT_FALSE(details->text().contains(QStringLiteral(",,,"))) << details->text().toStdString();

        EXPECT_NE(QAbstractFileIconProvider().type(QFileInfo(QStringLiteral("/"))), QStringLiteral("Folder"));
    }
    UseQtLanguage(core::LangSwedish);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vinra 2000"), QStringLiteral("x"));
    box.setDetailedText(QStringLiteral("details"));
    for (auto* b : box.buttons())
        if (box.buttonRole(b) == QMessageBox::ActionRole) {
            b->click();
            EXPECT_EQ(b->text(), QStringLiteral("Dölj detaljer..."));
        }
    QPrinter printer;
    QPrintDialog dialog(&printer);
    QStringList buttons;
    for (auto* b : dialog.findChildren<QPushButton*>()) buttons << b->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("Skriv &ut"))) << buttons.join(QLatin1Char('|')).toStdString();
    UseQtLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui
