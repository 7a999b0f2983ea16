#pragma once

#include <QObject>
#include <QWidget>
#include <optional>

#include "qt/widgets/Backdrop.h"
#include "qt/widgets/ReadoutGlyphs.h"

namespace platform::qt {

// Makes a readout opaque: each of its paints starts from a cached picture of what lies beneath
// it, so a new value repaints the readout alone, not the styled panel and the screen under it.
// While the readout is drawn through an effect (dimmed), Qt paints what lies beneath it again
// anyway, and the picture is left out. While a screen holding it fades, it is not opaque at all:
// the picture would be drawn through the fade twice. A label's plain text is drawn from kept
// glyphs, without being laid out again.
class OpaqueReadout : public QObject {
  public:
    // Owned by w.
    static void attach(QWidget* w);
    // The readouts in root paint as plain widgets while suspended.
    static void setSuspended(QWidget* root, bool suspended);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit OpaqueReadout(QWidget* w);

    // Whether the style draws nothing under w (a style sheet that gives it no background or
    // border): then nothing but the picture beneath and the text is painted.
    bool styledBackgroundIsEmpty(QWidget* w);

    Backdrop* backdrop_;  // owned by the widget
    std::optional<bool> emptyStyledBackground_;
    ReadoutGlyphs glyphs_;
    bool suspended_ = false;  // while its screen fades
};

}  // namespace platform::qt
