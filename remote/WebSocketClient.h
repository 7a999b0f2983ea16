#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string_view>

#include "remote/WebSocketProtocol.h"

class QTcpSocket;

namespace remote {

// One live-stream client once its upgrade was answered: text messages out; in, nothing but the
// protocol's own frames. What the client sends is read frame by frame (a message may be 1 KiB);
// its pings are answered only while what waits to be sent stays within kMaxQueuedBytes, so a
// client that pings without reading is closed (1008) rather than growing memory. A frame that
// breaks the protocol, unmasked ones included, closes it (1002).
class WebSocketClient : public QObject {
  public:
    static constexpr qint64 kMaxQueuedBytes = 256 * 1024;
    static constexpr std::size_t kMaxIncomingBytes = 1024;
    static constexpr int kCloseTimeoutMs = 5000;

    // Takes the socket (the upgrade's answer already written). onClosed is called once, from the
    // event loop, when the connection has ended.
    WebSocketClient(QTcpSocket* socket, std::function<void(WebSocketClient&)> onClosed);
    ~WebSocketClient() override;

    qint64 bytesToWrite() const;
    void sendText(std::string_view utf8);
    // Sends a close frame and ends the connection once it is sent (or after kCloseTimeoutMs).
    void close(std::uint16_t code, std::string_view reason);

  private:
    void readFrames();
    void write(const std::string& frame);
    void finished();

    QTcpSocket* socket_;
    std::function<void(WebSocketClient&)> onClosed_;
    ClientFrameReader reader_{kMaxIncomingBytes};
    QTimer closeTimer_;
    bool closing_ = false;
};

}  // namespace remote
