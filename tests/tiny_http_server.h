#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace vinra::testing {

// A loopback port nobody listens on (bound for a moment, then closed).
inline int UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// A loopback server that answers every request with the body served for its
// path (404 otherwise): enough HTTP for a GET, for the tests of the windows and
// of the command line, which do not link the server library the engine tests use.
class TinyServer {
public:
    using Files = std::map<std::string, std::string>;
    explicit TinyServer(Files files) : files_(std::move(files)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        ::listen(fd_, 8);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TinyServer() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int hits() const { return hits_; }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            std::string request;
            char buf[2048];
            for (int i = 0; i < 100 && request.find("\r\n\r\n") == std::string::npos; ++i) {
                pollfd q{c, POLLIN, 0};
                if (::poll(&q, 1, 50) <= 0) continue;
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0) break;
                request.append(buf, static_cast<size_t>(n));
            }
            ++hits_;
            const size_t s = request.find(' '), e = request.find(' ', s + 1);
            const std::string path = s == std::string::npos ? "" : request.substr(s + 1, e - s - 1);
            auto it = files_.find(path);
            const std::string body = it == files_.end() ? "missing" : it->second;
            const std::string reply = std::string(it == files_.end() ? "HTTP/1.1 404 Not Found" : "HTTP/1.1 200 OK") +
                                      "\r\nContent-Length: " + std::to_string(body.size()) +
                                      "\r\nConnection: close\r\n\r\n" + body;
            (void)::write(c, reply.data(), reply.size());
            ::close(c);
        }
    }
    std::map<std::string, std::string> files_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> hits_{0};
    std::thread thread_;
};

}  // namespace vinra::testing
