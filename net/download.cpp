#include "net/download.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <thread>

#include "core/messages.h"
#include "core/text.h"
#include "net/transfer_error.h"

namespace vinra::net {

namespace {

// Shared by the detached transfer threads. Never destroyed: a transfer still
// finishing while the process exits must not touch a destroyed mutex or
// condition variable.
struct AllTransfers {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};
AllTransfers& All() {
    static auto* all = new AllTransfers;
    return *all;
}

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

// Progress reports at most this often, besides the last one, so a large
// transfer does not flood the owner's queue.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

constexpr int kMsgCannotStart = 4102;  // "The transfer could not be started."

}  // namespace

// ---- inbox ----

std::vector<TSyncInfo> TDownloadInbox::Drain() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TSyncInfo> out(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
    queue_.clear();
    return out;
}

void TDownloadInbox::Detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    detached_ = true;
    queue_.clear();
}

bool TDownloadInbox::detached() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return detached_;
}

int TDownloadInbox::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

bool TDownloadInbox::WaitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void TDownloadInbox::post(TSyncInfo info) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!detached_) queue_.push_back(std::move(info));
}

void TDownloadInbox::started() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
}

void TDownloadInbox::finished() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
    }
    idle_.notify_all();
}

// ---- worker ----

struct TDownloadThread::Job {
    std::shared_ptr<TDownloadInbox> owner;
    std::filesystem::path file;
    std::string url;
    int32_t requestId = 0;
    Mode mode = kGet;
    TMsMultiPartFormDataStream body;
    bool startedOnce = false;

    TSyncInfo info(int32_t state) const {
        TSyncInfo s;
        s.requestId = requestId;
        s.state = state;
        s.fileName = file.string();
        return s;
    }
    void report(TSyncInfo s) const {
        if (owner) owner->post(std::move(s));
    }
    bool cancelled() const { return owner && owner->detached(); }

    void run() {
        bool begun = false;
        int64_t lastReported = -1;
        auto lastTime = std::chrono::steady_clock::now() - kProgressInterval;
        const ProgressFn progress = [&](int64_t now, int64_t total) {
            if (cancelled()) return false;
            if (!begun && (now > 0 || total > 0)) {
                begun = true;
                TSyncInfo s = info(kSyncStarted);
                s.expected = Clamp32(total);
                report(std::move(s));
            }
            const auto t = std::chrono::steady_clock::now();
            if (begun && now != lastReported && (t - lastTime >= kProgressInterval || (total > 0 && now == total))) {
                lastReported = now;
                lastTime = t;
                TSyncInfo s = info(kSyncProgress);
                s.bytes = Clamp32(now);
                s.expected = Clamp32(total);
                report(std::move(s));
            }
            return true;
        };

        TSyncInfo end = info(kSyncFinished);
        try {
            HttpReply reply;
            if (mode == kMultipartPost) {
                body.Finish();
                reply = PostMultipart(url, body, progress);
            } else {
                reply = Get(url, progress);
            }
            end.httpStatus = reply.status;
            end.bytes = Clamp32(static_cast<int64_t>(reply.body.size()));
            TSyncInfo received = info(kSyncReceived);
            received.bytes = end.bytes;
            received.text = reply.body;
            report(std::move(received));
            if (!reply.ok()) {
                end.error = HttpStatusText(reply.status, url);
            } else if (!file.empty()) {
                core::WriteFileAtomic(file, reply.body);
                end.ok = true;
            } else {
                end.ok = true;
            }
        } catch (const std::exception& e) {
            end.error = e.what();
        }
        report(std::move(end));
    }
};

TDownloadThread::TDownloadThread(std::shared_ptr<TDownloadInbox> owner, std::filesystem::path fileName, std::string url,
                                 int32_t requestId, Mode mode)
    : job_(std::make_unique<Job>()) {
    job_->owner = std::move(owner);
    job_->file = std::move(fileName);
    job_->url = std::move(url);
    job_->requestId = requestId;
    job_->mode = mode;
}

TDownloadThread::~TDownloadThread() = default;

void TDownloadThread::AddFormField(const std::string& name, const std::string& value) {
    if (job_ && !job_->startedOnce) job_->body.AddFormField(name, value);
}

void TDownloadThread::Start() {
    if (!job_ || job_->startedOnce) return;
    job_->startedOnce = true;
    {
        std::lock_guard<std::mutex> lock(All().mutex);
        ++All().running;
    }
    if (job_->owner) job_->owner->started();
    std::shared_ptr<Job> job(std::move(job_));
    auto done = [job] {
        if (job->owner) job->owner->finished();
        // Told under the lock: once a waiter sees none running, this thread
        // is done with the shared state.
        std::lock_guard<std::mutex> lock(All().mutex);
        --All().running;
        All().idle.notify_all();
    };
    try {
        std::thread([job, done] {
            job->run();
            done();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the owner still hears how the transfer ended.
        TSyncInfo end = job->info(kSyncFinished);
        end.error = core::Msg(kMsgCannotStart);
        job->report(std::move(end));
        done();
    }
}

int TDownloadThread::Running() {
    std::lock_guard<std::mutex> lock(All().mutex);
    return All().running;
}

bool TDownloadThread::WaitAll(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(All().mutex);
    return All().idle.wait_for(lock, timeout, [] { return All().running == 0; });
}

}  // namespace vinra::net
