#pragma once

#include <QEvent>
#include <QObject>

namespace fluxprobe_qt_test {

// Counts the layout requests a widget receives.
class LayoutRequests : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) ++count;
        return false;
    }
};

}  // namespace fluxprobe_qt_test
