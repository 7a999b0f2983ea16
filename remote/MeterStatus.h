#pragma once

#include <cstdint>
#include <string>

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
};

// {"signal":…,"samples":N,"held":bool,"relative":bool,"units":…,"recording":bool,
//  "calibrated":bool,"replay":"NAME" or null}
std::string statusJson(const MeterStatus& status);

}  // namespace remote
