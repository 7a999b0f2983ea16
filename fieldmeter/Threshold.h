#pragma once

namespace fieldmeter {

// The meter's alarm sounds above the slider's value plus this, in µT.
inline constexpr float kThresholdOffset = 60.0f;

}  // namespace fieldmeter
