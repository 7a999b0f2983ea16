#include "remote/WebSocketClient.h"

#include <QMetaObject>
#include <QTcpSocket>
#include <string>
#include <utility>

#include "remote/SocketClose.h"

namespace remote {

WebSocketClient::WebSocketClient(QTcpSocket* socket, std::function<void(WebSocketClient&)> onClosed)
    : socket_(socket), onClosed_(std::move(onClosed)) {
    socket_->setParent(this);
    closeTimer_.setSingleShot(true);
    connect(&closeTimer_, &QTimer::timeout, this, [this] {
        socket_->abort();  // a close the client never took
        finished();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &WebSocketClient::readFrames);
    connect(socket_, &QTcpSocket::disconnected, this, &WebSocketClient::finished);
    // Frames may have come with the upgrade request.
    QMetaObject::invokeMethod(this, &WebSocketClient::readFrames, Qt::QueuedConnection);
}

WebSocketClient::~WebSocketClient() {
    socket_->disconnect(this);
}

qint64 WebSocketClient::bytesToWrite() const {
    return socket_->bytesToWrite();
}

void WebSocketClient::write(const std::string& frame) {
    socket_->write(frame.data(), static_cast<qint64>(frame.size()));
}

void WebSocketClient::sendText(std::string_view utf8) {
    if (!closing_) write(serverFrame(kOpText, utf8));
}

void WebSocketClient::close(std::uint16_t code, std::string_view reason) {
    if (closing_) return;
    closing_ = true;
    write(serverFrame(kOpClose, closePayload(code, reason)));
    closeTimer_.start(kCloseTimeoutMs);
    closeAfterSending(*socket_);
}

void WebSocketClient::readFrames() {
    while (!closing_) {
        const QByteArray seen = socket_->peek(static_cast<qint64>(reader_.maxFrameBytes()));
        const FrameRead read =
            reader_.read(std::string_view(seen.constData(), static_cast<std::size_t>(seen.size())));
        if (read.closeCode == kCloseTooBig) return close(read.closeCode, "a message may be 1 KiB");
        if (read.closeCode) return close(read.closeCode, "not a frame a client may send");
        if (read.consumed == 0) return;
        socket_->skip(static_cast<qint64>(read.consumed));
        const ClientFrame& frame = *read.frame;
        if (frame.opcode == kOpPing) {
            std::string pong = serverFrame(kOpPong, frame.payload);
            if (bytesToWrite() + static_cast<qint64>(pong.size()) > kMaxQueuedBytes)
                return close(kClosePolicyViolated, "pings faster than the answers are read");
            write(pong);
        } else if (frame.opcode == kOpClose) {
            return close(kCloseNormal, "");
        }
        // Anything else is not listened to: the stream is read only.
    }
}

void WebSocketClient::finished() {
    closeTimer_.stop();
    if (auto done = std::exchange(onClosed_, nullptr))
        QMetaObject::invokeMethod(
            this, [this, done = std::move(done)] { done(*this); }, Qt::QueuedConnection);
}

}  // namespace remote
