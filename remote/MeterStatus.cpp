#include "remote/MeterStatus.h"

#include "heading/SignalWatch.h"
#include "instrument/Instrument.h"
#include "instrument/Units.h"

namespace remote {

MeterStatus meterStatusOf(const heading::SignalWatch& signal, std::uint64_t samples,
                          const instrument::Instrument& instrument, bool recording) {
    MeterStatus status;
    status.signal = signal.key();
    status.samples = samples;
    status.held = instrument.held();
    status.relative = instrument.relative();
    status.units = instrument::unitKey(instrument.unit());
    status.recording = recording;
    return status;
}

SignalState signalStateOf(const heading::SignalWatch& signal) {
    if (signal.state() == heading::SignalWatch::State::None)
        return {"none", "No magnetometer found"};
    return {signal.key(), signal.text()};
}

std::string statusJson(const MeterStatus& s) {
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    // signal and units come from fixed sets of plain words: nothing to escape.
    return "{\"signal\":\"" + s.signal + "\",\"samples\":" + std::to_string(s.samples) +
           ",\"held\":" + flag(s.held) + ",\"relative\":" + flag(s.relative) + ",\"units\":\"" +
           s.units + "\",\"recording\":" + flag(s.recording) + "}";
}

}  // namespace remote
