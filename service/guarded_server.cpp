#include "service/guarded_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vinra::service {
namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline, std::chrono::milliseconds cap) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), cap).count());
}

void AddressOf(socket_t sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const int rc = peer ? ::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                        : ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    ip.clear();
    port = -1;
    if (rc != 0) return;
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&addr);
        ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        port = ntohs(a->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&addr);
        ::inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        port = ntohs(a->sin6_port);
    }
    ip = text;
}

// The connection as the library's stream: bytes already read (the header
// block) first, then the socket, every wait bounded by a deadline.
class GuardedStream : public httplib::Stream {
public:
    explicit GuardedStream(socket_t sock) : sock_(sock) {}

    void setDeadline(Clock::time_point d) { deadline_ = d; }
    // True once a wait for the client ran out of time: the connection is not kept.
    bool stalled() const { return stalled_; }
    // The longest single wait for the socket (0: only the deadline counts).
    void setIdleLimit(std::chrono::milliseconds idle) { idle_ = idle; }
    std::string& pending() { return pending_; }
    size_t& offset() { return offset_; }

    bool is_readable() const override { return offset_ < pending_.size() || Wait(POLLIN); }
    bool is_writable() const override { return Wait(POLLOUT); }

    ssize_t read(char* ptr, size_t size) override {
        if (offset_ < pending_.size()) {
            const size_t n = std::min(size, pending_.size() - offset_);
            std::memcpy(ptr, pending_.data() + offset_, n);
            offset_ += n;
            if (offset_ == pending_.size()) {
                pending_.clear();
                offset_ = 0;
            }
            return static_cast<ssize_t>(n);
        }
        return Receive(ptr, size);
    }

    ssize_t write(const char* ptr, size_t size) override {
        size_t done = 0;
        while (done < size) {
            if (!Wait(POLLOUT)) return done ? static_cast<ssize_t>(done) : -1;
            const ssize_t n = ::send(sock_, ptr + done, size - done, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                return done ? static_cast<ssize_t>(done) : -1;
            }
            done += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(done);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { AddressOf(sock_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { AddressOf(sock_, false, ip, port); }
    socket_t socket() const override { return sock_; }

    // Reads from the socket into the buffer: the count, 0 at the end of the
    // stream, -1 on an error or when the deadline passed.
    ssize_t Fill(size_t max) {
        const size_t at = pending_.size();
        pending_.resize(at + max);
        const ssize_t n = Receive(pending_.data() + at, max);
        pending_.resize(at + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        return n;
    }

private:
    bool Wait(short events) const {
        const Clock::time_point until =
            idle_.count() > 0 ? std::min(deadline_, Clock::now() + idle_) : deadline_;
        for (;;) {
            pollfd p{sock_, events, 0};
            const int rc = ::poll(&p, 1, MillisLeft(until, std::chrono::milliseconds(5000)));
            if (rc > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
            if (rc == 0) {
                // The per-wait cap passed: go on waiting while the deadline and the idle limit allow.
                if (Clock::now() >= until) {
                    stalled_ = true;
                    return false;
                }
                continue;
            }
            if (errno != EINTR) return false;
        }
    }
    ssize_t Receive(char* ptr, size_t size) {
        if (!Wait(POLLIN)) return -1;
        for (;;) {
            const ssize_t n = ::recv(sock_, ptr, size, 0);
            if (n < 0 && errno == EINTR) continue;
            return n;
        }
    }

    socket_t sock_;
    Clock::time_point deadline_ = Clock::now();
    std::chrono::milliseconds idle_{0};
    mutable bool stalled_ = false;  // a wait ran out of time
    std::string pending_;
    size_t offset_ = 0;
};

enum class HeaderRead { Complete, Closed, TimedOut, TooLarge };

// Reads until the blank line that ends the header block, which then lies at
// the start of the stream's buffer (with whatever came after it).
HeaderRead ReadHeaderBlock(GuardedStream& s, size_t maxBytes, size_t& blockEnd) {
    std::string& buf = s.pending();
    if (s.offset() > 0) {
        buf.erase(0, s.offset());
        s.offset() = 0;
    }
    size_t searched = 0;
    for (;;) {
        const size_t at = buf.find("\r\n\r\n", searched > 3 ? searched - 3 : 0);
        if (at != std::string::npos && at + 4 <= maxBytes) {
            blockEnd = at + 4;
            return HeaderRead::Complete;
        }
        if (buf.size() >= maxBytes) return HeaderRead::TooLarge;
        searched = buf.size();
        const ssize_t n = s.Fill(std::min<size_t>(4096, maxBytes - buf.size()));
        if (n == 0) return buf.empty() ? HeaderRead::Closed : HeaderRead::TimedOut;
        if (n < 0) return buf.empty() ? HeaderRead::Closed : HeaderRead::TimedOut;
    }
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Drops Range header lines that would cost more than they are worth.
void DropCostlyRanges(std::string& buf, size_t& blockEnd, size_t maxRanges) {
    size_t lineStart = buf.find("\r\n");
    while (lineStart != std::string::npos && lineStart + 2 < blockEnd) {
        const size_t begin = lineStart + 2;
        const size_t end = buf.find("\r\n", begin);
        if (end == std::string::npos || end >= blockEnd) break;
        const std::string line = buf.substr(begin, end - begin);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && LowerAscii(line.substr(0, colon)) == "range" &&
            RangesTooCostly(line.substr(colon + 1), maxRanges)) {
            buf.erase(begin, end + 2 - begin);
            blockEnd -= end + 2 - begin;
            continue;  // the next line now starts at begin
        }
        lineStart = end;
    }
}

bool SendPlain(GuardedStream& s, int status, const char* reason) {
    const std::string body = std::string(reason) + "\n";
    const std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                              "\r\nContent-Type: text/plain; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
    return s.write(reply.data(), reply.size()) == static_cast<ssize_t>(reply.size());
}

std::optional<uint64_t> Number(std::string_view s) {
    if (s.empty() || s.size() > 18) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return v;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool RangesTooCostly(const std::string& value, size_t maxRanges) {
    std::string_view v = TrimSpaces(value);
    const size_t eq = v.find('=');
    if (eq == std::string_view::npos) return false;  // not a byte range: the library answers it
    v.remove_prefix(eq + 1);
    struct Span {
        uint64_t first, last;  // last inclusive; UINT64_MAX: to the end
    };
    std::vector<Span> spans;
    bool suffix = false;
    size_t count = 0;
    while (!v.empty()) {
        const size_t comma = v.find(',');
        const std::string_view part = TrimSpaces(v.substr(0, comma));
        v = comma == std::string_view::npos ? std::string_view() : v.substr(comma + 1);
        if (part.empty()) continue;
        if (++count > maxRanges) return true;
        const size_t dash = part.find('-');
        if (dash == std::string_view::npos) return false;
        const auto a = Number(part.substr(0, dash)), b = Number(part.substr(dash + 1));
        if (!a) {
            // "-500": the last 500 bytes, where that starts depends on the body.
            if (suffix || !spans.empty()) return true;
            suffix = true;
            continue;
        }
        const Span span{*a, b ? *b : UINT64_MAX};
        if (suffix) return true;
        for (const Span& o : spans)
            if (span.first <= o.last && o.first <= span.last) return true;
        spans.push_back(span);
    }
    return false;
}

GuardedServer::GuardedServer(GuardLimits limits) : limits_(limits) {
    const size_t threads = std::max<size_t>(limits_.threads, 2);
    new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
}

void GuardedServer::ServeConnection(socket_t sock) { process_and_close_socket(sock); }

bool GuardedServer::bind_to_port(const std::string& host, int port, int socket_flags) {
    if (!httplib::Server::bind_to_port(host, port, socket_flags)) return false;
    ::listen(svr_sock_, limits_.listenBacklog);  // a listening socket takes the new backlog
    return true;
}

int GuardedServer::bind_to_any_port(const std::string& host, int socket_flags) {
    const int port = httplib::Server::bind_to_any_port(host, socket_flags);
    if (port >= 0) ::listen(svr_sock_, limits_.listenBacklog);
    return port;
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    GuardedStream stream(sock);
    std::string remoteIp, localIp;
    int remotePort = -1, localPort = -1;
    stream.get_remote_ip_and_port(remoteIp, remotePort);
    stream.get_local_ip_and_port(localIp, localPort);

    // One address holds at most so many workers; a connection past that is
    // told so at once, which costs a worker only for that moment.
    const bool counted = limits_.maxConnectionsPerAddress > 0 &&
                         (limits_.limitLoopback || !(remoteIp.rfind("127.", 0) == 0 || remoteIp == "::1" ||
                                                     remoteIp.rfind("::ffff:127.", 0) == 0));
    bool admitted = true;
    if (counted) {
        std::lock_guard lock(openMutex_);
        size_t& n = open_[remoteIp];
        if (n >= limits_.maxConnectionsPerAddress) admitted = false;
        else ++n;
    }
    if (!admitted) {
        stream.setDeadline(Clock::now() + std::chrono::milliseconds(1000));
        SendPlain(stream, 429, "Too Many Requests");
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return true;
    }
    struct Release {
        GuardedServer* self;
        const std::string& ip;
        bool counted;
        ~Release() {
            if (!counted) return;
            std::lock_guard lock(self->openMutex_);
            if (--self->open_[ip] == 0) self->open_.erase(ip);
        }
    } release{this, remoteIp, counted};

    for (size_t served = 0; served < std::max<size_t>(keep_alive_max_count_, 1); ++served) {
        if (served > 0) {
            // A kept-alive connection whose next request does not begin soon
            // gives its worker back; the client reconnects when it needs to.
            stream.setIdleLimit(std::chrono::milliseconds(0));
            stream.setDeadline(Clock::now() + limits_.keepAliveWait);
            if (!stream.is_readable()) break;
        }
        stream.setIdleLimit(std::chrono::milliseconds(0));
        stream.setDeadline(Clock::now() + limits_.headerDeadline);
        size_t blockEnd = 0;
        const HeaderRead h = ReadHeaderBlock(stream, limits_.maxHeaderBytes, blockEnd);
        if (h == HeaderRead::Closed) break;
        if (h == HeaderRead::TooLarge) {
            SendPlain(stream, 431, "Request Header Fields Too Large");
            break;
        }
        if (h == HeaderRead::TimedOut) {
            SendPlain(stream, 408, "Request Timeout");
            break;
        }
        DropCostlyRanges(stream.pending(), blockEnd, limits_.maxRanges);
        stream.setDeadline(Clock::now() + limits_.requestDeadline);
        stream.setIdleLimit(limits_.idleLimit);
        const bool last = served + 1 >= keep_alive_max_count_ || !is_running();
        bool closed = false;
        const bool ok = process_request(stream, last, closed, [&](httplib::Request& req) {
            req.remote_addr = remoteIp;
            req.remote_port = remotePort;
            req.local_addr = localIp;
            req.local_port = localPort;
        });
        if (!ok || closed || last || stream.stalled()) break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return true;
}

}  // namespace vinra::service
