#pragma once

class QWidget;

namespace platform {
class ViewController;
}

namespace platform::qt {

// Adds what the platform brings to a freshly bound screen of its own accord: the alarm
// threshold beside the meter's slider, the compass's degree numbers, names for screen readers,
// keyboard use, and growing with the window.
void addScreenExtras(QWidget* root, ViewController& owner);

}  // namespace platform::qt
