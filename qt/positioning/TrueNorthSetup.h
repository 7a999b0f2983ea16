#pragma once

#include <QGeoPositionInfoSource>
#include <QString>
#include <memory>
#include <optional>

#include "heading/Callbacks.h"
#include "heading/HeadingService.h"
#include "heading/model/TrueNorth.h"
#include "qt/positioning/PositionWatcher.h"

namespace platform::qt {

// Fills in every sample's true heading from the field model at the user's location, for as long
// as it lives: the location given on the command line, or else the one the system's location
// service reports. The location is used here only; it is never logged.
class TrueNorthSetup {
  public:
    // With a location the model is loaded at once, and a model that cannot be loaded throws
    // heading::FieldModelError. Without one the model is loaded when a location first arrives.
    TrueNorthSetup(heading::HeadingService& service, QString dataDir,
                   std::optional<heading::Location> location, heading::Warn warn);
    ~TrueNorthSetup();
    TrueNorthSetup(const TrueNorthSetup&) = delete;
    TrueNorthSetup& operator=(const TrueNorthSetup&) = delete;

    // Asks source (the system's location service, or null where there is none) where the device
    // is, from now on.
    void watch(std::unique_ptr<QGeoPositionInfoSource> source,
               int firstAnswerMs = PositionWatcher::kFirstAnswerMs);

    // A new location (main thread).
    void locate(const heading::Location& location);

    // The model's total field at the location, in µT, once a location is known.
    std::optional<double> totalFieldMicrotesla() {
        return trueNorth_ ? trueNorth_->totalMicrotesla() : std::nullopt;
    }

    const PositionWatcher* watcher() const { return watcher_.get(); }

    // The system's location service, or null when this system has none.
    static std::unique_ptr<QGeoPositionInfoSource> systemSource();

  private:
    bool loadModel();

    heading::HeadingService& service_;
    QString dataDir_;
    heading::Warn warn_;
    std::unique_ptr<heading::TrueNorth> trueNorth_;
    std::unique_ptr<PositionWatcher> watcher_;
    bool modelFailed_ = false;
};

}  // namespace platform::qt
