#include "qt/positioning/PositionWatcher.h"

#include <cmath>
#include <utility>

namespace platform::qt {

PositionWatcher::PositionWatcher(std::unique_ptr<QGeoPositionInfoSource> source, Report report,
                                 int firstAnswerMs)
    : source_(std::move(source)), report_(std::move(report)) {
    firstAnswer_.setSingleShot(true);
    firstAnswer_.setInterval(firstAnswerMs);
    connect(&firstAnswer_, &QTimer::timeout, this, &PositionWatcher::gaveUpWaiting);
}

PositionWatcher::~PositionWatcher() {
    if (source_ && listening_) source_->stopUpdates();
}

std::unique_ptr<QGeoPositionInfoSource> PositionWatcher::systemSource() {
    return std::unique_ptr<QGeoPositionInfoSource>(
        QGeoPositionInfoSource::createDefaultSource(nullptr));
}

void PositionWatcher::start() {
    if (!source_) {
        state_ = State::Unavailable;
        return;
    }
    connect(source_.get(), &QGeoPositionInfoSource::positionUpdated, this,
            &PositionWatcher::arrived);
    connect(source_.get(), &QGeoPositionInfoSource::errorOccurred, this, &PositionWatcher::failed);
    state_ = State::Waiting;
    // Our own timer as well as the service's: a service that never answers must not keep the
    // first request open for ever.
    firstAnswer_.start();
    source_->requestUpdate(firstAnswer_.interval());
}

void PositionWatcher::arrived(const QGeoPositionInfo& info) {
    if (state_ == State::Refused || !info.isValid() || !info.coordinate().isValid()) return;
    firstAnswer_.stop();
    const QGeoCoordinate here = info.coordinate();
    const bool first = state_ != State::Located;
    state_ = State::Located;
    if (first || !reported_.isValid() || reported_.distanceTo(here) > kMoveMetres) {
        reported_ = here;
        const double altitude = std::isfinite(here.altitude()) ? here.altitude() : 0.0;
        if (report_) report_({here.latitude(), here.longitude(), altitude});
    }
    listen();
}

void PositionWatcher::failed(QGeoPositionInfoSource::Error error) {
    switch (error) {
        case QGeoPositionInfoSource::NoError:
            return;
        case QGeoPositionInfoSource::UpdateTimeoutError:
            gaveUpWaiting();
            return;
        case QGeoPositionInfoSource::AccessError:
            state_ = State::Refused;
            break;
        case QGeoPositionInfoSource::ClosedError:
        case QGeoPositionInfoSource::UnknownSourceError:
            // A location already known stays good; otherwise there is none to be had.
            if (state_ != State::Located) state_ = State::Unavailable;
            break;
    }
    firstAnswer_.stop();
    if (listening_) source_->stopUpdates();
    listening_ = false;
}

void PositionWatcher::gaveUpWaiting() {
    firstAnswer_.stop();
    if (state_ != State::Waiting) return;
    state_ = State::TimedOut;
    // A fix may still come (a receiver warming up): keep listening for it.
    listen();
}

void PositionWatcher::listen() {
    if (listening_ || !source_) return;
    listening_ = true;
    source_->setUpdateInterval(kListenIntervalMs);
    source_->startUpdates();
}

}  // namespace platform::qt
