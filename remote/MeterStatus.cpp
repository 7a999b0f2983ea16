#include "remote/MeterStatus.h"

#include <cstdio>

#include "heading/SignalWatch.h"
#include "instrument/Instrument.h"
#include "instrument/Units.h"

namespace remote {

namespace {

// A file name is the user's: quotes, backslashes and control characters are escaped.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace

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
           s.units + "\",\"recording\":" + flag(s.recording) +
           ",\"calibrated\":" + flag(s.calibrated) +
           ",\"replay\":" + (s.replay.empty() ? std::string("null") : jsonString(s.replay)) + "}";
}

}  // namespace remote
