#pragma once

#include <QBoxLayout>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace platform::qt {

class ThresholdLabel;

// The named parts of the meter's window that the platform's own controls are built around (the
// header and controls rows, the screen's column, the compass button, the unit's caption),
// gathered once as the window's interface file is loaded (the loader hands back only the top
// widget) and held by the window from then on: nothing searches the window for them again.
class WindowParts : public QObject {
    Q_OBJECT

  public:
    // The window's parts, gathered on first asking and kept as a child of the window.
    static WindowParts& of(QWidget* window);

    // The object named name in the window's interface file, if it is a T.
    template <class T>
    T* named(const char* name) const {
        return qobject_cast<T*>(named_.value(QString::fromLatin1(name)).data());
    }

    // The label the platform put beside the alarm slider, once it has.
    QPointer<ThresholdLabel> thresholdLabel;

  private:
    explicit WindowParts(QWidget* window);

    QHash<QString, QPointer<QObject>> named_;
};

}  // namespace platform::qt
