#include "qt/sound/AudioTeardown.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform::qt {

namespace {
std::atomic<bool> engineStarted{false};
}

void noteAudioEngineStarted() {
    engineStarted.store(true, std::memory_order_relaxed);
}

int leaveAfterAudio(int status) {
    if (!engineStarted.load(std::memory_order_relaxed)) return status;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

}  // namespace platform::qt
