#pragma once

namespace instrument {

// The meter's alarm rule, in one place: the alarm sounds while the total field is above the
// threshold, the alarm slider's value plus kAlarmOffset µT (the slider runs from 0 to 200 and
// starts at 40: 100 µT). The meter, the label beside its slider and the browser view ask here.
inline constexpr float kAlarmOffset = 60.0f;

inline float alarmThreshold(float sliderValue) {
    return sliderValue + kAlarmOffset;
}

// In single precision, as the meter has always judged it.
inline bool alarmSounds(float sliderValue, float total) {
    return alarmThreshold(sliderValue) < total;
}

}  // namespace instrument
