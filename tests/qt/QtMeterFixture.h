#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>

#include "app/AppDelegate.h"
#include "app/InterfaceClasses.h"
#include "app/SampleRoad.h"
#include "heading/HeadingService.h"
#include "heading/calibration/CalibrationTap.h"
#include "platform/Launcher.h"
#include "qt/QtPlatform.h"
#include "qt/widgets/SignalStatus.h"

namespace fluxprobe_qt_test {

// Lets queued work (posted samples, alerts, layout, paints) run.
inline void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline std::vector<QMessageBox*> openAlerts() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

// The real meter window on the offscreen platform, launched the way fluxprobe launches it.
class QtMeterTest : public ::testing::Test {
  protected:
    QtMeterTest() { settings.dataDir = QStringLiteral(FLUXPROBE_RESOURCE_DIR); }

    void launch(bool magnetometer = true) {
        platform = std::make_unique<platform::qt::QtPlatform>(service, settings);
        service.setHeadingAvailable(magnetometer);
        delegate = std::static_pointer_cast<app::AppDelegate>(
            platform::launchApplication(*platform, app::interfaceClasses()));
        meter = delegate->viewController();
        window = platform->mainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        layRoad();
        settle();
    }

    // Lays the sample road as fluxprobe does: the calibration tap and the signal watch
    // with the given stations.
    void layRoad(app::RoadStations stations = {}) {
        road.reset();
        stations.calibration = &calibrationTap;
        stations.signal = &platform->signalWatch();
        road.emplace(service, stations);
    }

    void TearDown() override {
        for (QMessageBox* box : openAlerts()) box->close();
        meter.reset();
        delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        road.reset();
        platform.reset();
    }

    void deliver(double x, double y, double z) { service.deliver(heading::Heading::of(x, y, z)); }

    template <class W>
    W* widget(const char* name) const {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    heading::HeadingService service;
    heading::calibration::CalibrationTap calibrationTap;
    platform::qt::QtPlatformSettings settings;
    std::unique_ptr<platform::qt::QtPlatform> platform;
    std::optional<app::SampleRoad> road;
    std::shared_ptr<app::AppDelegate> delegate;
    std::shared_ptr<fieldmeter::FluxprobeViewController> meter;
    QWidget* window = nullptr;
};

}  // namespace fluxprobe_qt_test
