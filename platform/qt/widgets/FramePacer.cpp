#include "platform/qt/widgets/FramePacer.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>

namespace platform::qt {

FramePacer::FramePacer(QWidget* window, int intervalMs)
    : window_(window), intervalMs_(intervalMs > 0 ? intervalMs : kDefaultIntervalMs) {
    clock_.start();
    deferred_.setSingleShot(true);
    connect(&deferred_, &QTimer::timeout, this, [this] { paintNow(); });
    // Layout requests go to whichever widget holds a top-level layout, so the whole
    // application's events are watched, not only the window's.
    if (window && qApp) qApp->installEventFilter(this);
}

FramePacer::~FramePacer() {
    if (qApp) qApp->removeEventFilter(this);
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (delivering_ || !window_ || (type != QEvent::UpdateRequest && type != QEvent::LayoutRequest))
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget ||
        (type == QEvent::UpdateRequest ? widget != window_ : widget->window() != window_))
        return false;
    const qint64 now = clock_.elapsed();
    if (!deferred_.isActive() && (lastFrameMs_ < 0 || now - lastFrameMs_ >= intervalMs_)) {
        // A layout pass alone is no frame; the repaint that follows it is.
        if (type == QEvent::UpdateRequest) {
            lastFrameMs_ = now;
            ++frames_;
        }
        return false;  // Qt serves it now
    }
    // Until Qt sees a request served it posts no other, and only marks later changes: the
    // frame at the end of the interval serves them all.
    ++putOff_;
    if (type == QEvent::UpdateRequest)
        updatePending_ = true;
    else if (std::find(layoutsPending_.begin(), layoutsPending_.end(), widget) ==
             layoutsPending_.end())
        layoutsPending_.emplace_back(widget);
    if (!deferred_.isActive())
        deferred_.start(static_cast<int>(intervalMs_ - (now - lastFrameMs_)));
    return true;
}

void FramePacer::paintNow() {
    if (!window_) return;
    delivering_ = true;
    const auto layouts = std::move(layoutsPending_);
    layoutsPending_.clear();
    for (const QPointer<QWidget>& widget : layouts) {
        if (!widget) continue;
        QEvent layout(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(widget, &layout);
    }
    if (updatePending_ && window_) {
        updatePending_ = false;
        lastFrameMs_ = clock_.elapsed();
        ++frames_;
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window_, &request);
    }
    delivering_ = false;
}

}  // namespace platform::qt
