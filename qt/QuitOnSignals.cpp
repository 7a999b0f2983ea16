#include "qt/QuitOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace platform::qt {

QuitOnSignals::QuitOnSignals() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then signals act as they would
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitOnSignals::received);
    signals_ = std::make_unique<StopSignals>(StopSignals::Reads::Restart, pipe_[1]);
}

QuitOnSignals::~QuitOnSignals() {
    if (pipe_[0] < 0) return;
    signals_.reset();
    notifier_.reset();
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void QuitOnSignals::received() {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    const char* name = sigabbrev_np(StopSignals::received());
    std::fprintf(stderr, "fluxprobe: SIG%s: quitting; another one ends fluxprobe at once\n",
                 name ? name : "?");
    std::fflush(stderr);
    QCoreApplication::quit();
}

}  // namespace platform::qt
