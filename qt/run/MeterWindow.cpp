#include "qt/run/MeterWindow.h"

#include <QAbstractButton>
#include <QImage>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <iostream>

#include "heading/HeadingService.h"
#include "heading/HeadingSession.h"
#include "heading/SignalWatch.h"
#include "heading/calibration/CalibrationTap.h"
#include "platform/ApplicationDelegate.h"
#include "platform/Launcher.h"
#include "qt/LatencyMeter.h"
#include "qt/QtPlatform.h"
#include "qt/RunStats.h"
#include "qt/Screenshot.h"
#include "qt/ac/AcControl.h"
#include "qt/calibration/CalibrationFlow.h"
#include "qt/calibration/CalibrationScreen.h"
#include "qt/instrument/InstrumentControls.h"
#include "qt/instrument/WindowRecording.h"
#include "qt/interface/UiLoader.h"
#include "qt/interface/WindowParts.h"
#include "qt/positioning/PositionWatcher.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/TrueNorthNote.h"

namespace platform::qt {

namespace {

QtPlatformSettings settingsFor(const std::string& uiDir, heading::SignalWatch* signal) {
    QtPlatformSettings settings;
    settings.uiDir = QString::fromStdString(uiDir);
    if (settings.uiDir.isEmpty()) settings.uiDir = qEnvironmentVariable("FLUXPROBE_UI_DIR");
    settings.dataDir = qEnvironmentVariable("FLUXPROBE_DATA_DIR");
    settings.signal = signal;
    return settings;
}

// As the user does it: the meter's compass button, once the loop runs.
void pressCompassButton(QWidget* window) {
    auto* button =
        window ? WindowParts::of(window).named<QAbstractButton>("compassButton") : nullptr;
    if (button)
        button->click();
    else
        std::cerr << "fluxprobe: --open-compass: the window has no compassButton" << std::endl;
}

}  // namespace

// Declared in the order they are made, so that each goes before what it was made with.
struct MeterWindow::Parts {
    Parts(const WindowChoices& choices, const WindowWork& work, const ClassRegistry& classes)
        : choices(choices),
          work(work),
          platform(work.service, settingsFor(choices.uiDir, &work.signal)),
          delegate(launchApplication(platform, classes)),
          frameClock(platform.mainWindow()),
          calibration(work.service, work.session, calibrationTap),
          acControl(work.ac, work.instrument),
          kept(QStringLiteral("fluxprobe"), QStringLiteral("fluxprobe")),
          controls(work.instrument, work.session, kept, choices.units) {}

    void attach();
    std::string statsLine() const;

    WindowChoices choices;
    WindowWork work;
    RunStats stats;
    QtPlatform platform;
    std::shared_ptr<ApplicationDelegate> delegate;
    // Samples may come far faster than a display shows frames: hand the widgets new texts,
    // places and turns, and paint them, at most once a frame.
    FrameClock frameClock;
    std::shared_ptr<LatencyMeter> latency;
    heading::calibration::CalibrationTap calibrationTap;
    // The guided calibration: first thing with --calibrate, and at any time from the meter.
    CalibrationFlow calibration;
    AcControl acControl;
    QSettings kept;
    InstrumentControls controls;
    // The system's location service, asked once the window is up.
    std::unique_ptr<PositionWatcher> positions;
    QImage shot;
};

void MeterWindow::Parts::attach() {
    QWidget* window = platform.mainWindow();
    stats.watch(window);
    if (choices.stats) {
        latency = std::make_shared<LatencyMeter>();
        latency->watch(work.service);
    }
    frameClock.afterEachFrame([this] {
        stats.frameShown();
        if (latency) latency->frameShown(LatencyMeter::Clock::now());
    });
    calibration.setReferenceField(work.referenceField);
    calibration.attachTo(window);
    heading::SignalWatch& signal = work.signal;
    acControl.setEnded([&signal] {
        return signal.hasEnded() ? QString::fromStdString(signal.text()) : QString();
    });
    acControl.attachTo(window);
    controls.attachTo(window);
    // A calibration kept is said in the window, and its CAL mark shown.
    QObject::connect(&calibration, &CalibrationFlow::kept, &controls, &InstrumentControls::say);
    if (work.trueNorthUnknown)
        TrueNorthNote::attachTo(
            window, [why = work.trueNorthUnknown] { return QString::fromStdString(why()); });
    QTimer::singleShot(0, window, [this] {
        if (work.located) {
            positions =
                std::make_unique<PositionWatcher>(PositionWatcher::systemSource(), work.located);
            positions->start();
        }
        if (choices.openCompass) pressCompassButton(platform.mainWindow());
        if (choices.openAc) acControl.open();
    });
    if (choices.calibrate) calibration.open();
}

std::string MeterWindow::Parts::statsLine() const {
    const double seconds = stats.secondsRun();
    char line[256];
    std::snprintf(line, sizeof line,
                  "stats: samples=%llu frames_per_s=%.1f latency_p50_ms=%.1f "
                  "latency_p95_ms=%.1f latency_max_ms=%.1f first_frame_ms=%.0f",
                  static_cast<unsigned long long>(work.service.samplesDelivered()),
                  seconds > 0.0 ? static_cast<double>(frameClock.frames()) / seconds : 0.0,
                  latency->percentileMs(0.5), latency->percentileMs(0.95), latency->maxMs(),
                  stats.firstFrameMs());
    return line;
}

void MeterWindow::checkInterfaceFiles(const std::string& uiDir) {
    const QtPlatformSettings settings = settingsFor(uiDir, nullptr);
    // An interface folder of the user's: its window's file is found and well-formed.
    if (!settings.uiDir.isEmpty()) InterfaceFiles(settings.uiDir).check(settings.mainInterface);
}

MeterWindow::MeterWindow(const WindowChoices& choices, const WindowWork& work,
                         const ClassRegistry& classes)
    : parts_(std::make_unique<Parts>(choices, work, classes)) {
    parts_->attach();
}

MeterWindow::~MeterWindow() = default;

heading::calibration::CalibrationTap& MeterWindow::calibrationTap() {
    return parts_->calibrationTap;
}

heading::SampleSink& MeterWindow::recording() {
    return parts_->controls.recording();
}

bool MeterWindow::isRecording() const {
    return parts_->controls.isRecording();
}

std::optional<float> MeterWindow::alarmThreshold() const {
    return parts_->platform.alarmThreshold();
}

void MeterWindow::beforeQuit() {
    // Leaving the loop closes every window, alerts included: the picture is taken before, of
    // the calibration screen when it is in front.
    if (parts_->choices.screenshot.empty()) return;
    parts_->frameClock.flush();
    CalibrationScreen* calibrating = parts_->calibration.screen();
    QWidget* front = calibrating && calibrating->isVisible() ? static_cast<QWidget*>(calibrating)
                                                             : parts_->platform.mainWindow();
    parts_->shot = screenshotOf(front);
}

int MeterWindow::finish(int status, Report& report) {
    Parts& p = *parts_;
    if (p.choices.stats) report.paints = p.stats.summary();
    if (p.latency) {
        p.latency->stop();
        report.frames = p.statsLine();
    }
    p.frameClock.afterEachFrame({});
    p.frameClock.flush();
    if (p.choices.screenshot.empty()) return status;
    QWidget* window = p.platform.mainWindow();
    if (p.shot.isNull()) p.shot = screenshotOf(window);
    const std::string problem =
        window ? writeScreenshot(p.shot, p.choices.screenshot) : "there is no window";
    if (problem.empty()) return status;
    std::cerr << "fluxprobe: could not write the screenshot " << p.choices.screenshot << ": "
              << problem << std::endl;
    return status == 0 ? 1 : status;
}

}  // namespace platform::qt
