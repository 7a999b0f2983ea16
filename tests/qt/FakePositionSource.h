#pragma once

#include <QDateTime>
#include <QGeoPositionInfoSource>
#include <vector>

namespace fluxprobe_qt_test {

// A location service that answers when the test says so.
class FakeSource : public QGeoPositionInfoSource {
  public:
    FakeSource() : QGeoPositionInfoSource(nullptr) {}

    void tell(double lat, double lon) {
        emit positionUpdated(
            QGeoPositionInfo(QGeoCoordinate(lat, lon), QDateTime::currentDateTimeUtc()));
    }
    void refuse() { emit errorOccurred(AccessError); }

    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override {
        return AllPositioningMethods;
    }
    int minimumUpdateInterval() const override { return 1000; }
    Error error() const override { return NoError; }
    void startUpdates() override { ++starts; }
    void stopUpdates() override { ++stops; }
    void requestUpdate(int timeout) override { requests.push_back(timeout); }

    int starts = 0, stops = 0;
    std::vector<int> requests;
};

}  // namespace fluxprobe_qt_test
