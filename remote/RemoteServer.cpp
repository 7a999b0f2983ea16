#include "remote/RemoteServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTcpSocket>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "remote/CsvBodies.h"
#include "remote/HttpConnection.h"
#include "remote/HttpRequestHead.h"
#include "remote/WebSocketProtocol.h"

namespace remote {

namespace {

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/remote/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Compares in time independent of where the first difference lies.
bool sameSecret(std::string_view a, const QByteArray& b) {
    if (a.size() != static_cast<std::size_t>(b.size())) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[static_cast<qsizetype>(i)]);
    return diff == 0;
}

QByteArray lowerCase(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toLower();
}

}  // namespace

RemoteServer::RemoteServer(ServerSettings settings)
    : settings_(std::move(settings)),
      hub_(settings_.maxStreamClients),
      ring_(settings_.sessionCapacity),
      page_(resource(QStringLiteral("index.html"))),
      script_(resource(QStringLiteral("app.js"))),
      style_(resource(QStringLiteral("style.css"))) {
    connect(&tcp_, &QTcpServer::newConnection, this, &RemoteServer::accept);
    // The page's own files name the token, so that a browser sends it for them too.
    page_.replace("{{auth}}",
                  settings_.token.isEmpty() ? QByteArray() : "?token=" + settings_.token);
    signalCheck_.setInterval(kSignalCheckMs);
    connect(&signalCheck_, &QTimer::timeout, this, &RemoteServer::checkSignal);
    setSignal(std::move(settings_.signal));
}

void RemoteServer::setSignal(std::function<SignalState()> signal) {
    settings_.signal = std::move(signal);
    if (!settings_.signal) {
        signalCheck_.stop();
        return;
    }
    checkSignal();
    signalCheck_.start();
}

void RemoteServer::checkSignal() {
    const SignalState now = settings_.signal();
    hub_.setState(now.signal, now.text);
}

RemoteServer::~RemoteServer() {
    // Connections go first: a download may still be reading the ring.
    const std::vector<HttpConnection*> open = std::exchange(connections_, {});
    for (HttpConnection* c : open) {
        c->disconnect(this);
        delete c;
    }
}

std::optional<QString> RemoteServer::listen() {
    if (!tcp_.listen(settings_.address, settings_.port)) return tcp_.errorString();
    return std::nullopt;
}

void RemoteServer::deliver(const heading::Heading& heading) {
    RemoteSample sample;
    sample.heading = heading;
    sample.heading.timestamp = time_.next(heading.timestamp);
    sample.total = totalField(heading);
    sample.alarm = settings_.alarmThreshold && settings_.alarmThreshold() < sample.total;
    if (!settings_.recording) ring_.append(sample.heading);
    latest_ = sample;
    hub_.push(sample, sequence_++);
}

void RemoteServer::accept() {
    while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
        auto* connection = new HttpConnection(
            socket, [this](HttpConnection& c, const HttpRequestHead& r) { handle(c, r); }, {});
        connection->setParent(this);
        connections_.push_back(connection);
        connect(connection, &QObject::destroyed, this, [this, connection] {
            connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                               connections_.end());
        });
        // One address cannot hold every place by opening connections and sending nothing, and
        // a full table makes room for a newcomer before turning it away.
        const QHostAddress peer = socket->peerAddress();
        const auto fromPeer =
            std::count_if(connections_.begin(), connections_.end(), [&](const HttpConnection* c) {
                return c != connection && c->awaitingHead() && c->peer() == peer;
            });
        if (static_cast<std::size_t>(fromPeer) >= settings_.maxAwaitingPerPeer)
            evictOldestAwaiting(connection, &peer);
        if (connections_.size() > settings_.maxConnections &&
            !evictOldestAwaiting(connection, nullptr))
            connection->refuse(503, "too many connections; try again later");
    }
}

bool RemoteServer::evictOldestAwaiting(const HttpConnection* spare, const QHostAddress* peer) {
    HttpConnection* oldest = nullptr;
    for (HttpConnection* c : connections_)
        if (c != spare && c->awaitingHead() && (!peer || c->peer() == *peer) &&
            (!oldest || c->awaitingSince() < oldest->awaitingSince()))
            oldest = c;
    if (!oldest) return false;
    connections_.erase(std::find(connections_.begin(), connections_.end(), oldest));
    oldest->evict();
    return true;
}

bool RemoteServer::authorized(const HttpRequestHead& request) const {
    if (settings_.token.isEmpty()) return true;
    if (const auto header = request.header("authorization")) {
        constexpr std::string_view kBearer = "Bearer ";
        if (header->size() > kBearer.size() &&
            lowerCase(header->substr(0, kBearer.size())) == lowerCase(kBearer))
            return sameSecret(header->substr(kBearer.size()), settings_.token);
    }
    const auto token = request.queryValue("token");
    return token && sameSecret(*token, settings_.token);
}

bool RemoteServer::hostAllowed(const HttpRequestHead& request) const {
    // Without a token, only names that cannot be rebound to another site may reach us: a web page
    // elsewhere whose name was pointed at 127.0.0.1 must not read the meter through the user's
    // browser.
    if (!settings_.token.isEmpty()) return true;
    const auto host = request.header("host");
    if (!host) return request.minorVersion == 0;
    const QUrl url(QStringLiteral("http://") +
                   QString::fromUtf8(host->data(), static_cast<qsizetype>(host->size())));
    if (!url.isValid()) return false;
    const QString name = url.host();
    return name == QStringLiteral("localhost") || !QHostAddress(name).isNull();
}

void RemoteServer::handle(HttpConnection& connection, const HttpRequestHead& request) {
    if (!authorized(request)) {
        connection.refuse(401, "a token is required",
                          {{"WWW-Authenticate", "Bearer realm=\"fluxprobe\""}});
        return;
    }
    if (!hostAllowed(request)) {
        connection.refuse(421, "this server answers to localhost and IP addresses only");
        return;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        connection.refuse(405, "read only: GET and HEAD only", {{"Allow", "GET, HEAD"}});
        return;
    }
    const std::string& path = request.path;
    if (path == "/api/v1/stream") {
        upgrade(connection, request);
    } else if (path == "/api/v1/latest") {
        if (!latest_) {
            connection.respond(404, "application/json", "{\"error\":\"no sample yet\"}");
            return;
        }
        connection.respond(200, "application/json",
                           QByteArray::fromStdString(latestJson(*latest_)));
    } else if (path == "/api/v1/spectrum") {
        if (!settings_.spectrumJson) {
            connection.respond(404, "application/json", "{\"error\":\"no spectrum\"}");
            return;
        }
        connection.respond(200, "application/json",
                           QByteArray::fromStdString(settings_.spectrumJson()));
    } else if (path == "/api/v1/status") {
        const MeterStatus status = settings_.status ? settings_.status() : MeterStatus{};
        connection.respond(200, "application/json", QByteArray::fromStdString(statusJson(status)));
    } else if (path == "/metrics") {
        connection.respond(200, publish::kMetricsContentType,
                           QByteArray::fromStdString(metricsText()));
    } else if (path == "/api/v1/session.csv") {
        serveSession(connection);
    } else if (path == "/" || path == "/index.html") {
        connection.respond(200, "text/html; charset=utf-8", page_);
    } else if (path == "/app.js") {
        connection.respond(200, "text/javascript; charset=utf-8", script_);
    } else if (path == "/style.css") {
        connection.respond(200, "text/css; charset=utf-8", style_);
    } else {
        connection.respond(404, "text/plain; charset=utf-8", "not found\n");
    }
}

void RemoteServer::upgrade(HttpConnection& connection, const HttpRequestHead& request) {
    if (const auto error = checkWebSocketUpgrade(request)) {
        HeaderList headers;
        if (error->status == 426)
            headers = {{"Upgrade", "websocket"}, {"Sec-WebSocket-Version", "13"}};
        connection.refuse(error->status, QByteArray::fromStdString(error->reason), headers);
        return;
    }
    if (hub_.clientCount() >= hub_.maxClients()) {
        connection.refuse(503, "the live stream has all the clients it takes; try again later");
        return;
    }
    // Browsers name the page that opens a WebSocket; only our own page may.
    if (const auto origin = request.header("origin")) {
        const QUrl url(QString::fromUtf8(origin->data(), static_cast<qsizetype>(origin->size())));
        const auto host = request.header("host").value_or("");
        if (url.authority().toUtf8().toLower() != lowerCase(host)) {
            connection.refuse(403, "the stream is for this server's own page");
            return;
        }
    }
    const std::string_view key = request.header("sec-websocket-key").value_or("");
    const QByteArray accept =
        QCryptographicHash::hash(QByteArray(key.data(), static_cast<qsizetype>(key.size())) +
                                     "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                 QCryptographicHash::Sha1)
            .toBase64();
    hub_.adopt(connection.switchToWebSocket(accept));
}

std::string RemoteServer::metricsText() const {
    publish::MetricsSnapshot snapshot;
    if (latest_) {
        const heading::Heading& h = latest_->heading;
        snapshot.field = publish::MetricsSnapshot::Field{
            h.x, h.y, h.z, latest_->total, h.magneticHeading, h.trueHeading};
        snapshot.alarm = latest_->alarm;
    }
    snapshot.samplesDelivered = sequence_;
    if (settings_.metrics) settings_.metrics(snapshot);
    return publish::metricsText(snapshot);
}

void RemoteServer::serveSession(HttpConnection& connection) {
    const HeaderList disposition = {
        {"Content-Disposition", "attachment; filename=\"fluxprobe-session.csv\""}};
    if (settings_.recording) {
        // The recorder's own file, never its name looked up again: whatever now lies at that
        // path (a link elsewhere, nothing) is not what was recorded.
        const RecordedBytes recorded = settings_.recording();
        auto body = std::make_unique<FileBody>(recorded.fd, recorded.length);
        if (!body->isOpen()) {
            connection.refuse(500, "the recording cannot be read");
            return;
        }
        connection.respondStreaming(200, "text/csv; charset=utf-8", std::move(body),
                                    recorded.length, disposition);
        return;
    }
    HeaderList headers = disposition;
    if (ring_.dropped() > 0)
        headers.emplace_back("X-Earlier-Samples-Dropped",
                             QByteArray::number(static_cast<qulonglong>(ring_.dropped())));
    connection.respondStreaming(200, "text/csv; charset=utf-8",
                                std::make_unique<RingCsvBody>(ring_), -1, headers);
}

}  // namespace remote
