#include "platform/qt/PeerBatch.h"

#include "platform/qt/Guarded.h"
#include "platform/qt/WidgetPeer.h"

namespace platform::qt {

namespace {
PeerBatch* currentBatch = nullptr;
}

PeerBatch::PeerBatch(int intervalMs)
    : intervalMs_(intervalMs > 0 ? intervalMs : kDefaultIntervalMs) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { flush(); });
    currentBatch = this;
}

PeerBatch::~PeerBatch() {
    if (currentBatch == this) currentBatch = nullptr;
    flush();  // nothing the logic showed is left unshown
}

PeerBatch* PeerBatch::current() {
    return currentBatch;
}

void PeerBatch::note(WidgetPeer* peer) {
    pending_.emplace_back(peer);
    if (!timer_.isActive()) timer_.start(intervalMs_);
}

void PeerBatch::flush() {
    timer_.stop();
    if (pending_.empty()) return;
    ++flushes_;
    std::vector<QPointer<WidgetPeer>> due;
    due.swap(pending_);
    guarded([&] {
        for (const QPointer<WidgetPeer>& peer : due)
            if (peer) peer->applyPending();
    });
}

}  // namespace platform::qt
