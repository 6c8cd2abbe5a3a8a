#pragma once
// A real HTTP server on 127.0.0.1 for the active-pools, game-information and
// database-update tests: fixed replies by path, and the failures a transfer
// meets (an error status, a stalled reply, a reply cut short).
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "net/http.h"

namespace vinra::net::testing {

class PoolsTestServer {
public:
    PoolsTestServer() {
        // Anything not registered is a 404.
        svr.set_error_handler([](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>Not found</body></html>", "text/html");
        });
        port_ = svr.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~PoolsTestServer() {
        release = true;
        svr.stop();
        if (thread_.joinable()) thread_.join();
    }

    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // GET path answers 200 with body.
    void Serve(const std::string& path, std::string body, const char* type = "text/plain") {
        svr.Get(path, [body = std::move(body), type](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, type);
        });
    }
    // GET path answers with an error status.
    void Fail(const std::string& path, int status) {
        svr.Get(path, [status](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_content("<html><body>Error</body></html>", "text/html");
        });
    }
    // GET path sends a little and then nothing (until the server stops).
    void Stall(const std::string& path) {
        svr.Get(path, [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("[Info]\r\n", 8);
                    return true;
                }
                for (int i = 0; i < 250 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return false;
            });
        });
    }
    // GET path promises more bytes than it sends, then closes.
    void Truncate(const std::string& path, std::string head, size_t promised) {
        svr.Get(path, [head = std::move(head), promised](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(promised, "text/plain", [head](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write(head.data(), head.size());
                    return true;
                }
                return false;  // closes the connection short of the promise
            });
        });
    }

    httplib::Server svr;
    std::atomic<bool> release{false};

private:
    int port_ = 0;
    std::thread thread_;
};

// Short time-outs for the duration of a test; the previous options come back after.
class ShortTimeouts {
public:
    ShortTimeouts() : saved_(CurrentHttpOptions()) {
        HttpOptions o;
        o.connectTimeoutMs = 2000;
        o.stallTimeoutMs = 400;
        SetHttpOptions(o);
    }
    ~ShortTimeouts() { SetHttpOptions(saved_); }

private:
    HttpOptions saved_;
};

}  // namespace vinra::net::testing
