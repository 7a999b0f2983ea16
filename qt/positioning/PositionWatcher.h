#pragma once

#include <QGeoCoordinate>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "heading/model/FieldModel.h"

namespace platform::qt {

// Asks the system's location service where the device is: once at start, waiting a short while
// for an answer, then listening on and reporting again when the device has moved more than
// 10 km from the place last reported. A missing service, a refusal or a timeout is normal: no
// location is reported, nothing is said. Main thread only.
class PositionWatcher : public QObject {
    Q_OBJECT

  public:
    enum class State { Waiting, Located, TimedOut, Refused, Unavailable };

    using Report = std::function<void(const heading::Location&)>;

    static constexpr int kFirstAnswerMs = 10000;
    static constexpr double kMoveMetres = 10000.0;
    static constexpr int kListenIntervalMs = 60000;

    // source may be null (no location service here); the watcher owns it.
    PositionWatcher(std::unique_ptr<QGeoPositionInfoSource> source, Report report,
                    int firstAnswerMs = kFirstAnswerMs);
    ~PositionWatcher() override;

    void start();

    // The system's location service, or null when this system has none.
    static std::unique_ptr<QGeoPositionInfoSource> systemSource();
    State state() const { return state_; }

  private:
    void arrived(const QGeoPositionInfo& info);
    void failed(QGeoPositionInfoSource::Error error);
    void gaveUpWaiting();
    void listen();

    std::unique_ptr<QGeoPositionInfoSource> source_;
    Report report_;
    QTimer firstAnswer_;
    QGeoCoordinate reported_;
    State state_ = State::Waiting;
    bool listening_ = false;
};

}  // namespace platform::qt
