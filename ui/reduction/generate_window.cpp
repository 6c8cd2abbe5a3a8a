#include "ui/reduction/generate_window.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/game_info.h"
#include "net/update_check.h"
#include "ui/core/background_job.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/progress_bar.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/reduction/generate_window_helpers.h"
#include "ui/reduction/system_coupon.h"
#include "ui/reduction/value_chart.h"


namespace vinra::ui {

using namespace genwin;

TfrmGenerate::TfrmGenerate(const core::TVinraFile& doc, Program& program, Prompter& prompter, Options options,
                           QWidget* parent)
    : QDialog(parent),
      program_(program),
      prompter_(prompter),
      options_(std::move(options)),
      doc_(doc),
      result_(doc),
      model_(doc, FiguresOf(doc, program, options_, round_)) {
    setObjectName(QStringLiteral("frmGenerate"));
    Tag(this, kMsgWizard);
    setModal(true);
    SetHelpPage(this, kHelpPage);
    job_ = new BackgroundJob(this, 100);
    connect(job_, &BackgroundJob::progress, this, [this](qint64, qint64, int) { onTick(); });
    connect(job_, &BackgroundJob::finished, this, &TfrmGenerate::onFinished);
    valueJob_ = new BackgroundJob(this, 100);
    connect(valueJob_, &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        if (!value_) return;
        if (!cancelled && error.isEmpty() && value_->error.empty()) chart_->SetValue(value_->value, value_->model);
        else chart_->Clear(error.isEmpty() ? Q(value_->error) : error);
        value_.reset();
        // The chart with figures is taller than the page was: grow the wizard rather than squeeze the table.
        // (The chart's own height is read: the layouts learn of its new size only later.)
        if (isVisible() && chart_->height() < chart_->minimumSizeHint().height()) {
            int h = height() + chart_->minimumSizeHint().height() - chart_->height();
            if (const QScreen* screen = this->screen()) h = std::min(h, screen->availableGeometry().height() - 60);
            if (height() < h) resize(width(), h);
        }
        emit valueFinished();
    });
    // What the round's game information says of each sign, as ValueModelOfRound reads it.
    valueModel_ = reduction::MarketValueModel(model_.MatchCount(), round_.operatorOdds, round_.bookie, round_.people, 0,
                                              core::FirstWinLevel(doc.Typ));

    auto* lay = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    QFont f = title_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    title_->setFont(f);
    lay->addWidget(title_);
    pages_ = new QStackedWidget(this);
    lay->addWidget(pages_, 1);
    buildMethodPage();
    buildConditionsPage();
    buildGenerationPage();
    buildWarrantyPage();

    auto* nav = new QHBoxLayout;
    const auto addNav = [&](const char* name, int msg, void (TfrmGenerate::*slot)()) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        nav->addWidget(b);
        return b;
    };
    addNav("btnHelp", kMsgHelp, &TfrmGenerate::help);
    nav->addStretch();
    addNav("btnPrevious", kMsgPrevious, &TfrmGenerate::PreviousClick);
    addNav("btnNext", kMsgNext, &TfrmGenerate::NextClick);
    addNav("btnFinish", kMsgFinish, &TfrmGenerate::FinishClick);
    addNav("btnClose", kMsgCancel, &TfrmGenerate::reject);
    lay->addLayout(nav);

    auto* statusBar = new QFrame(this);
    statusBar->setFrameShape(QFrame::StyledPanel);
    auto* sl = new QHBoxLayout(statusBar);
    sl->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < 3; ++i) {
        status_[i] = new QLabel(statusBar);
        status_[i]->setObjectName(QStringLiteral("lblStatus%1").arg(i + 1));
        sl->addWidget(status_[i], i == 0 ? 2 : 1);
    }
    lay->addWidget(statusBar);

    Localise(this);
    // Showing: the counters, the status bar, the stored warranty and the start row.
    showCounters(0, static_cast<int64_t>(model_.Rows().size()), 0);
    status_[2]->setText(M(kMsgTimeZero));
    showWarranty();
    showStartRow();
    updateMethodPage();
    showStep();
    resize(720, 560);
}

TfrmGenerate::~TfrmGenerate() {
    // A run still going (the owner window went away): stop the engine, then join.
    if (gen_) gen_->Cancel();
    if (job_) job_->CancelAndJoin();
    if (valueJob_) valueJob_->CancelAndJoin();
}


// ---------------------------------------------------------------------------
// State shown

QPushButton* TfrmGenerate::Button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

QCheckBox* TfrmGenerate::FlagBox(int flag) const { return flag >= 0 && flag < 8 ? flagBoxes_[flag] : nullptr; }

QRadioButton* TfrmGenerate::MethodButton(WizardMethod m) const { return methodButtons_[static_cast<int>(m)]; }

qint64 TfrmGenerate::LongestTickGapMs() const { return job_->LongestTickGapMs(); }

void TfrmGenerate::showStep() {
    const int step = model_.Step();
    pages_->setCurrentIndex(step);
    const QString title = M(kMsgTitle).remove(QLatin1Char('&')).trimmed() + QLatin1Char(' ') +
                          MF(kMsgStep, {static_cast<long long>(step + 1)});
    setWindowTitle(title);
    title_->setText(title);
    const QString type = model_.TypeFigure() ? MF(model_.TypeMessage(), {static_cast<long long>(model_.TypeFigure())})
                                             : M(model_.TypeMessage());
    for (QLabel* l : typeLabels_) l->setText(type);
    if (step == 3) startValue();
    updateConditionBoxes();
    updateControls();
    updateStatus();
}

void TfrmGenerate::updateControls() {
    const bool fileExists = !options_.systemFile.empty() && fs::exists(options_.systemFile);
    const reduction::WizardControls c = model_.Controls(fileExists);
    const std::pair<const char*, bool> states[] = {
        {"btnReduce", c.reduce},
        {"btnRestore", c.restore},
        {"btnCancelRun", c.cancelRun},
        {"btnWarrantyGenerate", c.warrantyGenerate},
        {"btnWarrantyCancel", c.warrantyCancel},
        {"btnExport", c.exportButton},
        {"btnImport", c.importButton},
        {"btnPrevious", c.previous},
        {"btnNext", c.next},
        {"btnFinish", c.finish},
        {"btnClose", c.close},
    };
    for (const auto& [name, on] : states)
        if (QPushButton* b = Button(QLatin1String(name))) b->setEnabled(on);
    updateMethodPage();
    updateConditionBoxes();
}

void TfrmGenerate::updateStatus() {
    const int msg = model_.RunStatusMessage();
    status_[0]->setText(msg ? M(msg) : MF(kMsgMathRows, {core::GroupDigits(static_cast<int64_t>(model_.FrameRows()))}));
    // The grade follows the rows; it stays as it was while a run changes them.
    if (!model_.Running())
        status_[1]->setText(MF(kMsgGrade, {static_cast<long long>(
                                              reduction::GradeOfReduction(model_.Rows().size(), model_.FrameRows()))}));
}

// ---------------------------------------------------------------------------
// Navigation

void TfrmGenerate::NextClick() {
    switch (model_.Next()) {
        case WizardModel::NextResult::ReadFromFile:
            // The reduced-system dialog takes over (its command opens it next).
            done(kReadSystemFromFile);
            return;
        case WizardModel::NextResult::WeightsOver100:
            prompter_.error(this, M(kMsgWeightsOver));
            OpenEditor(Editor::Percentage);
            return;
        case WizardModel::NextResult::RandomCountTooSmall:
            prompter_.error(this, M(kMsgRandomTooSmall));
            randomCount_->setFocus();
            return;
        case WizardModel::NextResult::RandomCountTooLarge:
            prompter_.error(this, MF(kMsgRandomTooLarge, {core::GroupDigits(static_cast<int64_t>(model_.FrameRows()))}));
            randomCount_->setFocus();
            return;
        case WizardModel::NextResult::Refused: return;
        case WizardModel::NextResult::Moved: break;
    }
    if (model_.Step() == 1) {
        // The counts as the run will use them.
        const QSignalBlocker b1(filterCount_), b2(randomCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
        randomCount_->setText(QString::number(model_.RandomCount()));
        model_.SetRandomCountText(randomCount_->text().toStdString());
    }
    showStep();
}

void TfrmGenerate::PreviousClick() {
    model_.Previous();
    showStep();
}

void TfrmGenerate::FinishClick() {
    if (model_.Running() || !model_.Controls(false).finish) return;
    result_ = doc_;
    model_.ApplyTo(result_, reduction::WarrantyTexts::FromLanguage(core::CurrentLanguage()));
    accept();
}

void TfrmGenerate::reject() {
    if (model_.Running()) {
        prompter_.information(this, M(kMsgStillRunning));
        return;
    }
    QDialog::reject();
}

void TfrmGenerate::closeEvent(QCloseEvent* event) {
    if (model_.Running()) {
        event->ignore();
        prompter_.information(this, M(kMsgStillRunning));
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmGenerate::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;  // no default button
    QDialog::keyPressEvent(event);
}

bool TfrmGenerate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == startRow_ && event->type() == QEvent::MouseButtonRelease && startRow_->isEnabled()) {
        StartRowClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmGenerate::help() {
    OpenHelp(this, kHelpPage);
}

}  // namespace vinra::ui
