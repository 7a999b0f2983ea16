#include "remote/MeterStatus.h"

#include <cmath>
#include <cstdio>

#include "heading/SignalWatch.h"
#include "heading/UtcTime.h"
#include "instrument/Instrument.h"
#include "instrument/Units.h"
#include "publish/Messages.h"

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

namespace {

std::string dbdtJson(const MeterStatus& s) {
    if (!s.station) return {};
    if (!s.rate || !std::isfinite(s.rate->nanoteslaPerMinute)) return ",\"dbdt\":null";
    const heading::UtcTime t = heading::UtcTime::fromSeconds(s.rate->minute);
    char text[160];
    std::snprintf(text, sizeof text,
                  ",\"dbdt\":{\"minute\":\"%04d-%02d-%02dT%02d:%02d:00Z\",\"ntPerMinute\":%.2f,"
                  "\"alert\":%s}",
                  t.year, t.month, t.day, t.hour, t.minute, s.rate->nanoteslaPerMinute,
                  s.rate->alert ? "true" : "false");
    return text;
}

}  // namespace

std::string statusJson(const MeterStatus& s) {
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    // signal and units come from fixed sets of plain words: nothing to escape.
    return "{\"signal\":\"" + s.signal + "\",\"samples\":" + std::to_string(s.samples) +
           ",\"held\":" + flag(s.held) + ",\"relative\":" + flag(s.relative) + ",\"units\":\"" +
           s.units + "\",\"recording\":" + flag(s.recording) +
           ",\"calibrated\":" + flag(s.calibrated) + ",\"replay\":" +
           (s.replay.empty() ? std::string("null") : publish::jsonString(s.replay)) + dbdtJson(s) +
           "}";
}

}  // namespace remote
