#include "remote/StreamHub.h"

#include <QTcpSocket>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace remote {

namespace {

double wallClockMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

// A batch's fields after its missed count, up to the opening of its samples.
void appendBatchStart(std::string& out, std::uint64_t first, double deliveredMs) {
    out += "\"first\":";
    out += std::to_string(first);
    out += ",\"delivered\":";
    appendNumber(out, deliveredMs);
    out += ",\"samples\":[";
}

}  // namespace

StreamHub::StreamHub(std::size_t maxClients) : maxClients_(maxClients) {
    frame_.setTimerType(Qt::PreciseTimer);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &StreamHub::flush);
    body_.reserve(16 * 1024);
}

StreamHub::~StreamHub() = default;

void StreamHub::adopt(QTcpSocket* socket) {
    // Told from the event loop: a send can fail and disconnect inside flush's walk over the
    // clients.
    clients_.push_back(Client{
        std::make_unique<WebSocketClient>(socket, [this](WebSocketClient& c) { drop(&c); }), 0});
    sendHistory(*clients_.back().socket);
    if (!state_.empty()) clients_.back().socket->sendText(state_);
    if (!frame_.isActive()) frame_.start();
}

void StreamHub::drop(WebSocketClient* socket) {
    auto it = std::find_if(clients_.begin(), clients_.end(),
                           [socket](const Client& c) { return c.socket.get() == socket; });
    if (it == clients_.end()) return;
    it->socket.release()->deleteLater();  // it may be inside one of its own signals
    clients_.erase(it);
    if (clients_.empty()) {
        frame_.stop();
        body_.clear();
        pending_ = 0;
    }
}

void StreamHub::sendHistory(WebSocketClient& socket) const {
    // Samples still waiting in the pending batch come with it, not twice.
    std::size_t end = history_.size();
    while (pending_ > 0 && end > 0 && history_[end - 1].sequence >= pendingFirst_) --end;
    if (end == 0) return;
    std::string batch = "{\"missed\":0,";
    appendBatchStart(batch, history_.front().sequence, history_.front().deliveredMs);
    for (std::size_t i = 0; i < end; ++i) {
        if (i > 0) batch += ',';
        appendBatchEntry(batch, history_[i].sample);
    }
    batch += "]}";
    socket.sendText(batch);
}

void StreamHub::setState(const std::string& signal, const std::string& text) {
    // Both are plain words and dashes of our own: nothing to escape.
    std::string state = "{\"signal\":\"" + signal + "\",\"text\":\"" + text + "\"}";
    if (state == state_) return;
    state_ = std::move(state);
    for (Client& c : clients_) c.socket->sendText(state_);
}

void StreamHub::push(const RemoteSample& sample, std::uint64_t sequence) {
    const double now = std::round(wallClockMs() * 10.0) / 10.0;
    if (history_.size() == kHistorySamples) history_.pop_front();
    history_.push_back(Past{sample, sequence, now});
    if (clients_.empty()) return;
    if (pending_ == 0) {
        pendingFirst_ = sequence;
        body_.clear();
        appendBatchStart(body_, sequence, now);
    } else {
        body_ += ',';
    }
    appendBatchEntry(body_, sample);
    ++pending_;
}

void StreamHub::flush() {
    if (pending_ == 0) return;
    // At most kMaxBatchesPerSecond in any second, even when a late tick is followed by a prompt
    // one: the batch that many sends ago must be a second old.
    const auto now = std::chrono::steady_clock::now();
    if (now - sent_[nextSent_] < std::chrono::seconds(1)) return;
    sent_[nextSent_] = now;
    nextSent_ = (nextSent_ + 1) % sent_.size();
    body_ += "]}";
    const std::uint64_t count = std::exchange(pending_, 0);
    for (Client& c : clients_) {
        if (c.socket->bytesToWrite() > kMaxQueuedBytes) {
            c.missed += count;  // falls behind: this batch is let go whole
            continue;
        }
        c.socket->sendText("{\"missed\":" + std::to_string(c.missed) + ',' + body_);
        c.missed = 0;
    }
    body_.clear();
}

}  // namespace remote
