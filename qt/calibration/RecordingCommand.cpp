#include "qt/calibration/RecordingCommand.h"

#include <csignal>
#include <iostream>

#include "heading/SourceChoice.h"
#include "heading/SourceError.h"
#include "heading/calibration/RecordingCalibration.h"
#include "qt/Options.h"

namespace platform::qt {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t received = 0;

// The first signal asks the work to stop; a second ends the program at once, as it would have.
extern "C" void onStopSignal(int signal) {
    if (received) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    received = signal;
}

// While it lives, Ctrl+C, SIGTERM and SIGHUP ask the calibration to stop instead of killing
// the program. Without SA_RESTART, so that a read waiting on a FIFO returns to look. A signal
// ignored when we started (nohup) stays ignored.
class StopOnSignals {
  public:
    StopOnSignals() {
        received = 0;
        for (int signal : kSignals) {
            struct sigaction old {};
            ::sigaction(signal, nullptr, &old);
            if (old.sa_handler == SIG_IGN) continue;
            struct sigaction action {};
            action.sa_handler = onStopSignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    }
    ~StopOnSignals() {
        for (int signal : kSignals) {
            struct sigaction now {};
            ::sigaction(signal, nullptr, &now);
            if (now.sa_handler == onStopSignal) std::signal(signal, SIG_DFL);
        }
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
};

}  // namespace

std::optional<int> calibrateFromRecordingIfAsked(const std::vector<std::string>& args) {
    Options options;
    heading::SourceChoice choice;
    try {
        options = parseOptions(args);
        if (!options.calibrate) return std::nullopt;
        choice = heading::parseSourceChoice(options.source.spec);
    } catch (const std::exception&) {
        return std::nullopt;  // the normal start reports it, as for any run
    }
    if (choice.kind != heading::SourceChoice::Kind::Replay) return std::nullopt;
    if (options.source.calibrationOut.empty()) {
        std::cerr << "fluxprobe: --calibrate from a replay needs --calibration-out=FILE, the file "
                     "to write the calibration to"
                  << std::endl;
        return 2;
    }
    const StopOnSignals stopOnSignals;
    return heading::calibration::calibrateRecording(
        choice.file, options.source.calibrationOut, options.source.referenceField, std::cout,
        std::cerr, [] { return static_cast<int>(received); });
}

}  // namespace platform::qt
