#include "qt/QuitOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace platform::qt {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int wakeFd = -1;
volatile std::sig_atomic_t asked = 0;

// Async-signal-safe: a flag, a write, and for a second signal the default action.
extern "C" void onSignal(int signal) {
    if (asked) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    asked = signal;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd, &byte, 1);
    errno = saved;
}

}  // namespace

QuitOnSignals::QuitOnSignals() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then signals act as they would
    wakeFd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitOnSignals::received);
    for (int signal : kSignals) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

QuitOnSignals::~QuitOnSignals() {
    if (pipe_[0] < 0) return;
    for (int signal : kSignals) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        if (old.sa_handler == onSignal) std::signal(signal, SIG_DFL);
    }
    notifier_.reset();
    wakeFd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void QuitOnSignals::received() {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    const char* name = sigabbrev_np(asked);
    std::fprintf(stderr, "fluxprobe: SIG%s: quitting; another one ends fluxprobe at once\n",
                 name ? name : "?");
    std::fflush(stderr);
    QCoreApplication::quit();
}

}  // namespace platform::qt
