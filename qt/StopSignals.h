#pragma once

namespace platform::qt {

// While it lives, Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the program to stop instead of ending
// it: the first is noted, and a byte written to wakeFd for a loop that waits on it. A second ends
// the program at once, as the signal would have. A signal ignored when we started (nohup) stays
// ignored. One at a time per process.
class StopSignals {
  public:
    // Interrupted: a read that waits (on a FIFO) returns, so that the one waiting can look.
    enum class Reads { Restart, Interrupted };

    explicit StopSignals(Reads reads, int wakeFd = -1);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal caught, or 0.
    static int received();
};

}  // namespace platform::qt
