#pragma once
// The download worker: one HTTP transfer on its own thread (a logo picture, a
// goal-service post), reporting to its owner. Reports go into the owner's
// inbox; the owner drains it on its own thread (a window from a timer, the
// command line by polling). The worker never waits for the owner and touches
// nothing else, so several run at once.
//
// An owner that goes away calls Detach(): reports still on their way are
// dropped and its running transfers are cancelled, so it never receives a late
// report.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/http.h"

namespace vinra::net {

enum SyncState : int32_t {
    kSyncStarted = 0,   // the reply began; expected = its announced size (0 when unknown)
    kSyncProgress = 1,  // bytes so far
    kSyncReceived = 2,  // the transfer completed (any HTTP status); text = the whole reply
    kSyncFinished = 3,  // always the last report of a transfer, successful or not
};

// One report of a transfer.
struct TSyncInfo {
    int32_t requestId = 0;
    int32_t state = kSyncStarted;
    int32_t bytes = 0;     // so far (clamped to the int32 range)
    int32_t expected = 0;  // announced size, 0 when unknown
    std::string fileName;  // the file the transfer writes, empty when none
    std::string text;      // state 2: the reply as received
    // State 3:
    long httpStatus = 0;  // 0 when no reply came
    bool ok = false;      // a 2xx reply and, when a file was named, the file written
    std::string error;    // why not, for the owner's message; empty when ok
};

// Where the reports of an owner's transfers go.
class TDownloadInbox {
public:
    // The reports so far, oldest first; empties the inbox.
    std::vector<TSyncInfo> Drain();
    // The owner is going away: nothing more is queued and running transfers stop.
    void Detach();
    bool detached() const;
    // Transfers started for this owner that have not finished.
    int running() const;
    // Waits until none of this owner's transfers runs. False on time-out.
    bool WaitIdle(std::chrono::milliseconds timeout) const;

private:
    friend class TDownloadThread;
    void post(TSyncInfo info);
    void started();
    void finished();

    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    std::deque<TSyncInfo> queue_;
    bool detached_ = false;
    int running_ = 0;
};

class TDownloadThread {
public:
    enum Mode { kGet = 0, kMultipartPost = 1 };

    // A transfer that has not started yet. owner null: reports go to nobody.
    // fileName empty: the reply is only reported, not written. Redirects are followed.
    TDownloadThread(std::shared_ptr<TDownloadInbox> owner, std::filesystem::path fileName, std::string url,
                    int32_t requestId, Mode mode = kGet);
    ~TDownloadThread();
    TDownloadThread(const TDownloadThread&) = delete;
    TDownloadThread& operator=(const TDownloadThread&) = delete;

    // Fields of the multipart body (mode kMultipartPost), before Start.
    void AddFormField(const std::string& name, const std::string& value);
    // Runs the transfer on its own thread, which ends by itself; this object may
    // go right after. A second call does nothing. With a file name, the file is
    // replaced only by a complete 2xx reply (temporary file + rename), never by
    // a failed or partial one.
    void Start();

    // Transfers running in the whole program, and a bounded wait for them (at exit).
    static int Running();
    static bool WaitAll(std::chrono::milliseconds timeout);

private:
    struct Job;
    std::unique_ptr<Job> job_;
};

}  // namespace vinra::net
