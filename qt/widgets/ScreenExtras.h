#pragma once

class QWidget;

namespace platform::qt {

// Adds what the platform brings to a freshly bound screen of its own accord: keyboard use, and
// growing with the window.
void addScreenExtras(QWidget* root);

}  // namespace platform::qt
