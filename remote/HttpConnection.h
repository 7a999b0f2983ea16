#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "remote/BodySource.h"
#include "remote/HttpRequestHead.h"

class QTcpSocket;

namespace remote {

using HeaderList = std::vector<std::pair<QByteArray, QByteArray>>;

// One client's TCP connection while it speaks HTTP: reads one request head at a time (bounded in
// size and time), hands it on, and writes the answer. Request bodies are refused, so nothing a
// client sends is buffered beyond one head, and no further request is read while more than
// kSendWindowBytes of answers wait to be sent, so a client that sends without reading is held
// back by TCP. An answer the client takes nothing of for kIdleTimeoutMs is cut off. Anything
// malformed closes this connection only.
class HttpConnection : public QObject {
  public:
    using RequestHandler = std::function<void(HttpConnection&, const HttpRequestHead&)>;

    static constexpr int kHeadTimeoutMs = 10'000;
    static constexpr int kIdleTimeoutMs = 30'000;
    // A streamed body is topped up, and the next request read, while less than this waits to be
    // sent.
    static constexpr qint64 kSendWindowBytes = 256 * 1024;

    // Takes the socket (it becomes this connection's child). The connection deletes itself once
    // closed or handed on, after telling onClosed.
    HttpConnection(QTcpSocket* socket, RequestHandler onRequest,
                   std::function<void()> onClosed = {});
    ~HttpConnection() override;

    void respond(int status, const QByteArray& contentType, const QByteArray& body,
                 const HeaderList& extra = {});
    // A body that is made as it is sent; contentLength < 0 when unknown (chunked, or ended by
    // closing for HTTP/1.0).
    void respondStreaming(int status, const QByteArray& contentType,
                          std::unique_ptr<BodySource> body, qint64 contentLength,
                          const HeaderList& extra = {});
    // An error answer, after which the connection closes.
    void refuse(int status, const QByteArray& message, const HeaderList& extra = {});

    // Answers the current request with 101 and hands the socket over to the WebSocket;
    // this connection is finished afterwards.
    QTcpSocket* switchToWebSocket(const QByteArray& acceptKey);
    // Drops the connection at once, for a newer one.
    void evict();

    // Waiting for a request head that has not come whole (a new connection or an idle
    // keep-alive), and since when.
    bool awaitingHead() const { return !busy_ && !closing_ && !paused_; }
    qint64 awaitingSince() const { return awaitingSince_; }
    QHostAddress peer() const;

    static const char* reasonPhrase(int status);

  private:
    void readRequests();
    void finishRequest();
    void pump();
    void writeHead(int status, const QByteArray& contentType, qint64 contentLength, bool chunked,
                   const HeaderList& extra);
    void closeConnection();
    void sent();
    QTcpSocket* releaseSocket();

    QTcpSocket* socket_;
    RequestHandler onRequest_;
    std::function<void()> onClosed_;
    QTimer timer_;
    std::unique_ptr<BodySource> body_;
    HttpRequestHead request_;
    qint64 headBytes_ = 0;  // the current request's head, consumed once it is answered
    bool busy_ = false;     // a request is being answered
    bool head_ = false;     // the current request is a HEAD
    bool chunked_ = false;
    bool keepAlive_ = false;
    bool closing_ = false;
    bool paused_ = false;  // answers queued beyond the send window: requests wait
    qint64 awaitingSince_ = 0;
};

}  // namespace remote
