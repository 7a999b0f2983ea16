#pragma once

#include <QObject>
#include <QString>

#include "qt/widgets/ReadoutGlyphs.h"

class QLabel;

namespace platform::qt {

// Keeps the degree numbers around a compass rose readable at every heading. The compass empties
// its marker labels with every reading; a marker that its interface file labels with degrees
// ("15°") still shows that number while empty, drawn as the label would draw it. Its text, as
// the logic sees it, stays empty.
class DegreeMarks : public QObject {
    Q_OBJECT

  public:
    // Watches every free label under root whose text is a number of degrees; owned by root.
    static DegreeMarks* attach(QWidget* root);

    static bool isDegreeCaption(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;

    ReadoutGlyphs glyphs_;  // the marks share one font
};

}  // namespace platform::qt
