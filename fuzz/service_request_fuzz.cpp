// The web service's request handlers behind its guarded server: the input is
// what a client sends on one connection (one or more requests), served over a
// socket pair on this thread.
#include "fuzz/fuzz_support.h"

#include <thread>

#include <sys/socket.h>

#include "service/guarded_server.h"
#include "service/server.h"

using namespace vinra;

namespace {

service::GuardedServer& Server() {
    static service::GuardedServer* svr = [] {
        service::GuardLimits limits;
        limits.headerDeadline = std::chrono::milliseconds(200);
        limits.requestDeadline = std::chrono::milliseconds(500);
        auto* s = new service::GuardedServer(limits);
        static service::VinraService service(
            {VINRA_SOURCE_DIR "/service/data", "http://127.0.0.1:1", [] { return std::string("2026-12-10 12:00"); }});
        service.Register(*s);
        return s;
    }();
    return *svr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    service::GuardedServer& svr = Server();
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    // The client writes everything and closes its sending side, then drains the
    // replies, so neither side waits on the other.
    std::thread client([&] {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::send(fds[0], data + done, size - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::shutdown(fds[0], SHUT_WR);
        char buf[65536];
        while (::recv(fds[0], buf, sizeof buf, 0) > 0) {}
        ::close(fds[0]);
    });
    svr.ServeConnection(fds[1]);
    client.join();
    return 0;
}
