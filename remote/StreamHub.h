#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "remote/SampleJson.h"
#include "remote/WebSocketClient.h"

class QTcpSocket;

namespace remote {

// The live stream's clients. Samples are gathered as they are delivered and sent at most once a
// display frame, as one batch holding every sample since the last, encoded once for all
// clients. A client with more than kMaxQueuedBytes still unsent loses whole batches instead
// of growing memory or holding up the meter; the next batch it gets says how many samples it
// missed. Batches look like
//   {"missed":0,"first":1200,"delivered":1733650000123.4,"samples":[[t,x,y,z,mh,th,total,alarm],…]}
// where first is the sequence number of the first sample (counted from 0 over the run) and
// delivered the wall-clock time (ms since 1970) at which the oldest sample in the batch was
// delivered. A new client first gets the last kHistorySamples as one such batch, then the meter's
// signal state when one is known; a state change goes to every client at once, as
//   {"signal":"ended","text":"No signal — the replay has ended"}
class StreamHub : public QObject {
  public:
    static constexpr int kFrameMs = 17;
    static constexpr std::size_t kMaxBatchesPerSecond = 60;
    static constexpr qint64 kMaxQueuedBytes = WebSocketClient::kMaxQueuedBytes;
    static constexpr std::size_t kHistorySamples = 150;

    explicit StreamHub(std::size_t maxClients);
    ~StreamHub() override;

    std::size_t clientCount() const { return clients_.size(); }
    std::size_t maxClients() const { return maxClients_; }

    // Takes a socket whose upgrade was answered.
    void adopt(QTcpSocket* socket);
    void push(const RemoteSample& sample, std::uint64_t sequence);
    // signal is live, stale, ended, denied or none; text is the meter's own status line.
    void setState(const std::string& signal, const std::string& text);
    // Sends what has gathered now (the frame timer calls it).
    void flush();

  private:
    struct Client {
        std::unique_ptr<WebSocketClient> socket;
        std::uint64_t missed = 0;
    };

    struct Past {
        RemoteSample sample;
        std::uint64_t sequence;
        double deliveredMs;
    };

    void drop(WebSocketClient* socket);
    void sendHistory(WebSocketClient& socket) const;

    std::size_t maxClients_;
    std::vector<Client> clients_;
    std::string body_;  // the pending batch after its missed count, without the closing "]}"
    std::size_t pending_ = 0;
    std::uint64_t pendingFirst_ = 0;
    std::deque<Past> history_;
    std::string state_;  // the last state message, empty before the first
    // When the last kMaxBatchesPerSecond batches were sent, oldest at nextSent_.
    std::array<std::chrono::steady_clock::time_point, kMaxBatchesPerSecond> sent_{};
    std::size_t nextSent_ = 0;
    QTimer frame_;
};

}  // namespace remote
