#pragma once

#include <functional>

class QObject;
class QWidget;

namespace platform::qt {

// How long a screen presented over another takes to fade in or out.
inline constexpr int kFadeMilliseconds = 250;

// Fades a widget's opacity from one value to another, then runs done (if the widget still
// exists). The effect is removed at the end, so a shown screen paints at full speed. The
// animation belongs to context.
void fade(QWidget* widget, QObject* context, double from, double to, std::function<void()> done);

}  // namespace platform::qt
