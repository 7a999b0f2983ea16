#include "qt/widgets/PeerBatch.h"

#include <algorithm>
#include <iterator>

#include "qt/Guarded.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {
PeerBatch* currentBatch = nullptr;
}

PeerBatch::PeerBatch(int intervalMs)
    : intervalMs_(intervalMs > 0 ? intervalMs : kDefaultIntervalMs) {
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { flush(); });
    currentBatch = this;
}

PeerBatch::~PeerBatch() {
    if (currentBatch == this) currentBatch = nullptr;
    flush();  // nothing the logic showed is left unshown
    releaseHeld();
}

PeerBatch* PeerBatch::current() {
    return currentBatch;
}

void PeerBatch::note(WidgetPeer* peer) {
    pending_.emplace_back(peer);
    if (requestFrame_) {
        requestFrame_();
        return;
    }
    if (!timer_.isActive()) {
        const qint64 wait = intervalMs_ - (clock_.elapsed() - lastFlushMs_);
        timer_.start(static_cast<int>(std::clamp<qint64>(wait, 0, intervalMs_)));
    }
}

void PeerBatch::flush() {
    timer_.stop();
    if (pending_.empty()) return;
    ++flushes_;
    lastFlushMs_ = clock_.elapsed();
    std::vector<QPointer<WidgetPeer>> due;
    due.swap(pending_);
    // What was held is due again, in case its cover went without releasing it.
    due.insert(due.end(), std::make_move_iterator(held_.begin()),
               std::make_move_iterator(held_.end()));
    held_.clear();
    guarded([&] {
        for (QPointer<WidgetPeer>& peer : due) {
            if (!peer) continue;
            if (ScreenWidget::isCovered(peer->widget()))
                held_.push_back(std::move(peer));
            else
                peer->applyPending();
        }
    });
}

void PeerBatch::releaseHeld() {
    std::vector<QPointer<WidgetPeer>> due;
    due.swap(held_);
    guarded([&] {
        for (const QPointer<WidgetPeer>& peer : due)
            if (peer) peer->applyPending();
    });
}

}  // namespace platform::qt
