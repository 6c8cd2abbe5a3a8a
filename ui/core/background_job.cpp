#include "ui/core/background_job.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

#include <QTimer>

#include "net/http.h"

namespace vinra::ui {

BackgroundJob::BackgroundJob(QObject* parent, int intervalMs)
    : QObject(parent), intervalMs_(intervalMs), progress_(std::make_unique<JobProgress>()) {
    timer_ = new QTimer(this);
    timer_->setInterval(intervalMs_);
    connect(timer_, &QTimer::timeout, this, &BackgroundJob::tick);
}

BackgroundJob::~BackgroundJob() { CancelAndJoin(); }

bool BackgroundJob::Start(Work work) {
    if (running_) return false;
    // A fresh progress block: a worker of an earlier run never shares one.
    progress_ = std::make_unique<JobProgress>();
    error_.clear();
    workDone_ = false;
    longestGap_ = 0;
    running_ = true;
    JobProgress* p = progress_.get();
    worker_ = std::thread([this, p, work = std::move(work)] {
        // Cancel also stops a transfer deep inside an engine operation.
        const net::TransferWatch watch(&p->cancel);
        try {
            work(*p);
        } catch (const std::exception& e) {
            error_ = e.what();
            if (error_.empty()) error_ = "?";
        } catch (...) {
            error_ = "?";
        }
        workDone_.store(true, std::memory_order_release);
    });
    sinceTick_.start();
    timer_->start();
    return true;
}

void BackgroundJob::Cancel() {
    if (running_) progress_->cancel = true;
}

void BackgroundJob::CancelAndJoin() {
    if (!running_) return;
    progress_->cancel = true;
    if (worker_.joinable()) worker_.join();
    timer_->stop();
    running_ = false;
}

bool BackgroundJob::RunOnGuiThread(JobProgress& progress, std::function<void()> fn) {
    struct Call {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    // Queued to this object: when the job is gone before the GUI thread gets
    // to it, the call is dropped.
    QMetaObject::invokeMethod(
        this,
        [call, fn = std::move(fn)] {
            fn();
            std::lock_guard<std::mutex> lock(call->mutex);
            call->done = true;
            call->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(call->mutex);
    // Not a plain wait: a window closing while its question is pending
    // cancels and joins, and the worker must not keep it waiting.
    while (!call->done) {
        if (progress.Cancelled()) return false;
        call->cv.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

void BackgroundJob::tick() {
    if (!running_) {
        timer_->stop();
        return;
    }
    const qint64 gap = sinceTick_.restart();
    if (gap > longestGap_) longestGap_ = gap;
    JobProgress& p = *progress_;
    emit progress(p.done.load(std::memory_order_relaxed), p.total.load(std::memory_order_relaxed),
                  p.phase.load(std::memory_order_relaxed));
    if (!workDone_.load(std::memory_order_acquire)) return;
    worker_.join();
    timer_->stop();
    running_ = false;
    const bool cancelled = p.Cancelled();
    emit finished(cancelled, QString::fromStdString(error_));
}

}  // namespace vinra::ui
