#pragma once
// HTTP for everything the program fetches or sends (libcurl underneath).
//
// Every transfer has a connect time-out and a stall time-out (a transfer that
// moves no bytes for that long fails), uses the proxy of the settings, and
// checks the HTTP status. A download never replaces a good file with a failed
// one: it goes to a temporary file in the same folder and is renamed on success.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vinra::core {
struct ProxySetting;
}  // namespace vinra::core

namespace vinra::net {

// A transfer that failed without an HTTP status: no connection, name not found,
// time-out, a broken reply. what() says which, naming the address.
class NetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HttpOptions {
    bool useProxy = false;  // the proxy is used only when this is on and port is not empty
    std::string proxyHost;
    std::string proxyPort;
    long connectTimeoutMs = 15000;
    long stallTimeoutMs = 60000;  // no bytes for this long: the transfer fails
    // PostMultipart's read time-out: an upload fails only when no byte has moved
    // either way for this long; a slow upload that is still moving runs on.
    long multipartReadTimeoutMs = 600000;
    int64_t maxReplyBytes = int64_t{256} << 20;  // a longer reply fails instead of filling the memory
};
// Process-wide options, set at start-up from the settings (core::Settings::proxy).
const HttpOptions& CurrentHttpOptions();
void SetHttpOptions(const HttpOptions& options);
// The proxy in force this run (core::Settings::proxy) into the process-wide
// options; the time-outs stay as they are.
void UseProxySetting(const core::ProxySetting& proxy);

struct HttpReply {
    long status = 0;   // HTTP status
    std::string body;  // bytes as received
    bool ok() const { return status >= 200 && status < 300; }
};

// Progress of a transfer: bytes so far and expected (0 when unknown). Returning
// false cancels the transfer (NetError "cancelled").
using ProgressFn = std::function<bool(int64_t now, int64_t total)>;

// Watches every transfer made on this thread while it lives: once *cancel is
// set the transfer stops (NetError "cancelled"), and bytes, when given, hears
// the byte counts as they arrive. A worker's Cancel thus reaches the transfers
// inside operations that take no progress callback of their own (the update
// check, the game-information download). The innermost watch counts.
class TransferWatch {
public:
    explicit TransferWatch(const std::atomic<bool>* cancel, ProgressFn bytes = {});
    ~TransferWatch();
    TransferWatch(const TransferWatch&) = delete;
    TransferWatch& operator=(const TransferWatch&) = delete;
    // The watch of this thread, or null.
    static const TransferWatch* Current();

    const std::atomic<bool>* cancel;
    ProgressFn bytes;

private:
    const TransferWatch* previous_;
};

// GET without following redirects. On a 2xx reply the bytes replace `file`
// (temporary file + rename) and the result is true; on an HTTP error status
// the result is false and `file` is left as it was. Transport failures throw NetError.
bool GetToFile(const std::string& url, const std::filesystem::path& file, const ProgressFn& progress = {});

// GET into memory (redirects followed). Transport failures throw NetError.
HttpReply Get(const std::string& url, const ProgressFn& progress = {});

// POST of an application/x-www-form-urlencoded form made of "name=value" lines
// (each name and value URL-encoded here). Redirects are followed. The reply
// text comes back with CR LF after every line. Transport failures throw NetError;
// the caller shows the 401 message when status is 401.
HttpReply PostForm(const std::string& url, const std::vector<std::string>& nameValueLines);

// A multipart/form-data body.
class TMsMultiPartFormDataStream {
public:
    TMsMultiPartFormDataStream();  // boundary: 27 "-" and the local time as mmddyyhhnnsszzz
    explicit TMsMultiPartFormDataStream(std::string boundary);
    void AddFormField(const std::string& name, const std::string& value);
    void Finish();
    const std::string& boundary() const { return boundary_; }
    std::string contentType() const { return "multipart/form-data; boundary=" + boundary_; }
    const std::string& data() const { return data_; }

private:
    std::string boundary_;
    std::string data_;
    bool first_ = true;
};

// POST of a finished multipart body. It fails only after the read time-out
// (HttpOptions::multipartReadTimeoutMs, 600 s) without a byte either way; there
// is no cap on an upload that keeps moving.
HttpReply PostMultipart(const std::string& url, const TMsMultiPartFormDataStream& body);
// The same with progress of the reply (and cancel), for the download worker.
HttpReply PostMultipart(const std::string& url, const TMsMultiPartFormDataStream& body, const ProgressFn& progress);

// Percent-encoding of a query value.
std::string UrlEncode(std::string_view text);

}  // namespace vinra::net
