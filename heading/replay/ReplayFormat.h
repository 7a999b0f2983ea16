#pragma once

namespace heading {

// The first line of every replay and record file.
inline constexpr const char* kReplayHeader = "t,x,y,z,magneticHeading,trueHeading";
// The same for a source with an accelerometer: its reading in device axes (m/s², 0,0,+9.81 when
// flat and screen up) follows, so that a replay can be tilt-compensated.
inline constexpr const char* kReplayHeaderWithGravity =
    "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz";

inline const char* replayHeader(bool gravity) {
    return gravity ? kReplayHeaderWithGravity : kReplayHeader;
}

// A source without an accelerometer gives gravity as 0,0,0.
template <typename Sample>
bool carriesGravity(const Sample& h) {
    return h.gravityX != 0.0 || h.gravityY != 0.0 || h.gravityZ != 0.0;
}

}  // namespace heading
