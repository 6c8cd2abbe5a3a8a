#include "net/http.h"
#include "net/transfer_error.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>

#include <fmt/format.h>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"

namespace vinra::net {

namespace {

std::mutex g_optionsMutex;
HttpOptions g_options;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What one transfer needs while it runs: where the bytes go, progress, and the
// stall watch. libcurl's own low-speed limit counts whole seconds only; the
// progress callback checks the stall to the millisecond (it is called at least
// once a second even when nothing arrives).
struct Transfer {
    std::string body;
    const ProgressFn* progress = nullptr;
    const TransferWatch* watch = nullptr;  // of the thread that runs the transfer
    long stallMs = 0;
    int64_t lastBytes = -1;
    std::chrono::steady_clock::time_point lastChange = std::chrono::steady_clock::now();
    bool cancelled = false;
    bool stalled = false;
    int64_t maxBytes = 0;
    bool tooLarge = false;
};

size_t WriteCallback(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->maxBytes > 0 && static_cast<int64_t>(t->body.size() + n) > t->maxBytes) {
        t->tooLarge = true;
        return 0;  // ends the transfer
    }
    t->body.append(data, n);
    return n;
}

int ProgressCallback(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
    auto* t = static_cast<Transfer*>(user);
    const auto now = std::chrono::steady_clock::now();
    // Bytes moving either way count as life: an upload sends before it receives.
    const int64_t moved = static_cast<int64_t>(dlnow) + static_cast<int64_t>(ulnow);
    if (moved != t->lastBytes) {
        t->lastBytes = moved;
        t->lastChange = now;
    } else if (t->stallMs > 0 &&
               std::chrono::duration_cast<std::chrono::milliseconds>(now - t->lastChange).count() >= t->stallMs) {
        t->stalled = true;
        return 1;
    }
    (void)ultotal;
    if (t->watch) {
        if (t->watch->cancel && t->watch->cancel->load(std::memory_order_relaxed)) {
            t->cancelled = true;
            return 1;
        }
        if (t->watch->bytes && !t->watch->bytes(static_cast<int64_t>(dlnow), static_cast<int64_t>(dltotal))) {
            t->cancelled = true;
            return 1;
        }
    }
    if (t->progress && *t->progress) {
        if (!(*t->progress)(static_cast<int64_t>(dlnow), static_cast<int64_t>(dltotal))) {
            t->cancelled = true;
            return 1;
        }
    }
    return 0;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

struct Request {
    std::string url;
    bool followRedirects = false;
    const std::string* postBody = nullptr;  // null: GET
    std::string contentType;
    long totalTimeoutMs = 0;
    long stallTimeoutMs = -1;  // -1: the options' stall time-out
    const ProgressFn* progress = nullptr;
};

// Transfer failures in the player's language; curl's own texts are English.
constexpr int kMsgCannotStart = 3187;   // "Could not start a transfer to %s"
constexpr int kMsgCancelled = 3188;     // "Transfer from %s cancelled"
constexpr int kMsgStalled = 3189;       // "No data from %s for %d s: the transfer was stopped"
constexpr int kMsgTooLong = 3190;       // "The reply from %s is longer than %d bytes: the transfer was stopped"
constexpr int kMsgTimedOut = 3191;      // "Transfer to %s took too long"
constexpr int kMsgFailed = 3192;        // "Transfer with %s failed: %s"
constexpr int kMsgUnknownHost = 3193;   // "the server's name cannot be found (is the computer connected?)"
constexpr int kMsgNoAnswer = 3194;      // "the server does not answer"
constexpr int kMsgBrokeOff = 3195;      // "the connection broke off or could not be made secure"
constexpr int kMsgNetworkError = 3196;  // "network error %d"
constexpr int kMsgCannotSave = 3197;    // "Could not save the download from %s: %s"
constexpr int kMsgStatus = 4100;        // "The server answered %d to %s"
constexpr int kMsgRefused = 4101;       // "The server refused %s"

std::string UrlMsg(int msg, const std::string& url, std::vector<core::MsgArg> more = {}) {
    more.insert(more.begin(), url);
    return core::FormatMsg(core::Msg(msg), more);
}

HttpReply Perform(const Request& req) {
    GlobalInit();
    HttpOptions opt = CurrentHttpOptions();
    if (req.stallTimeoutMs >= 0) opt.stallTimeoutMs = req.stallTimeoutMs;
    EasyPtr curl(curl_easy_init());
    if (!curl) throw NetError(UrlMsg(kMsgCannotStart, req.url));
    CURL* c = curl.get();

    Transfer t;
    t.progress = req.progress;
    t.watch = TransferWatch::Current();
    if (t.watch && t.watch->cancel && t.watch->cancel->load()) throw NetError(UrlMsg(kMsgCancelled, req.url));
    t.stallMs = opt.stallTimeoutMs;
    t.maxBytes = opt.maxReplyBytes;
    char errbuf[CURL_ERROR_SIZE] = {0};

    curl_easy_setopt(c, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // several transfers run on worker threads
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteCallback);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &ProgressCallback);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, opt.connectTimeoutMs));
    if (opt.stallTimeoutMs > 0) {
        // Backstop in whole seconds beside the callback's finer check.
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, (opt.stallTimeoutMs + 999) / 1000 + 1));
    }
    if (req.totalTimeoutMs > 0) curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, req.totalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, req.followRedirects ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Vinra 2000");
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // whatever the library can decode

    // The proxy of the settings (which already holds the environment's when none
    // was stored); otherwise straight to the server, whatever the environment says.
    std::string proxy;
    if (opt.useProxy && !opt.proxyPort.empty() && !opt.proxyHost.empty()) proxy = opt.proxyHost + ":" + opt.proxyPort;
    curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");

    SlistPtr headers;
    if (req.postBody) {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, req.postBody->data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(req.postBody->size()));
        std::string ct = "Content-Type: " + req.contentType;
        headers.reset(curl_slist_append(nullptr, ct.c_str()));
        // No "100 continue" round trip: some servers never answer it.
        headers.reset(curl_slist_append(headers.release(), "Expect:"));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    }

    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        if (t.stalled)
            throw NetError(UrlMsg(kMsgStalled, req.url, {static_cast<long long>((opt.stallTimeoutMs + 999) / 1000)}));
        if (t.cancelled) throw NetError(UrlMsg(kMsgCancelled, req.url));
        if (t.tooLarge) throw NetError(UrlMsg(kMsgTooLong, req.url, {static_cast<long long>(opt.maxReplyBytes)}));
        if (rc == CURLE_OPERATION_TIMEDOUT && req.totalTimeoutMs > 0 && errbuf[0] == 0)
            throw NetError(UrlMsg(kMsgTimedOut, req.url));
        throw NetError(UrlMsg(kMsgFailed, req.url, {TransferErrorText(static_cast<int>(rc))}));
    }
    HttpReply reply;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.body = std::move(t.body);
    return reply;
}

// Every line of the reply followed by CR LF, the last one included.
std::string ToCrLfLines(const std::string& body) { return core::JoinCrLf(core::SplitLines(body)); }

bool IsUnreserved(unsigned char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' ||
           ch == '.' || ch == '~';
}

std::string MultipartTrailer(const std::string& boundary) { return "\r\n--" + boundary + "--\r\n"; }

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string BoundaryNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t tt = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&tt, &tm);
    return std::string(27, '-') + fmt::format("{:02}{:02}{:02}{:02}{:02}{:02}{:03}", tm.tm_mon + 1, tm.tm_mday,
                                              tm.tm_year % 100, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

}  // namespace

std::string TransferErrorText(int curlCode) {
    switch (static_cast<CURLcode>(curlCode)) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return core::Msg(kMsgUnknownHost);
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT: return core::Msg(kMsgNoAnswer);
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION: return core::Msg(kMsgBrokeOff);
        default: return core::FormatMsg(core::Msg(kMsgNetworkError), {static_cast<long long>(curlCode)});
    }
}

std::string HttpStatusText(long status, const std::string& url) {
    return core::FormatMsg(core::Msg(kMsgStatus), {static_cast<long long>(status), url});
}

std::string RefusedText(const std::string& url) { return UrlMsg(kMsgRefused, url); }

std::string CancelledText(const std::string& url) { return UrlMsg(kMsgCancelled, url); }

namespace {
thread_local const TransferWatch* t_watch = nullptr;
}  // namespace

TransferWatch::TransferWatch(const std::atomic<bool>* cancelFlag, ProgressFn bytesFn)
    : cancel(cancelFlag), bytes(std::move(bytesFn)), previous_(t_watch) {
    t_watch = this;
}

TransferWatch::~TransferWatch() { t_watch = previous_; }

const TransferWatch* TransferWatch::Current() { return t_watch; }

const HttpOptions& CurrentHttpOptions() {
    // A copy per thread, refreshed on every call, so a caller never holds a
    // reference into data another thread is replacing.
    thread_local HttpOptions copy;
    std::lock_guard<std::mutex> lock(g_optionsMutex);
    copy = g_options;
    return copy;
}

void SetHttpOptions(const HttpOptions& options) {
    std::lock_guard<std::mutex> lock(g_optionsMutex);
    g_options = options;
}

void UseProxySetting(const core::ProxySetting& proxy) {
    std::lock_guard<std::mutex> lock(g_optionsMutex);
    g_options.useProxy = proxy.use;
    g_options.proxyHost = proxy.host;
    g_options.proxyPort = proxy.port;
}

bool GetToFile(const std::string& url, const std::filesystem::path& file, const ProgressFn& progress) {
    Request req;
    req.url = url;
    req.followRedirects = false;
    req.progress = &progress;
    const HttpReply reply = Perform(req);
    if (!reply.ok()) return false;
    try {
        core::WriteFileAtomic(file, reply.body);
    } catch (const core::FileError& e) {
        throw NetError(UrlMsg(kMsgCannotSave, url, {std::string(e.what())}));
    }
    return true;
}

HttpReply Get(const std::string& url, const ProgressFn& progress) {
    Request req;
    req.url = url;
    req.followRedirects = true;
    req.progress = &progress;
    return Perform(req);
}

HttpReply PostForm(const std::string& url, const std::vector<std::string>& nameValueLines) {
    std::string body;
    for (const std::string& line : nameValueLines) {
        if (!body.empty()) body += '&';
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            body += UrlEncode(line) + "=";
        } else {
            body += UrlEncode(std::string_view(line).substr(0, eq));
            body += '=';
            body += UrlEncode(std::string_view(line).substr(eq + 1));
        }
    }
    Request req;
    req.url = url;
    req.followRedirects = true;
    req.postBody = &body;
    req.contentType = "application/x-www-form-urlencoded";
    HttpReply reply = Perform(req);
    reply.body = ToCrLfLines(reply.body);
    return reply;
}

TMsMultiPartFormDataStream::TMsMultiPartFormDataStream() : boundary_(BoundaryNow()) {}

TMsMultiPartFormDataStream::TMsMultiPartFormDataStream(std::string boundary) : boundary_(std::move(boundary)) {}

void TMsMultiPartFormDataStream::AddFormField(const std::string& name, const std::string& value) {
    data_ += first_ ? "--" : "\r\n--";
    first_ = false;
    data_ += boundary_;
    data_ += "\r\n";
    data_ += "Content-Disposition: form-data; name=\"" + name + "\"";
    data_ += "\r\n\r\n";
    data_ += value;
}

void TMsMultiPartFormDataStream::Finish() {
    // Finishing twice must not send a second closing line.
    const std::string trailer = MultipartTrailer(boundary_);
    if (!EndsWith(data_, trailer)) data_ += trailer;
}

HttpReply PostMultipart(const std::string& url, const TMsMultiPartFormDataStream& body) {
    return PostMultipart(url, body, ProgressFn{});
}

HttpReply PostMultipart(const std::string& url, const TMsMultiPartFormDataStream& body, const ProgressFn& progress) {
    const std::string trailer = MultipartTrailer(body.boundary());
    // A body the caller forgot to finish still goes out well-formed.
    std::string finished;
    const std::string* data = &body.data();
    if (!EndsWith(body.data(), trailer)) {
        finished = body.data() + trailer;
        data = &finished;
    }
    Request req;
    req.url = url;
    req.followRedirects = true;
    req.postBody = data;
    req.contentType = body.contentType();
    req.stallTimeoutMs = CurrentHttpOptions().multipartReadTimeoutMs;
    req.progress = &progress;
    HttpReply reply = Perform(req);
    reply.body = ToCrLfLines(reply.body);
    return reply;
}

std::string UrlEncode(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char ch : text) {
        if (IsUnreserved(ch)) {
            out += static_cast<char>(ch);
        } else {
            out += '%';
            out += hex[ch >> 4];
            out += hex[ch & 15];
        }
    }
    return out;
}

}  // namespace vinra::net
