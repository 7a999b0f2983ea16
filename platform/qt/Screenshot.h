#pragma once

#include <QImage>

class QWidget;

namespace platform::qt {

// The window as the user sees it: its own picture with every alert open over it drawn in at its
// place, under a veil as the window lies under a modal alert.
QImage screenshotOf(QWidget* window);

}  // namespace platform::qt
