#include "qt/widgets/FramePacer.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>

#include "qt/widgets/PeerBatch.h"

namespace platform::qt {

FramePacer::FramePacer(QWidget* window, int intervalMs)
    : window_(window), intervalMs_(intervalMs > 0 ? intervalMs : kDefaultIntervalMs) {
    clock_.start();
    deferred_.setSingleShot(true);
    connect(&deferred_, &QTimer::timeout, this, [this] { paintNow(); });
    settled_.setSingleShot(true);
    settled_.setInterval(0);
    connect(&settled_, &QTimer::timeout, this, [this] { framePainted(); });
    // Layout requests go to whichever widget holds a top-level layout, and paints to every
    // widget, so the whole application's events are watched, not only the window's.
    if (window && qApp) qApp->installEventFilter(this);
}

FramePacer::~FramePacer() {
    if (qApp) qApp->removeEventFilter(this);
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!window_ ||
        (type != QEvent::UpdateRequest && type != QEvent::LayoutRequest && type != QEvent::Paint))
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_) return false;
    if (type == QEvent::Paint) {
        // A frame is a flush with something painted. Qt flushes right after the paints it
        // delivers, so a paint outside the pacer's own frames (an expose) ends with the turn.
        if (!painting_) {
            painting_ = true;
            if (!delivering_) settled_.start();
        }
        return false;
    }
    if (delivering_) {
        if (type == QEvent::LayoutRequest) ++layoutsDelivered_;
        return false;
    }
    if (type == QEvent::UpdateRequest) {
        if (widget != window_) return false;
        updatePending_ = true;
    } else if (std::find(layoutsPending_.begin(), layoutsPending_.end(), widget) ==
               layoutsPending_.end()) {
        layoutsPending_.emplace_back(widget);
    }
    schedule();
    return true;
}

void FramePacer::requestFrame() {
    framePending_ = true;
    schedule();
}

void FramePacer::carry(PeerBatch& batch) {
    QPointer<FramePacer> self(this);
    batch.followFrames([self] {
        if (self) self->requestFrame();
    });
    QPointer<PeerBatch> carried(&batch);
    beforeEachFrame([carried] {
        if (carried) carried->flush();
    });
}

void FramePacer::schedule() {
    if (deferred_.isActive()) {
        ++putOff_;
        return;
    }
    const qint64 since = clock_.elapsed() - lastFrameMs_;
    if (lastFrameMs_ >= 0 && since < intervalMs_) ++putOff_;
    // Even when due now, on the next turn: a batch of samples is delivered in one turn.
    deferred_.start(static_cast<int>(
        lastFrameMs_ < 0 ? 0 : std::clamp<qint64>(intervalMs_ - since, 0, intervalMs_)));
}

void FramePacer::paintNow() {
    if (!window_) return;
    delivering_ = true;
    if (framePending_ || updatePending_ || !layoutsPending_.empty()) {
        framePending_ = false;
        if (beforeFrame_) beforeFrame_();
        // A view the changes above showed or hid, or a readout that had to grow, asked for a
        // layout pass: it belongs to this frame. Left for later, it would cost a frame of its
        // own and push the next samples' frame back by a whole interval. A pass can ask for
        // its parent's, which Qt keeps for the next round: a few rounds reach the window. A
        // round that found none ends them (each round wakes the event loop once more).
        for (int round = 0; round < kLayoutRounds; ++round) {
            layoutsDelivered_ = 0;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            if (layoutsDelivered_ == 0) break;
        }
        const auto layouts = std::move(layoutsPending_);
        layoutsPending_.clear();
        for (const QPointer<QWidget>& widget : layouts) {
            if (!widget) continue;
            QEvent layout(QEvent::LayoutRequest);
            QCoreApplication::sendEvent(widget, &layout);
        }
        updatePending_ = false;
        if (window_) {
            QEvent request(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(window_, &request);
            // What the changes above posted is served already.
            QCoreApplication::removePostedEvents(window_, QEvent::UpdateRequest);
        }
    }
    delivering_ = false;
    if (painting_) framePainted();
}

void FramePacer::framePainted() {
    settled_.stop();
    if (!painting_) return;
    painting_ = false;
    lastFrameMs_ = clock_.elapsed();
    ++frames_;
    if (afterFrame_) afterFrame_();
}

}  // namespace platform::qt
