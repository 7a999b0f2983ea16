#include "remote/HttpConnection.h"

#include <QMetaObject>
#include <QTcpSocket>
#include <chrono>
#include <string_view>

#include "remote/SocketClose.h"

namespace remote {

namespace {

qint64 nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

HttpConnection::HttpConnection(QTcpSocket* socket, RequestHandler onRequest,
                               std::function<void()> onClosed)
    : socket_(socket), onRequest_(std::move(onRequest)), onClosed_(std::move(onClosed)) {
    socket_->setParent(this);
    // Qt buffers no more than this of what the client sends; TCP holds back the rest.
    socket_->setReadBufferSize(static_cast<qint64>(kMaxHeadBytes) * 2);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // A head that never finishes, an idle keep-alive, an answer the client takes nothing of,
        // or a close the client never took.
        if (!socket_) return;
        if (closing_)
            socket_->abort();
        else
            closeConnection();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::readRequests);
    connect(socket_, &QTcpSocket::bytesWritten, this, &HttpConnection::sent);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        closing_ = true;
        timer_.stop();
        body_.reset();
        if (auto done = std::exchange(onClosed_, nullptr)) done();
        deleteLater();
    });
    timer_.start(kHeadTimeoutMs);
    awaitingSince_ = nowMs();
    QMetaObject::invokeMethod(this, &HttpConnection::readRequests, Qt::QueuedConnection);
}

HttpConnection::~HttpConnection() = default;

const char* HttpConnection::reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Content Too Large";
        case 421:
            return "Misdirected Request";
        case 426:
            return "Upgrade Required";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Unknown";
    }
}

QHostAddress HttpConnection::peer() const {
    return socket_ ? socket_->peerAddress() : QHostAddress();
}

void HttpConnection::sent() {
    if (closing_) return;
    if (body_ || paused_) timer_.start(kIdleTimeoutMs);  // the client is taking the answer
    pump();
    if (paused_ && socket_->bytesToWrite() < kSendWindowBytes) {
        paused_ = false;
        awaitingSince_ = nowMs();
        readRequests();
    }
}

void HttpConnection::readRequests() {
    if (busy_ || closing_ || !socket_) return;
    if (socket_->bytesToWrite() >= kSendWindowBytes) {
        paused_ = true;  // sent() reads on once the client has taken enough
        return;
    }
    const QByteArray seen = socket_->peek(static_cast<qint64>(kMaxHeadBytes) + 1);
    if (seen.isEmpty()) return;
    const std::string_view view(seen.constData(), static_cast<std::size_t>(seen.size()));
    const auto end = findHeadEnd(view);
    if (!end) {
        if (view.size() > kMaxHeadBytes) {
            refuse(431, "the request head is too large");
        } else if (timer_.interval() != kHeadTimeoutMs) {
            timer_.start(kHeadTimeoutMs);  // the head has begun: it has this long to finish
        }
        return;
    }
    busy_ = true;
    timer_.stop();
    headBytes_ = static_cast<qint64>(*end);
    if (const auto error = parseRequestHead(view.substr(0, *end), request_)) {
        refuse(error->status, QByteArray::fromStdString(error->reason));
        return;
    }
    head_ = request_.method == "HEAD";
    keepAlive_ = request_.keepAlive();
    const auto length = request_.header("content-length");
    if ((length && *length != "0") || request_.header("transfer-encoding")) {
        refuse(413, "request bodies are not accepted");
        return;
    }
    onRequest_(*this, request_);
}

void HttpConnection::writeHead(int status, const QByteArray& contentType, qint64 contentLength,
                               bool chunked, const HeaderList& extra) {
    QByteArray head;
    head.reserve(512);
    head += "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty()) head += "Content-Type: " + contentType + "\r\n";
    if (chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (contentLength >= 0)
        head += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    head +=
        "Cache-Control: no-store\r\n"
        "Content-Security-Policy: default-src 'self'\r\n"
        "X-Content-Type-Options: nosniff\r\n"
        "Referrer-Policy: no-referrer\r\n";
    for (const auto& [name, value] : extra) head += name + ": " + value + "\r\n";
    head += keepAlive_ ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    socket_->write(head);
}

void HttpConnection::respond(int status, const QByteArray& contentType, const QByteArray& body,
                             const HeaderList& extra) {
    if (closing_) return;
    socket_->skip(headBytes_);
    writeHead(status, contentType, body.size(), false, extra);
    if (!head_) socket_->write(body);
    finishRequest();
}

void HttpConnection::respondStreaming(int status, const QByteArray& contentType,
                                      std::unique_ptr<BodySource> body, qint64 contentLength,
                                      const HeaderList& extra) {
    if (closing_) return;
    socket_->skip(headBytes_);
    chunked_ = contentLength < 0 && request_.minorVersion >= 1;
    if (contentLength < 0 && !chunked_) keepAlive_ = false;  // HTTP/1.0: the close ends it
    writeHead(status, contentType, contentLength, chunked_, extra);
    if (head_) {
        finishRequest();
        return;
    }
    body_ = std::move(body);
    timer_.start(kIdleTimeoutMs);
    pump();
}

void HttpConnection::refuse(int status, const QByteArray& message, const HeaderList& extra) {
    keepAlive_ = false;
    respond(status, "text/plain; charset=utf-8", message + "\n", extra);
}

void HttpConnection::pump() {
    while (body_ && !closing_ && socket_->bytesToWrite() < kSendWindowBytes) {
        bool failed = false;
        const QByteArray piece = body_->next(failed);
        if (failed) {
            body_.reset();
            socket_->abort();  // a short download, never one that looks whole
            return;
        }
        if (piece.isEmpty()) {
            if (chunked_) socket_->write("0\r\n\r\n");
            body_.reset();
            finishRequest();
            return;
        }
        if (chunked_) {
            socket_->write(QByteArray::number(piece.size(), 16) + "\r\n");
            socket_->write(piece);
            socket_->write("\r\n");
        } else {
            socket_->write(piece);
        }
    }
}

void HttpConnection::finishRequest() {
    if (body_) return;  // still streaming; pump finishes it
    busy_ = false;
    headBytes_ = 0;
    head_ = false;
    chunked_ = false;
    if (!keepAlive_) {
        closeConnection();
        return;
    }
    timer_.start(kIdleTimeoutMs);
    awaitingSince_ = nowMs();
    // A pipelined request may already be waiting.
    QMetaObject::invokeMethod(this, &HttpConnection::readRequests, Qt::QueuedConnection);
}

void HttpConnection::closeConnection() {
    if (closing_) return;
    closing_ = true;
    body_.reset();
    // Sends what is queued, then closes; a client that never takes it is cut off.
    timer_.start(5000);
    closeAfterSending(*socket_);
}

void HttpConnection::evict() {
    if (!socket_) return;
    closing_ = true;
    body_.reset();
    socket_->abort();
    if (auto done = std::exchange(onClosed_, nullptr)) done();
    deleteLater();
}

QTcpSocket* HttpConnection::switchToWebSocket(const QByteArray& acceptKey) {
    socket_->skip(headBytes_);
    socket_->write(
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Accept: " +
        acceptKey + "\r\n\r\n");
    return releaseSocket();
}

QTcpSocket* HttpConnection::releaseSocket() {
    QTcpSocket* socket = socket_;
    socket->disconnect(this);
    timer_.stop();
    closing_ = true;
    socket_ = nullptr;
    socket->setParent(nullptr);
    if (auto done = std::exchange(onClosed_, nullptr)) done();
    deleteLater();
    return socket;
}

}  // namespace remote
