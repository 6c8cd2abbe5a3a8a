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
