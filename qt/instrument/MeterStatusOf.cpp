#include "qt/instrument/MeterStatusOf.h"

#include <filesystem>

#include "heading/HeadingService.h"
#include "instrument/Instrument.h"
#include "qt/widgets/SignalStatus.h"

namespace platform::qt {

remote::MeterStatus meterStatusOf(const heading::HeadingService& service,
                                  const SignalStatus* signal,
                                  const instrument::Instrument& instrument, bool recording,
                                  const std::string& replayFile) {
    remote::MeterStatus status;
    if (!service.headingAvailable() || !signal)
        status.signal = "none";
    else if (signal->hasEnded())
        status.signal = "ended";
    else if (signal->isStopped())
        status.signal = "denied";
    else
        status.signal = signal->isStale() ? "stale" : "live";
    status.samples = service.samplesDelivered();
    status.held = instrument.held();
    status.relative = instrument.relative();
    status.units = instrument::unitKey(instrument.unit());
    status.recording = recording;
    status.calibrated = service.correction().has_value();
    status.replay = std::filesystem::path(replayFile).filename().string();
    return status;
}

}  // namespace platform::qt
