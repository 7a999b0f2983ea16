#pragma once

#include <Qt>

class QWidget;

namespace platform::qt {

// Puts widget in a row of its own right under screen's header row (the title's), where it covers
// no control however narrow the window; false, and nothing done, when the screen has no header.
bool insertUnderHeader(QWidget* screen, QWidget* widget, Qt::Alignment alignment = {});

}  // namespace platform::qt
