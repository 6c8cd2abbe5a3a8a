#include "ui/core/language_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/settings.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/ui_text.h"

namespace vinra::ui {

TfrmLanguage::TfrmLanguage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLanguage"));
    setModal(true);
    // No close button in the title bar: a language must be chosen.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QString::fromUtf8(kProgramCaption));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(14);
    auto* title = new QLabel(QStringLiteral("Vinra 2000"), this);
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    // The prompt in every language, since none is chosen yet.
    QStringList prompts;
    for (int base : {core::LangEnglish, core::LangSwedish, core::LangDanish, core::LangNorwegian, core::LangFinnish})
        prompts << TIn(base, UiText::ChooseLanguageText);
    auto* prompt = new QLabel(prompts.join(QLatin1Char('\n')), this);
    prompt->setAlignment(Qt::AlignCenter);
    layout->addWidget(prompt);

    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    struct Choice {
        const char* caption;
        int base;
    };
    const Choice choices[] = {{"English", core::LangEnglish},
                              {"Svenska", core::LangSwedish},
                              {"Dansk", core::LangDanish},
                              {"Norsk", core::LangNorwegian},
                              {"Suomi", core::LangFinnish}};
    int i = 0;
    for (const auto& c : choices) {
        auto* b = new QPushButton(QString::fromUtf8(c.caption), this);
        b->setObjectName(QStringLiteral("btnLanguage%1").arg(c.base));
        b->setMinimumSize(120, 36);
        b->setAutoDefault(false);
        const int base = c.base;
        connect(b, &QPushButton::clicked, this, [this, base] { choose(base); });
        grid->addWidget(b, i / 3, i % 3);
        ++i;
    }
    layout->addLayout(grid);
}

void TfrmLanguage::choose(int base) {
    choice_ = base;
    accept();
}

void TfrmLanguage::reject() {
    if (choice_ != -1) QDialog::reject();
}

void TfrmLanguage::closeEvent(QCloseEvent* event) {
    if (choice_ == -1) event->ignore();
    else QDialog::closeEvent(event);
}

int AskLanguage(QWidget* parent) {
    TfrmLanguage dlg(parent);
    while (dlg.Choice() == -1) dlg.exec();
    return dlg.Choice();
}

void ApplyLanguageChoice(Program& program, int base) {
    if (!core::IsLanguageBase(base)) base = core::LangEnglish;
    program.settings.language = base;
    core::SetCurrentLanguage(base);
    UseQtLanguage(base);
    program.doc.Typ = core::StartPoolOfLanguage(base);
    program.settings.lastPool = program.doc.Typ;
    program.settingsFile().WriteShowPoolForLanguage(base);
    // Kept at once, not only at the ordinary exit: a program that is killed
    // before it must not ask for the language again.
    program.settingsFile().WriteInteger("General", "Language", base);
}

}  // namespace vinra::ui
