#include "qt/widgets/FrameClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <iterator>

#include "qt/EndLoopOnException.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {
FrameClock* currentClock = nullptr;
}

FrameClock::FrameClock(QWidget* window, int intervalMs)
    : window_(window), intervalMs_(intervalMs > 0 ? intervalMs : kIntervalMs) {
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { flush(); });
    currentClock = this;
}

FrameClock::~FrameClock() {
    if (currentClock == this) currentClock = nullptr;
    afterFrame_ = nullptr;
    window_ = nullptr;
    flush();  // nothing the logic showed is left unshown
    releaseHeld();
}

FrameClock* FrameClock::current() {
    return currentClock;
}

void FrameClock::hold(WidgetPeer* peer) {
    pending_.emplace_back(peer);
    if (timer_.isActive()) return;
    firstChangeMs_ = clock_.elapsed();
    const qint64 since = firstChangeMs_ - lastFrameMs_;
    timer_.start(static_cast<int>(std::clamp<qint64>(intervalMs_ - since, 0, intervalMs_)));
}

void FrameClock::flush() {
    timer_.stop();
    if (pending_.empty()) return;
    lastFrameMs_ = firstChangeMs_;
    std::vector<QPointer<WidgetPeer>> due;
    due.swap(pending_);
    // What was held is due again, in case its cover went without releasing it.
    due.insert(due.end(), std::make_move_iterator(held_.begin()),
               std::make_move_iterator(held_.end()));
    held_.clear();
    endLoopOnException([&] {
        for (QPointer<WidgetPeer>& peer : due) {
            if (!peer) continue;
            if (ScreenWidget::isCovered(peer->widget()))
                held_.push_back(std::move(peer));
            else
                peer->applyPending();
        }
    });
    if (!window_) return;
    // A view the changes showed or hid asked for a layout pass, which may ask for its parent's:
    // both belong to this frame, or they would cost a frame of their own.
    for (int round = 0; round < 2; ++round)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // Paints and flushes what the changes touched now, instead of on a later turn of the loop.
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window_, &request);
    QCoreApplication::removePostedEvents(window_, QEvent::UpdateRequest);
    ++frames_;
    if (afterFrame_) afterFrame_();
}

void FrameClock::releaseHeld() {
    std::vector<QPointer<WidgetPeer>> due;
    due.swap(held_);
    endLoopOnException([&] {
        for (const QPointer<WidgetPeer>& peer : due)
            if (peer) peer->applyPending();
    });
}

}  // namespace platform::qt
