#include "ui/output/print_progress.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/core/background_job.h"
#include "ui/core/localise.h"

namespace vinra::ui {

TPrintProgress::TPrintProgress(const QString& title, int maximum, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPrintProgress"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("barProgress"));
    bar_->setRange(0, std::max(1, maximum));
    bar_->setValue(0);
    bar_->setFormat(QStringLiteral("%v / %m"));
    bar_->setMinimumWidth(320);
    layout->addWidget(bar_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    Tag(buttons->button(QDialogButtonBox::Cancel), 41);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPrintProgress::cancel);
    layout->addWidget(buttons);
    Localise(this);
    setWindowTitle(title);
}

void TPrintProgress::setValue(int n) {
    bar_->setValue(std::clamp(n, bar_->minimum(), bar_->maximum()));
    QApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
}

int TPrintProgress::value() const { return bar_->value(); }
int TPrintProgress::maximum() const { return bar_->maximum(); }

void TPrintProgress::watch(std::function<int()> source) {
    source_ = std::move(source);
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setInterval(50);
        connect(timer_, &QTimer::timeout, this, [this] {
            if (source_) bar_->setValue(std::clamp(source_(), bar_->minimum(), bar_->maximum()));
        });
    }
    timer_->start();
}

void TPrintProgress::cancel() {
    cancelled_ = true;
    if (timer_) timer_->stop();
    hide();
}

bool ComposeWithProgress(QWidget* parent, const QString& title, int from, int to, output::PageComposer& composer,
                         const std::function<bool(output::PageComposer&, const std::atomic<bool>& stop)>& compose,
                         const std::function<void(TPrintProgress&)>& shown) {
    BackgroundJob job;
    std::unique_ptr<TPrintProgress> window;
    if (to - from + 1 >= kProgressFromCoupons) {
        window = std::make_unique<TPrintProgress>(title, to, parent);
        window->show();
        if (shown) shown(*window);
        window->watch([&composer] { return composer.progress(); });
    }
    bool completed = false;
    std::exception_ptr failure;
    QEventLoop loop;
    QObject::connect(&job, &BackgroundJob::finished, &loop, [&loop] { loop.quit(); });
    // The window's Cancel reaches the worker through the job's flag; a cancel
    // made before the start (or while it starts) is carried over by hand.
    const bool cancelledEarly = window && window->cancelled();
    job.Start([&](JobProgress& progress) {
        try {
            if (cancelledEarly) progress.cancel.store(true);
            completed = compose(composer, progress.cancel);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QTimer poll;
    if (window) {
        // TPrintProgress::cancel hides the window without a signal of its own.
        QObject::connect(&poll, &QTimer::timeout, &job, [&] {
            if (window->cancelled()) job.Cancel();
        });
        poll.start(50);
    }
    if (job.Running()) loop.exec();
    if (window) window->close();
    if (failure) std::rethrow_exception(failure);
    return completed;
}

}  // namespace vinra::ui
