#include "ui/reduction/generate_window.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "reduction/reduced_system.h"
#include "ui/core/background_job.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/progress_bar.h"
#include "ui/core/prompter.h"
#include "ui/reduction/generate_window_helpers.h"
#include "ui/reduction/run_counters.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

using namespace genwin;

void TfrmGenerate::buildGenerationPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageGeneration"));
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgGeneration));
    auto* counters = new RunCounters(
        {{kMsgTested, QStringLiteral("lblTested")}, {kMsgUsed, QStringLiteral("lblUsed")}}, QStringLiteral("barProgress"),
        page);
    tested_ = counters->Value(0);
    used_ = counters->Value(1);
    bar_ = counters->Bar();
    bar_->setFormat(QStringLiteral("%p %"));
    lay->addWidget(counters);
    rate_ = new QLabel(page);
    rate_->setObjectName(QStringLiteral("lblRate"));
    lay->addWidget(rate_);
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, int msg, void (TfrmGenerate::*slot)()) {
        auto* b = Tag(new QPushButton(page), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    add("btnReduce", kMsgReduce, &TfrmGenerate::ReduceClick);
    add("btnCancelRun", kMsgCancel, &TfrmGenerate::CancelRunClick);
    add("btnRestore", kMsgReset, &TfrmGenerate::RestoreClick);
    buttons->addStretch();
    lay->addLayout(buttons);
    typeLabels_[1] = new QLabel(page);
    typeLabels_[1]->setObjectName(QStringLiteral("lblType3"));
    lay->addWidget(typeLabels_[1]);
    lay->addStretch();
    pages_->addWidget(page);
}

void TfrmGenerate::showCounters(int64_t tested, int64_t used, int64_t bar) {
    tested_->setText(Grouped(tested));
    used_->setText(used < 0 ? QString() : Grouped(used));
    SetScaledProgress(bar_, bar, std::max<int64_t>(model_.ProgressMaximum(), bar));
}

// ---------------------------------------------------------------------------
// Runs

void TfrmGenerate::startRun(reduction::GenerationInput input) {
    try {
        gen_ = std::make_shared<reduction::TRowGeneration>(std::move(input));
    } catch (const std::exception& e) {
        model_.AbortRun();
        updateControls();
        updateStatus();
        prompter_.error(this, MF(kMsgRunFailed, {std::string(e.what())}));
        return;
    }
    lastTested_ = 0;
    status_[2]->setText(M(kMsgTimeZero));
    rate_->clear();
    SetScaledProgress(bar_, 0, std::max<int64_t>(model_.ProgressMaximum(), 1));
    tested_->setText(Grouped(0));
    if (model_.RunningKind() == reduction::RunKind::Reduction) used_->setText(Grouped(0));
    else used_->clear();
    runClock_.start();
    job_->Start([gen = gen_](JobProgress&) { gen->Run(); });
    updateControls();
    updateStatus();
}

void TfrmGenerate::ReduceClick() {
    if (model_.Running() || model_.Step() < 2) return;
    if (model_.EnteredMethod() == WizardMethod::Guarantee) {
        // The search covers outcomes; thinning its rows by row difference would
        // break the guarantee, so the tick goes, and the player is told.
        if (model_.Conditions().flag(core::UseRadDiff)) prompter_.information(this, M(kMsgGuaranteeNoRowDiff));
        startGuarantee();
        return;
    }
    if (model_.EnteredMethod() == WizardMethod::HighestValue) {
        startHighestValue();
        return;
    }
    reduction::GenerationInput in = model_.BeginReduction();
    {
        const QSignalBlocker block(filterCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
    }
    showWarranty();
    startRun(std::move(in));
}

void TfrmGenerate::WarrantyGenerateClick() {
    if (model_.Running()) return;
    startRun(model_.BeginWarranty());
}

void TfrmGenerate::CancelRunClick() {
    if (!model_.Running() || (!gen_ && !guarantee_ && !kept_)) return;
    Button(QStringLiteral("btnCancelRun"))->setEnabled(false);
    Button(QStringLiteral("btnWarrantyCancel"))->setEnabled(false);
    if (gen_) gen_->Cancel();  // the engine runs on the job's thread: this only raises its flag
    job_->Cancel();            // the guarantee search reads the job's own flag
}

void TfrmGenerate::beginRunDisplay() {
    showWarranty();  // the old warranty is gone with the rows about to change
    lastTested_ = 0;
    status_[2]->setText(M(kMsgTimeZero));
    rate_->clear();
    SetScaledProgress(bar_, 0, std::max<int64_t>(model_.ProgressMaximum(), 1));
    tested_->setText(Grouped(0));
    used_->clear();
    runClock_.start();
    updateControls();
    updateStatus();
}

void TfrmGenerate::startGuarantee() {
    auto r = std::make_shared<reduction::GuaranteeRun>();
    r->input = model_.BeginGuarantee();
    guarantee_ = r;
    beginRunDisplay();
    // The operator's shipped system of the frame's guards is the start when
    // it is the smaller list; it is read on the job, not here.
    job_->Start([r, folder = reduction::OperatorSystemsFolder(doc_.Country)](JobProgress& p) {
        r->input.startRows = reduction::ShippedSystemRows(folder, r->input.frame, r->input.conditions.n, r->input.wrong);
        r->Run(&p.cancel, &p.phase, &p.done, &p.total);
    });
}

void TfrmGenerate::startHighestValue() {
    if (reduction::NoMarketData(valueModel_)) {
        prompter_.error(this, M(kMsgNoGameInfo));
        return;
    }
    const auto k = static_cast<size_t>(model_.BeginHighestValue());
    auto rows = std::make_shared<std::vector<std::string>>(model_.Rows());
    kept_ = rows;
    beginRunDisplay();
    job_->Start([rows, k, vm = valueModel_](JobProgress& p) {
        p.total.store(static_cast<int64_t>(rows->size()));
        // A cancel stops the valuing; the end of the run then keeps the rows there were.
        *rows = reduction::KeepHighestValue(*rows, vm, k, &p.cancel, &p.done);
    });
}

void TfrmGenerate::onOtherTick() {
    JobProgress& p = job_->Progress();
    const qint64 ms = runClock_.elapsed();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    const int64_t done = p.done.load(), total = p.total.load();
    if (guarantee_ && p.phase.load() != static_cast<int>(reduction::GuaranteePhase::Expansion)) {
        // Searching: the bar is the time budget used; the rows are the best list so far.
        SetScaledProgress(bar_, done, std::max<int64_t>(total, 1));
        tested_->setText(Grouped(model_.FrameRows()));
        rate_->setText(Q(guarantee_->ProgressText(core::CurrentLanguage())));
        const int64_t best = guarantee_->rowsSoFar.load();
        used_->setText(best > 0 ? Grouped(best) : QString());
    } else {
        SetScaledProgress(bar_, done, std::max<int64_t>(total, 1));
        tested_->setText(Grouped(done));
    }
}

void TfrmGenerate::onOtherFinished(bool cancelled, const QString& error) {
    const qint64 ms = runClock_.elapsed();
    QString status;
    if (guarantee_) {
        auto r = std::move(guarantee_);
        cancelled = cancelled || r->result.cancelled;
        if (!error.isEmpty()) {
            model_.AbortRun();
            prompter_.error(this, MF(kMsgRunFailed, {error.toStdString()}));
        } else {
            // A refused run or one with nothing to cover leaves the rows as they were.
            model_.EndGuarantee(r->Ok() ? r->result : reduction::GuaranteeResult{}, cancelled);
            status = Q(r->StatusText(core::CurrentLanguage()));
            if (r->errorMessage != 0 || !r->errorText.empty()) prompter_.error(this, status);
        }
    } else {
        auto rows = std::move(kept_);
        if (!error.isEmpty()) {
            model_.AbortRun();
            prompter_.error(this, MF(kMsgRunFailed, {error.toStdString()}));
        } else if (cancelled) {
            // Keeping the highest is all or nothing: a stopped run keeps the rows there were.
            model_.EndReduction(model_.Rows(), true);
        } else {
            model_.EndReduction(std::move(*rows), false);
        }
    }
    if (!model_.Running() && model_.LastRun() == reduction::RunKind::Reduction) {
        const auto k = model_.CountersAfterRun(0);
        showCounters(k.tested, k.used, k.bar);
    }
    showWarranty();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    updateControls();
    updateStatus();
    rate_->setText(status);
    emit runFinished();
}

bool TfrmGenerate::ValueRunning() const { return valueJob_->Running(); }

void TfrmGenerate::startValue() {
    if (valueJob_->Running()) valueJob_->CancelAndJoin();
    value_.reset();
    if (reduction::NoMarketData(valueModel_)) {
        chart_->Clear(M(kMsgNoGameInfo));
        emit valueFinished();
        return;
    }
    if (model_.MatchCount() > reduction::kMaxValueMatches) {
        chart_->Clear(MF(kMsgValueMatches, {static_cast<long long>(reduction::kMaxValueMatches)}));
        emit valueFinished();
        return;
    }
    if (model_.Rows().empty()) {
        chart_->Clear(M(kMsgNoRowsToValue));
        emit valueFinished();
        return;
    }
    auto run = std::make_shared<reduction::ValueRun>();
    run->rows = model_.Rows();
    run->model = valueModel_;
    value_ = run;
    chart_->Clear();
    valueJob_->Start([run](JobProgress& p) { run->Run(&p.cancel, &p.done, &p.total); });
}

void TfrmGenerate::onTick() {
    if (guarantee_ || kept_) {
        onOtherTick();
        return;
    }
    if (!gen_) return;
    const int64_t tested = gen_->Tested();
    const auto phase = gen_->Phase();
    const qint64 ms = runClock_.elapsed();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    tested_->setText(Grouped(tested));
    int64_t maximum = model_.ProgressMaximum();
    if (phase == reduction::GenerationPhase::WarrantyTally || phase == reduction::GenerationPhase::RowDifference)
        maximum = gen_->Maximum();
    const bool reducing = model_.RunningKind() == reduction::RunKind::Reduction;
    const bool randomRun = reducing && model_.Mode() == reduction::GenerationMode::Random;
    const int64_t accepted = gen_->Accepted();
    if (reducing) used_->setText(Grouped(accepted));
    // A random run is as far as the rows it has found.
    if (randomRun) SetScaledProgress(bar_, accepted, std::max<int64_t>(maximum, 1));
    else SetScaledProgress(bar_, tested, maximum);
    // Speed and time left on runs longer than a second.
    if (ms >= 1000 && tested > 0) {
        const double perSecond = static_cast<double>(tested) * 1000.0 / static_cast<double>(ms);
        QString text = MF(kMsgRate, {core::GroupDigits(static_cast<int64_t>(perSecond))});
        if (!randomRun && maximum > tested && perSecond > 0) {
            const auto left = static_cast<qint64>(static_cast<double>(maximum - tested) / perSecond * 1000.0);
            text += QStringLiteral("    ") + MF(kMsgTimeLeft, {Clock(left + 999).toStdString()});
        }
        rate_->setText(text);
    }
    lastTested_ = tested;
}

void TfrmGenerate::onFinished(bool cancelled, const QString& error) {
    if (guarantee_ || kept_) {
        onOtherFinished(cancelled, error);
        if (model_.Step() == 3) startValue();
        return;
    }
    if (!gen_) return;
    const qint64 ms = runClock_.elapsed();
    const std::string engineError = gen_->Error();
    const reduction::RunKind kind = model_.RunningKind();
    cancelled = cancelled || gen_->Cancelled();
    QString notice;  // told once the window shows the end of the run
    if (!error.isEmpty() || !engineError.empty()) {
        model_.AbortRun();
        prompter_.error(this, MF(kMsgRunFailed, {error.isEmpty() ? engineError : error.toStdString()}));
    } else if (kind == reduction::RunKind::Reduction) {
        // A random run that found nothing new for a long while ends as an interrupted one.
        const bool stalled = gen_->Stalled();
        model_.EndReduction(gen_->Rows().Strings(), cancelled || stalled);
        const auto k = model_.CountersAfterRun(gen_->Tested());
        showCounters(k.tested, k.used, k.bar);
        showStartRow();
        if (stalled)
            notice = MF(kMsgRandomStalled, {core::GroupDigits(reduction::RandomStallTries(model_.FrameRows())),
                                            core::GroupDigits(static_cast<int64_t>(model_.Rows().size()))});
    } else {
        model_.EndWarranty(gen_->Warranty(), cancelled);
        SetScaledProgress(bar_, gen_->Tested(), std::max<int64_t>(gen_->Maximum(), 1));
        showWarranty();
    }
    gen_.reset();
    if (model_.Step() == 3) startValue();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    if (bar_->maximum() == 0) SetScaledProgress(bar_, 0, 1);
    updateControls();
    updateStatus();
    if (!notice.isEmpty()) prompter_.information(this, notice);
    emit runFinished();
}

void TfrmGenerate::RestoreClick() {
    if (model_.Running()) return;
    if (prompter_.question(this, MF(kMsgRestore, {static_cast<long long>(model_.SystemRowCount())}), false) !=
        Answer::Yes)
        return;
    model_.Restore();
    showCounters(0, static_cast<int64_t>(model_.Rows().size()), 0);
    showWarranty();
    updateControls();
    updateStatus();
}

}  // namespace vinra::ui
