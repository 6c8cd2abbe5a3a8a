#include "ui/core/termination.h"

#include <QSocketNotifier>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace vinra::ui {

namespace {

int g_pipe[2] = {-1, -1};  // [0] read by the GUI thread, [1] written by the handler

extern "C" void OnTerminate(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;  // the default end stays
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_pipe[0], &byte, 1) != 1) return;
        emit requested();
    });
    struct sigaction sa {};
    sa.sa_handler = &OnTerminate;
    sigemptyset(&sa.sa_mask);
    // SA_RESETHAND: the next SIGTERM finds the default again and ends the process.
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGTERM, &sa, nullptr);
}

TerminationWatch::~TerminationWatch() {
    if (!notifier_) return;
    std::signal(SIGTERM, SIG_DFL);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationWatch::EndProcessAfter(int ms) {
    std::thread([ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::_exit(0);
    }).detach();
}

}  // namespace vinra::ui
