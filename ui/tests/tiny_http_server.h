#pragma once
// A minimal HTTP/1.0 server on 127.0.0.1 for the widget tests of the Internet
// windows (the widget tests do not link the HTTP server library): fixed bodies
// by path, 404 for every other path, one request per connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace vinra::ui::testing {

class TinyServer {
public:
    explicit TinyServer(std::map<std::string, std::string> files) : files_(std::move(files)) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        listen(fd_, 8);
        thread_ = std::thread([this] { loop(); });
    }
    ~TinyServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::atomic<int> requests{0};

private:
    void loop() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int c = accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            std::string req;
            char buf[2048];
            for (int i = 0; i < 100 && req.find("\r\n\r\n") == std::string::npos; ++i) {
                pollfd q{c, POLLIN, 0};
                if (poll(&q, 1, 20) <= 0) continue;
                const ssize_t n = read(c, buf, sizeof buf);
                if (n <= 0) break;
                req.append(buf, static_cast<size_t>(n));
            }
            const auto sp1 = req.find(' '), sp2 = req.find(' ', sp1 + 1);
            const std::string path = sp1 == std::string::npos ? "" : req.substr(sp1 + 1, sp2 - sp1 - 1);
            ++requests;
            const auto it = files_.find(path);
            const std::string body = it == files_.end() ? "not found" : it->second;
            const std::string reply = std::string(it == files_.end() ? "HTTP/1.0 404 Not Found" : "HTTP/1.0 200 OK") +
                                      "\r\nContent-Length: " + std::to_string(body.size()) +
                                      "\r\nConnection: close\r\n\r\n" + body;
            (void)!write(c, reply.data(), reply.size());
            close(c);
        }
    }
    std::map<std::string, std::string> files_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vinra::ui::testing
