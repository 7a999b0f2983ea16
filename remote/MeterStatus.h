#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace heading {
class SignalWatch;
}
namespace instrument {
class Instrument;
}

namespace remote {

// The meter's state as the remote view reports it at /api/v1/status.
struct MeterStatus {
    // "live", "stale" (no sample for a while), "ended" (a replay's end), "denied" (the sensor may
    // not be read) or "none" (no magnetometer).
    std::string signal = "none";
    std::uint64_t samples = 0;
    bool held = false;
    bool relative = false;
    std::string units = "uT";  // uT, nT, mG or G
    bool recording = false;
    bool calibrated = false;  // a calibration corrects the samples
    std::string replay;       // the replayed file's name; empty for a live source
    // A station's latest change of the horizontal field from one minute to the next.
    struct Rate {
        std::int64_t minute = 0;  // the later minute, seconds since the epoch
        double nanoteslaPerMinute = 0.0;
        bool alert = false;  // at or above --station-alert
    };
    bool station = false;  // a station runs: dbdt is there, null until its second minute
    std::optional<Rate> rate;
};

// The meter's signal as it is shown: live, stale, ended, denied or none, and the status line
// ("No signal — the replay has ended"; empty while live).
struct SignalState {
    std::string signal = "none";
    std::string text;
};

// The meter's state now: the signal as the watch sees it, the samples delivered, the
// instrument's hold, zero and unit, and whether a recording is written.
MeterStatus meterStatusOf(const heading::SignalWatch& signal, std::uint64_t samples,
                          const instrument::Instrument& instrument, bool recording);
SignalState signalStateOf(const heading::SignalWatch& signal);

// {"signal":…,"samples":N,"held":bool,"relative":bool,"units":…,"recording":bool,
//  "calibrated":bool,"replay":"NAME" or null}, and with a station
// ,"dbdt":{"minute":"2018-09-01T23:05:00Z","ntPerMinute":1.25,"alert":false} (null before it has
// two minutes).
std::string statusJson(const MeterStatus& status);

}  // namespace remote
