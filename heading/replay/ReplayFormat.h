#pragma once

namespace heading {

// The first line of every replay and record file.
inline constexpr const char* kReplayHeader = "t,x,y,z,magneticHeading,trueHeading";

}  // namespace heading
