#include "qt/positioning/TrueNorthSetup.h"

#include <utility>

#include "heading/model/FieldQuery.h"
#include "qt/DataFiles.h"

namespace platform::qt {

TrueNorthSetup::TrueNorthSetup(heading::HeadingService& service, QString dataDir,
                               std::optional<heading::Location> location, heading::Warn warn)
    : service_(service), dataDir_(std::move(dataDir)), warn_(std::move(warn)) {
    if (location) {
        auto model = loadFieldModel(dataDir_);
        heading::checkAltitude(*model, *location);
        trueNorth_ = std::make_unique<heading::TrueNorth>(std::move(model), warn_);
        trueNorth_->setLocation(*location);
    }
    service_.setSampleFilter([this](heading::Heading& h) {
        if (trueNorth_) trueNorth_->fill(h);
    });
}

TrueNorthSetup::~TrueNorthSetup() {
    service_.setSampleFilter({});
}

void TrueNorthSetup::watch(std::unique_ptr<QGeoPositionInfoSource> source, int firstAnswerMs) {
    watcher_ = std::make_unique<PositionWatcher>(
        std::move(source), [this](const heading::Location& l) { locate(l); }, firstAnswerMs);
    watcher_->start();
}

void TrueNorthSetup::locate(const heading::Location& location) {
    if (!loadModel()) return;
    trueNorth_->setLocation(location);
}

bool TrueNorthSetup::loadModel() {
    if (trueNorth_) return true;
    if (modelFailed_) return false;
    try {
        trueNorth_ = std::make_unique<heading::TrueNorth>(loadFieldModel(dataDir_), warn_);
        return true;
    } catch (const heading::FieldModelError& e) {
        modelFailed_ = true;
        if (warn_) warn_(std::string(e.what()) + "; there is no true heading");
        return false;
    }
}

std::unique_ptr<QGeoPositionInfoSource> TrueNorthSetup::systemSource() {
    return std::unique_ptr<QGeoPositionInfoSource>(
        QGeoPositionInfoSource::createDefaultSource(nullptr));
}

}  // namespace platform::qt
