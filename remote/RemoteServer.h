#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heading/Heading.h"
#include "heading/replay/ReplayLine.h"
#include "publish/MetricsText.h"
#include "remote/MeterStatus.h"
#include "remote/SampleJson.h"
#include "remote/SessionRing.h"
#include "remote/StreamHub.h"

class QTcpSocket;

namespace remote {

class HttpConnection;
struct HttpRequestHead;

// The recording as the recorder has written it: its open file (readable, not owned) and how many
// bytes of it hold whole lines.
struct RecordedBytes {
    int fd = -1;
    qint64 length = 0;
};

struct ServerSettings {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8090;  // 0: any free port
    // Required on every request when not empty (query parameter token= or a Bearer header).
    QByteArray token;
    std::size_t maxStreamClients = 32;
    // Open HTTP connections, not counting the stream's. When all are taken, a new one pushes out
    // the one that has waited longest for a request head; with none waiting, it gets 503.
    std::size_t maxConnections = 64;
    // Connections from one address that wait for a request head; a new one pushes out the oldest.
    std::size_t maxAwaitingPerPeer = 8;
    // With a recording, the session download is the recording's bytes, flushed and read from the
    // recorder's own open file. Empty: no recording; the session is kept in memory.
    std::function<RecordedBytes()> recording;
    // The meter's alarm threshold in µT, asked for each sample; no alarm when empty.
    std::function<float()> alarmThreshold;
    std::size_t sessionCapacity = SessionRing::kDefaultCapacity;
    // The latest spectrum as JSON, made when asked for; 404 without it.
    std::function<std::string()> spectrumJson;
    // The meter's state for /api/v1/status, asked at each request; "none" and zeros when empty.
    std::function<MeterStatus()> status;
    // The meter's signal, looked at kSignalCheckMs apart and pushed on the stream when it changes;
    // nothing is pushed when empty.
    std::function<SignalState()> signal;
    // Fills in what /metrics reports beyond the server's own latest sample and count (samples
    // dropped, the station's minute, the publisher), asked at each scrape.
    std::function<void(publish::MetricsSnapshot&)> metrics;
};

// The live view's server: the page, the latest sample, the live stream, the session as CSV and
// Prometheus metrics, over HTTP and WebSocket on the main loop. Read only: nothing a client sends
// changes the meter.
class RemoteServer : public QObject {
  public:
    static constexpr int kSignalCheckMs = 100;

    explicit RemoteServer(ServerSettings settings);
    ~RemoteServer() override;

    // Starts listening; the error in words when the address cannot be bound.
    std::optional<QString> listen();
    quint16 port() const { return tcp_.serverPort(); }

    // Every delivered sample, in order, on the main thread.
    void deliver(const heading::Heading& heading);

    void setStatus(std::function<MeterStatus()> status) { settings_.status = std::move(status); }
    void setMetrics(std::function<void(publish::MetricsSnapshot&)> metrics) {
        settings_.metrics = std::move(metrics);
    }
    void setSignal(std::function<SignalState()> signal);
    void setAlarmThreshold(std::function<float()> threshold) {
        settings_.alarmThreshold = std::move(threshold);
    }

    std::size_t streamClients() const { return hub_.clientCount(); }
    std::size_t connections() const { return connections_.size(); }

  private:
    void accept();
    void handle(HttpConnection& connection, const HttpRequestHead& request);
    void upgrade(HttpConnection& connection, const HttpRequestHead& request);
    void serveSession(HttpConnection& connection);
    std::string metricsText() const;
    void checkSignal();
    bool authorized(const HttpRequestHead& request) const;
    bool hostAllowed(const HttpRequestHead& request) const;
    // Drops the connection that has waited longest for a head (from peer, when given); false
    // when none waits.
    bool evictOldestAwaiting(const HttpConnection* spare, const QHostAddress* peer);

    ServerSettings settings_;
    QTcpServer tcp_;
    StreamHub hub_;
    std::vector<HttpConnection*> connections_;  // children of this server
    SessionRing ring_;
    heading::ContinuousTime time_;
    std::optional<RemoteSample> latest_;
    std::uint64_t sequence_ = 0;
    QByteArray page_, script_, style_;
    QTimer signalCheck_;
};

}  // namespace remote
