#include "qt/StopSignals.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace platform::qt {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int wake = -1;
volatile std::sig_atomic_t first = 0;

// Async-signal-safe: a flag, a write, and for a second signal the default action.
extern "C" void onStopSignal(int signal) {
    if (first) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    first = signal;
    if (wake < 0) return;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake, &byte, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals(Reads reads, int wakeFd) {
    first = 0;
    wake = wakeFd;
    for (int signal : kSignals) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = reads == Reads::Restart ? SA_RESTART : 0;
        ::sigaction(signal, &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    for (int signal : kSignals) {
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        if (now.sa_handler == onStopSignal) std::signal(signal, SIG_DFL);
    }
    wake = -1;
}

int StopSignals::received() {
    return first;
}

}  // namespace platform::qt
