#include "ui/reduction/generate_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "net/game_info.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/reduction/generate_window_helpers.h"

namespace vinra::ui {

using namespace genwin;

void TfrmGenerate::buildMethodPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageMethod"));
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgMethodHead));
    generate_ = Tag(new QRadioButton(page), kMsgGenerateRows);
    generate_->setObjectName(QStringLiteral("rbGenerate"));
    generate_->setChecked(true);
    readFile_ = Tag(new QRadioButton(page), kMsgReadFile);
    readFile_->setObjectName(QStringLiteral("rbReadFile"));
    auto* choice = new QButtonGroup(page);
    choice->addButton(generate_);
    choice->addButton(readFile_);
    lay->addWidget(generate_);

    auto* group = Tag(new QGroupBox(page), kMsgMethodGroup);
    auto* grid = new QGridLayout(group);
    auto* methods = new QButtonGroup(page);
    // One line per method the engine offers; a further method is one more entry of WizardMethods().
    int row = 0;
    for (const auto& info : reduction::WizardMethods()) {
        auto* b = new QRadioButton(group);
        // Captions with figures are filled in by showMethodCaptions.
        if (info.method != WizardMethod::Guarantee && info.method != WizardMethod::HighestValue)
            Tag(b, info.captionMsg);
        b->setObjectName(QStringLiteral("rbMethod%1").arg(static_cast<int>(info.method)));
        methods->addButton(b);
        methodButtons_[static_cast<int>(info.method)] = b;
        grid->addWidget(b, row, 0);
        const WizardMethod m = info.method;
        connect(b, &QRadioButton::toggled, this, [this, m](bool on) {
            if (!on) return;
            model_.SetMethod(m);
            updateMethodPage();
            if (m == WizardMethod::Random && randomCount_->isEnabled()) randomCount_->setFocus();
        });
        if (m == WizardMethod::Random) {
            randomCount_ = new QLineEdit(Q(model_.RandomCountText()), group);
            randomCount_->setObjectName(QStringLiteral("edtRandomCount"));
            randomCount_->setMaximumWidth(90);
            connect(randomCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetRandomCountText(t.toStdString()); });
            grid->addWidget(randomCount_, row, 2);
            grid->addWidget(Tag(new QLabel(group), kMsgRows), row, 3);
        } else if (m == WizardMethod::Filter) {
            useBox_ = Tag(new QCheckBox(group), kMsgUse);
            useBox_->setObjectName(QStringLiteral("chkUse"));
            useBox_->setChecked(model_.UseFilterTo());
            connect(useBox_, &QCheckBox::toggled, this, [this](bool on) {
                model_.SetUseFilterTo(on);
                updateConditionBoxes();
            });
            grid->addWidget(useBox_, row, 1);
            filterCount_ = new QLineEdit(Q(model_.FilterCountText()), group);
            filterCount_->setObjectName(QStringLiteral("edtFilterCount"));
            filterCount_->setMaximumWidth(90);
            connect(filterCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetFilterCountText(t.toStdString()); });
            grid->addWidget(filterCount_, row, 2);
            grid->addWidget(Tag(new QLabel(group), kMsgRows), row, 3);
        } else if (m == WizardMethod::Guarantee) {
            // The caption names both guarantees; the list picks one (N-1 or N-2 right).
            guaranteeChoice_ = new QComboBox(group);
            guaranteeChoice_->setObjectName(QStringLiteral("cmbGuarantee"));
            const int n = model_.MatchCount();
            guaranteeChoice_->addItems({QString::number(n - 1), QString::number(n - 2)});
            guaranteeChoice_->setCurrentIndex(model_.GuaranteeWrong() - 1);
            connect(guaranteeChoice_, &QComboBox::currentIndexChanged, this,
                    [this](int i) { model_.SetGuaranteeWrong(i + 1); });
            grid->addWidget(guaranteeChoice_, row, 1);
            auto* budget = new QHBoxLayout;
            budget->addWidget(Tag(new QLabel(group), kMsgSeconds));
            seconds_ = new QLineEdit(Q(model_.SecondsText()), group);
            seconds_->setObjectName(QStringLiteral("edtSeconds"));
            seconds_->setMaximumWidth(60);
            connect(seconds_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetSecondsText(t.toStdString()); });
            budget->addWidget(seconds_);
            grid->addLayout(budget, row, 2, 1, 2);
        } else if (m == WizardMethod::HighestValue) {
            // "Keep the [K] rows of highest value": the caption is split around the count field.
            keepCount_ = new QLineEdit(Q(model_.KeepCountText()), group);
            keepCount_->setObjectName(QStringLiteral("edtKeepCount"));
            keepCount_->setMaximumWidth(90);
            connect(keepCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetKeepCountText(t.toStdString()); });
            grid->addWidget(keepCount_, row, 2);
            keepTail_ = new QLabel(group);
            keepTail_->setObjectName(QStringLiteral("lblKeepTail"));
            grid->addWidget(keepTail_, row, 3, 1, 2);
        }
        ++row;
    }
    grid->setColumnStretch(4, 1);
    methodButtons_[static_cast<int>(WizardMethod::Mathematical)]->setChecked(true);
    auto* indent = new QHBoxLayout;
    indent->addSpacing(24);
    indent->addWidget(group, 1);
    lay->addLayout(indent);
    lay->addWidget(readFile_);
    lay->addStretch();
    connect(generate_, &QRadioButton::toggled, this, [this](bool on) {
        model_.SetReadFromFile(!on);
        updateMethodPage();
    });
    pages_->addWidget(page);
}

void TfrmGenerate::updateMethodPage() {
    const reduction::MethodControls m = model_.MethodStates();
    generate_->setEnabled(!model_.Running());
    readFile_->setEnabled(!model_.Running());
    MethodButton(WizardMethod::Mathematical)->setEnabled(m.mathematical);
    MethodButton(WizardMethod::Random)->setEnabled(m.random);
    MethodButton(WizardMethod::Filter)->setEnabled(m.filter);
    MethodButton(WizardMethod::Guarantee)->setEnabled(m.guarantee);
    MethodButton(WizardMethod::HighestValue)->setEnabled(m.highestValue);
    guaranteeChoice_->setEnabled(m.guaranteeChoice);
    seconds_->setEnabled(m.seconds);
    keepCount_->setEnabled(m.keepCount);
    showMethodCaptions();
    useBox_->setEnabled(m.useBox);
    filterCount_->setEnabled(m.filterCount);
    randomCount_->setEnabled(m.randomCount);
    // A chosen method that is no longer offered gives way to mathematical.
    for (WizardMethod gone : {WizardMethod::Filter, WizardMethod::Guarantee, WizardMethod::HighestValue})
        if (model_.Method() != gone && MethodButton(gone)->isChecked()) {
            // The choice itself changes, not only the button: rows that come back
            // later (Reset) must not bring back a method the page no longer shows.
            model_.SetMethod(WizardMethod::Mathematical);
            const QSignalBlocker block(MethodButton(WizardMethod::Mathematical));
            MethodButton(WizardMethod::Mathematical)->setChecked(true);
        }
    if (filterCount_->text() != Q(model_.FilterCountText())) {
        const QSignalBlocker block(filterCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
    }
}

void TfrmGenerate::showMethodCaptions() {
    const int n = model_.MatchCount();
    MethodButton(WizardMethod::Guarantee)
        ->setText(MF(kMsgGuaranteeCaption, {static_cast<long long>(n - 1), static_cast<long long>(n - 2)}));
    const QString keep = M(kMsgKeepCaption);
    const int at = keep.indexOf(QLatin1String("%d"));
    MethodButton(WizardMethod::HighestValue)->setText(at < 0 ? keep : keep.left(at).trimmed());
    keepTail_->setText(at < 0 ? QString() : keep.mid(at + 2).trimmed());
}

}  // namespace vinra::ui
