// Opens N browser-like clients on the remote view's live stream for a while and reports, as one
// JSON line: batches and samples received, whether every client got every sample in order, the
// most batches any client got in one second, and the latency from a sample's delivery in the
// program to its arrival here (the oldest sample of each batch, so an upper bound).
// usage: fluxprobe_bench_stream_clients URL CLIENTS SECONDS
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

double wallClockMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

struct Client {
    std::unique_ptr<QWebSocket> socket;
    qint64 next = -1;  // the sequence number expected next
    qint64 samples = 0, batches = 0, missed = 0, gaps = 0;
    std::map<qint64, int> perSecond;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s URL CLIENTS SECONDS\n", argv[0]);
        return 2;
    }
    const QUrl url(QString::fromLocal8Bit(argv[1]));
    const int count = std::atoi(argv[2]);
    const double seconds = std::atof(argv[3]);
    std::vector<Client> clients(static_cast<std::size_t>(count));
    std::vector<double> latencies;
    latencies.reserve(100000);
    const double start = wallClockMs();
    for (Client& c : clients) {
        c.socket = std::make_unique<QWebSocket>();
        QObject::connect(c.socket.get(), &QWebSocket::textMessageReceived,
                         [&c, &latencies, start](const QString& text) {
                             const double now = wallClockMs();
                             const QJsonObject b = QJsonDocument::fromJson(text.toUtf8()).object();
                             const qint64 first = b["first"].toInteger();
                             const qint64 n = b["samples"].toArray().size();
                             const qint64 missed = b["missed"].toInteger();
                             if (c.next >= 0 && first != c.next + missed) ++c.gaps;
                             c.next = first + n;
                             c.samples += n;
                             c.missed += missed;
                             ++c.batches;
                             ++c.perSecond[static_cast<qint64>((now - start) / 1000.0)];
                             latencies.push_back(now - b["delivered"].toDouble());
                         });
        c.socket->open(url);
    }
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();

    std::sort(latencies.begin(), latencies.end());
    const auto at = [&latencies](double q) {
        return latencies.empty()
                   ? -1.0
                   : latencies[std::min(latencies.size() - 1,
                                        static_cast<std::size_t>(q * latencies.size()))];
    };
    qint64 samples = 0, batches = 0, missed = 0, gaps = 0, connected = 0;
    int maxPerSecond = 0;
    for (Client& c : clients) {
        samples += c.samples;
        batches += c.batches;
        missed += c.missed;
        gaps += c.gaps;
        if (c.batches > 0) ++connected;
        // Whole seconds only: the first and the last are cut by the start and the end.
        if (c.perSecond.size() > 2)
            for (auto it = std::next(c.perSecond.begin()); it != std::prev(c.perSecond.end()); ++it)
                maxPerSecond = std::max(maxPerSecond, it->second);
    }
    std::printf(
        "{\"clients\":%lld,\"samples\":%lld,\"batches\":%lld,\"missed\":%lld,\"gaps\":%lld,"
        "\"maxBatchesPerSecond\":%d,\"latencyP50Ms\":%.2f,\"latencyP99Ms\":%.2f,"
        "\"latencyMaxMs\":%.2f}\n",
        static_cast<long long>(connected), static_cast<long long>(samples),
        static_cast<long long>(batches), static_cast<long long>(missed),
        static_cast<long long>(gaps), maxPerSecond, at(0.5), at(0.99),
        latencies.empty() ? -1.0 : latencies.back());
    return 0;
}
