#pragma once
// The web service's HTTP server: cpp-httplib's server with limits that hostile
// clients cannot get around. The library reads a request's headers with an idle
// time-out per read and no bound on their number, so a client sending a byte
// every few seconds holds a worker for ever, and a flood of header lines takes
// memory without end. Here each connection's header block is read first, with a
// total deadline and a size limit, and only then handed to the library.
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vinra::service {

struct GuardLimits {
    // From the first byte awaited to the end of the header block.
    std::chrono::milliseconds headerDeadline{10'000};
    // From the end of the header block to the end of the reply.
    std::chrono::milliseconds requestDeadline{120'000};
    // Request line and header lines together; a larger block gets 431.
    size_t maxHeaderBytes = 64 * 1024;
    // A Range header with more ranges than this, or with overlapping ranges,
    // is ignored: the whole body is sent once.
    size_t maxRanges = 16;
    // Once the header block is in: the longest wait for the next byte of the
    // body (or for the client to take the next part of the reply). A client
    // that announces a body and stalls is cut off after this, not after the
    // request deadline.
    std::chrono::milliseconds idleLimit{5'000};
    // Between requests on a kept-alive connection: how long a worker waits
    // for the next one to begin.
    std::chrono::milliseconds keepAliveWait{2'000};
    // Workers; slow clients are cut off at the header deadline, so this many
    // slow clients delay others by at most that long.
    size_t threads = 32;
    // Connections one client address may hold at once (0: no limit); one
    // address can so take at most this many workers. Addresses of this machine
    // are not limited unless limitLoopback is set: a reverse proxy in front of
    // the service connects from there for every client.
    size_t maxConnectionsPerAddress = 8;
    bool limitLoopback = false;
    // Connections the kernel holds until the service accepts them. The
    // library's own 5 drops the connects of a burst of reloads, which the
    // clients then repeat only after a second or three.
    int listenBacklog = 1024;
};

// True when a Range header value asks for more than maxRanges ranges or for
// ranges that overlap (open-ended and suffix ranges overlap any other).
bool RangesTooCostly(const std::string& value, size_t maxRanges);

class GuardedServer : public httplib::Server {
public:
    explicit GuardedServer(GuardLimits limits = {});

    // Serves one connection on the calling thread and closes it (the fuzz
    // target hands it one end of a socket pair).
    void ServeConnection(socket_t sock);

    const GuardLimits& limits() const { return limits_; }

    // As the library's, with the listen backlog of the limits.
    bool bind_to_port(const std::string& host, int port, int socket_flags = 0);
    int bind_to_any_port(const std::string& host, int socket_flags = 0);

private:
    bool process_and_close_socket(socket_t sock) override;

    GuardLimits limits_;
    std::mutex openMutex_;
    std::unordered_map<std::string, size_t> open_;  // connections per client address
};

}  // namespace vinra::service
