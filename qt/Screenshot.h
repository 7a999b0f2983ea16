#pragma once

#include <QImage>
#include <string>

class QWidget;

namespace platform::qt {

// The window as the user sees it: its own picture with every alert open over it drawn in at its
// place, under a veil as the window lies under a modal alert.
QImage screenshotOf(QWidget* window);

// Writes picture to path as a PNG: into a new file beside it first, then renamed over path, so
// that a symbolic link at path is replaced, never written through, and path never holds half a
// picture. Returns what went wrong, or an empty string.
std::string writeScreenshot(const QImage& picture, const std::string& path);

}  // namespace platform::qt
