#include "ui/reduction/generate_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/pools.h"
#include "core/signs.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/reduction/generate_window_helpers.h"

namespace vinra::ui {

using namespace genwin;

void TfrmGenerate::buildConditionsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageConditions"));
    auto* lay = new QVBoxLayout(page);
    auto* group = Tag(new QGroupBox(page), kMsgConditions);
    auto* grid = new QGridLayout(group);
    const auto flagBox = [&](int flag, QGroupBox* parent) {
        auto* box = new QCheckBox(parent);
        box->setObjectName(QStringLiteral("chkFlag%1").arg(flag));
        box->setChecked(model_.Conditions().flag(flag));
        connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
            model_.SetFlag(flag, on);
            showWarranty();  // the note under the texts follows the conditions
        });
        flagBoxes_[flag] = box;
        return box;
    };
    auto* rowDiffBox = flagBox(core::UseRadDiff, group);
    Tag(rowDiffBox, kMsgRowDiff);
    grid->addWidget(rowDiffBox, 0, 0, 1, 2);
    rowDiff_ = new QComboBox(group);
    rowDiff_->setObjectName(QStringLiteral("cmbRowDiff"));
    for (int d = 2; d <= 6; ++d) rowDiff_->addItem(QString::number(d));
    rowDiff_->setCurrentIndex(model_.RowDiffIndex());
    connect(rowDiff_, &QComboBox::currentIndexChanged, this, [this](int i) { model_.SetRowDiffIndex(i); });
    grid->addWidget(rowDiff_, 0, 2);
    int row = 1;
    int index = 0;
    for (const auto& [flag, msg] : kEditorButtons) {
        grid->addWidget(flagBox(flag, group), row, 0);
        auto* b = Tag(new QPushButton(group), msg);
        b->setObjectName(QStringLiteral("btnEditor%1").arg(index));
        b->setAutoDefault(false);
        const auto editor = static_cast<Editor>(index);
        connect(b, &QPushButton::clicked, this, [this, editor] { OpenEditor(editor); });
        editorButtons_[index] = b;
        grid->addWidget(b, row, 1, 1, 2);
        ++row;
        ++index;
    }
    grid->setColumnStretch(3, 1);
    grid->addWidget(Tag(new QLabel(group), kMsgStartRowLabel), row, 0, 1, 3);
    startRow_ = new QLabel(group);
    startRow_->setObjectName(QStringLiteral("lblStartRow"));
    startRow_->setCursor(Qt::PointingHandCursor);
    QFont mono = startRow_->font();
    mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
    mono.setUnderline(true);
    startRow_->setFont(mono);
    startRow_->setStyleSheet(QStringLiteral("color: #0645ad"));
    startRow_->installEventFilter(this);
    grid->addWidget(startRow_, row + 1, 0, 1, 4);
    lay->addWidget(group);
    typeLabels_[0] = new QLabel(page);
    typeLabels_[0]->setObjectName(QStringLiteral("lblType2"));
    lay->addWidget(typeLabels_[0]);
    lay->addStretch();
    pages_->addWidget(page);
}

void TfrmGenerate::updateConditionBoxes() {
    const reduction::ConditionControls cc = model_.ConditionStates();
    const bool idle = !model_.Running();
    const std::pair<int, bool> boxes[] = {
        {core::UseRadDiff, cc.rowDiff},    {core::UseMaxMin, cc.signCounts}, {core::UseProcent, cc.percentage},
        {core::UseURad, cc.sourceRows},    {core::UseNejKomb, cc.noComb},    {core::UseJaKomb, cc.yesComb},
        {core::UseChooseWin, cc.winLevel},
    };
    for (const auto& [flag, on] : boxes) {
        flagBoxes_[flag]->setEnabled(on && idle);
        const QSignalBlocker block(flagBoxes_[flag]);
        flagBoxes_[flag]->setChecked(model_.Conditions().flag(flag));
    }
    rowDiff_->setEnabled(cc.rowDiff && idle);
    const bool editors[] = {cc.signCounts, cc.percentage, cc.sourceRows, cc.noComb, cc.yesComb, cc.winLevel};
    for (int i = 0; i < 6; ++i) editorButtons_[i]->setEnabled(editors[i] && idle);
    startRow_->setEnabled(cc.rowDiff && idle);
}

void TfrmGenerate::showStartRow() {
    const std::string& first = model_.Conditions().firstRow;
    startRow_->setText(first.empty() ? M(kMsgNoStartRow) : Q(core::SignsToDisplay(first, round_.signs)));
}

bool TfrmGenerate::conditionsOn() const {
    const auto& c = model_.Conditions();
    for (int flag :
         {core::UseMaxMin, core::UseURad, core::UseJaKomb, core::UseNejKomb, core::UseProcent, core::UseChooseWin})
        if (c.flag(flag)) return true;
    return false;
}

void TfrmGenerate::StartRowClick() {
    if (model_.Running()) return;
    const std::string shown = model_.Conditions().firstRow.empty()
                                  ? std::string()
                                  : core::SignsToDisplay(model_.Conditions().firstRow, round_.signs);
    const auto typed = prompter_.inputText(this, M(kMsgStartRowTitle), M(kMsgStartRowPrompt), Q(shown));
    if (!typed) return;
    model_.SetStartRowEntry(typed->toStdString(), round_.signs);
    showStartRow();
}

void TfrmGenerate::OpenEditor(Editor editor) {
    if (model_.Running()) return;
    reduction::ConditionSet& c = model_.Conditions();
    const auto run = [&](auto& dlg) {
        if (dlg.exec() == QDialog::Accepted) dlg.Store(c);
    };
    switch (editor) {
        case Editor::SignCounts: {
            TfrmSignCounts dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::Percentage: {
            TfrmPercent dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::SourceRows: {
            TfrmSourceRows dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::NoComb: {
            TfrmCombinations dlg(reduction::CombinationEditor::Kind::No, c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::YesComb: {
            TfrmCombinations dlg(reduction::CombinationEditor::Kind::Yes, c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::WinLevel: {
            TfrmWinLevel dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
    }
    showWarranty();
}

}  // namespace vinra::ui
