// The background-job helper: the work's result is read after the join, cancel
// reaches the work, a throwing work reports its text, and destroying a job in
// flight cancels and joins it.
#include "ui/core/background_job.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

using vinra::ui::BackgroundJob;
using vinra::ui::JobProgress;

namespace {

bool WaitFinished(QSignalSpy& spy, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (spy.isEmpty() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !spy.isEmpty();
}

}  // namespace

TEST(BackgroundJob, ResultIsHandedOverAtTheJoinAndProgressIsReported) {
    BackgroundJob job(nullptr, 10);
    QSignalSpy done(&job, &BackgroundJob::finished);
    QSignalSpy ticks(&job, &BackgroundJob::progress);
    long long sum = 0;
    ASSERT_TRUE(job.Start([&sum](JobProgress& p) {
        p.total = 50;
        for (int i = 1; i <= 50; ++i) {
            sum += i;
            p.done = i;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }));
    EXPECT_FALSE(job.Start([](JobProgress&) {})) << "a second job while one runs";
    ASSERT_TRUE(WaitFinished(done));
    EXPECT_EQ(done.first().at(0).toBool(), false);
    EXPECT_TRUE(done.first().at(1).toString().isEmpty());
    EXPECT_EQ(sum, 1275);
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_EQ(ticks.last().at(0).toLongLong(), 50);
    EXPECT_FALSE(job.Running());
}

TEST(BackgroundJob, CancelReachesTheWorkAndAThrowReportsItsText) {
    BackgroundJob job(nullptr, 10);
    QSignalSpy done(&job, &BackgroundJob::finished);
    ASSERT_TRUE(job.Start([](JobProgress& p) {
        while (!p.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }));
    job.Cancel();
    ASSERT_TRUE(WaitFinished(done));
    EXPECT_TRUE(done.first().at(0).toBool());

    done.clear();
    ASSERT_TRUE(job.Start([](JobProgress&) { throw std::runtime_error("no connection to 127.0.0.1"); }));
    ASSERT_TRUE(WaitFinished(done));
    EXPECT_EQ(done.first().at(1).toString(), QStringLiteral("no connection to 127.0.0.1"));
}

TEST(BackgroundJob, DestroyingARunningJobCancelsAndJoins) {
    std::atomic<bool> stopped{false};
    {
        BackgroundJob job;
        job.Start([&stopped](JobProgress& p) {
            while (!p.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            stopped = true;
        });
    }
    EXPECT_TRUE(stopped);
}

// A worker that needs an answer from the GUI thread (a question of the update
// check) waits for it; a job cancelled while its question is pending stops
// waiting, so closing a window never hangs on the join.
TEST(BackgroundJob, GuiCallsAreAnsweredOnTheGuiThreadAndCancelEndsTheWait) {
    BackgroundJob job(nullptr, 10);
    QSignalSpy done(&job, &BackgroundJob::finished);
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> onGui{false};
    bool answered = false;
    ASSERT_TRUE(job.Start(
        [&](JobProgress& p) { answered = job.RunOnGuiThread(p, [&] { onGui = std::this_thread::get_id() == gui; }); }));
    ASSERT_TRUE(WaitFinished(done));
    EXPECT_TRUE(answered);
    EXPECT_TRUE(onGui);

    // The GUI thread never gets to the call here: it is blocked in the join.
    std::atomic<bool> entered{false};
    auto late = std::make_shared<std::atomic<bool>>(false);
    ASSERT_TRUE(job.Start([&](JobProgress& p) {
        entered = true;
        answered = job.RunOnGuiThread(p, [late] { *late = true; });
    }));
    while (!entered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QElapsedTimer t;
    t.start();
    job.CancelAndJoin();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(answered);
}
