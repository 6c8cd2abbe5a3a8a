#pragma once
// The one way a window runs work off the GUI thread: row generation, warranty,
// downloads and uploads alike.
//
// The work runs on a std::thread and publishes its progress through atomics;
// a timer on the GUI thread reads them and reports; Cancel sets a flag that the
// work checks at its own points; the thread is joined before `finished` is
// emitted, so whatever the work wrote into its captures may be read from that
// slot without a lock (the hand-over is the join). Destroying the job, or
// closing the window that owns it, cancels and joins. Cancel also stops any
// HTTP transfer the work has running (net::TransferWatch).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QTimer;

namespace vinra::ui {

// Shared between the work and the GUI thread.
struct JobProgress {
    std::atomic<int64_t> done{0};
    std::atomic<int64_t> total{0};  // 0: unknown
    std::atomic<int> phase{0};
    std::atomic<bool> cancel{false};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
    // For net::ProgressFn: stores the byte counts and answers false once
    // cancelled, which stops the transfer.
    bool Bytes(int64_t now, int64_t expected) {
        done.store(now, std::memory_order_relaxed);
        total.store(expected, std::memory_order_relaxed);
        return !Cancelled();
    }
};

class BackgroundJob : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(JobProgress&)>;

    explicit BackgroundJob(QObject* parent = nullptr, int intervalMs = 100);
    ~BackgroundJob() override;  // cancels and joins

    // Starts `work` on a worker thread; an exception it throws becomes the
    // error text of `finished`. False (nothing started) while a job runs.
    bool Start(Work work);
    // Asks the work to stop; `finished` still comes, with cancelled = true.
    void Cancel();
    // Cancels and waits for the worker without emitting `finished` (a window
    // that is going away calls this).
    void CancelAndJoin();
    bool Running() const { return running_; }
    // Called from the work: runs fn on the GUI thread (where this job lives)
    // and waits for it, the way a worker hands a question or a message to its
    // window. False, without waiting longer, once the job is cancelled; fn
    // then may still run later, so it must capture only values and objects
    // that outlive the job. Never call it from the GUI thread.
    bool RunOnGuiThread(JobProgress& progress, std::function<void()> fn);
    JobProgress& Progress() { return *progress_; }
    int IntervalMs() const { return intervalMs_; }

    // The longest time between two timer ticks of the last run, in ms: how long
    // the GUI thread was kept from its event loop while the work ran.
    qint64 LongestTickGapMs() const { return longestGap_; }

signals:
    // On every tick while the work runs.
    void progress(qint64 done, qint64 total, int phase);
    // Once a run ends, after the join. error is empty unless the work threw.
    void finished(bool cancelled, const QString& error);

private:
    void tick();

    int intervalMs_;
    QTimer* timer_ = nullptr;
    std::unique_ptr<JobProgress> progress_;
    std::thread worker_;
    std::atomic<bool> workDone_{false};
    bool running_ = false;
    std::string error_;
    QElapsedTimer sinceTick_;
    qint64 longestGap_ = 0;
};

}  // namespace vinra::ui
