#pragma once
// A real HTTP server (cpp-httplib) on 127.0.0.1 for one test. Handlers that
// stall wait on `release`, so stopping never waits for long. Only for test
// programs that link the server library.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace vinra::testing {

class LocalServer {
public:
    LocalServer() = default;
    ~LocalServer() { Stop(); }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    void Start() {
        port_ = svr.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void Stop() {
        release = true;
        if (thread_.joinable()) {
            svr.stop();
            thread_.join();
        }
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return Host() + path; }
    int port() const { return port_; }
    // Waits (bounded) until released.
    void Hold(int maxMs = 5000) {
        for (int i = 0; i < maxMs / 20 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    httplib::Server svr;
    std::atomic<bool> release{false};

private:
    int port_ = 0;
    std::thread thread_;
};

}  // namespace vinra::testing
