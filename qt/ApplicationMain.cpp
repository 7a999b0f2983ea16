#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QSettings>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SampleRoad.h"
#include "app/TrueNorthChoice.h"
#include "heading/HeadingService.h"
#include "heading/HeadingSession.h"
#include "heading/calibration/CalibrationTap.h"
#include "heading/model/FieldModel.h"
#include "heading/model/TrueNorthStage.h"
#include "instrument/AcMonitor.h"
#include "instrument/Instrument.h"
#include "instrument/Spectrum.h"
#include "instrument/SummaryLine.h"
#include "platform/ApplicationDelegate.h"
#include "platform/InterfaceError.h"
#include "platform/Launcher.h"
#include "qt/DataFiles.h"
#include "qt/FieldModelQuery.h"
#include "qt/LatencyMeter.h"
#include "qt/NonBlockingLog.h"
#include "qt/Options.h"
#include "qt/QtPlatform.h"
#include "qt/QuitOnSignals.h"
#include "qt/QuitTimer.h"
#include "qt/RunStats.h"
#include "qt/Screenshot.h"
#include "qt/ac/AcControl.h"
#include "qt/calibration/CalibrationFlow.h"
#include "qt/calibration/CalibrationScreen.h"
#include "qt/calibration/RecordingCommand.h"
#include "qt/instrument/InstrumentControls.h"
#include "qt/instrument/MeterStatusOf.h"
#include "qt/instrument/WindowRecording.h"
#include "qt/interface/UiLoader.h"
#include "qt/positioning/PositionWatcher.h"
#include "qt/sound/AudioTeardown.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/SignalStatus.h"
#include "qt/widgets/TrueNorthNote.h"
#include "remote/RemoteView.h"
#include "remote/ServeOptions.h"

namespace platform {

namespace {

std::vector<std::string> argumentsOf(int argc, char* argv[]) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

int fail(const std::string& message) {
    std::cerr << "fluxprobe: " << message << std::endl;
    return 2;
}

// Until the session starts, a start-up that stops (on an error of ours, or in Qt finding no
// display to start on) takes back the record file the session made. Should Qt end the program,
// the lines already logged go out first.
class UnstartedSession {
  public:
    explicit UnstartedSession(heading::HeadingSession& session) : session_(&session) {}
    ~UnstartedSession() {
        if (session_) session_->discardRecording();
    }
    UnstartedSession(const UnstartedSession&) = delete;
    UnstartedSession& operator=(const UnstartedSession&) = delete;

    void started() { session_ = nullptr; }

    // Makes the application; Qt ends the program inside when it cannot start its platform.
    void startQt(std::optional<QApplication>& app, int& argc, char* argv[],
                 qt::NonBlockingLog& log) {
        starting = session_;
        startLog = &log;
        previous = qInstallMessageHandler(discardOnFatal);
        app.emplace(argc, argv);
        qInstallMessageHandler(previous);
        starting = nullptr;
        startLog = nullptr;
    }

  private:
    static void discardOnFatal(QtMsgType type, const QMessageLogContext& context,
                               const QString& text) {
        if (type == QtFatalMsg && starting) starting->discardRecording();
        if (type == QtFatalMsg && startLog) startLog->flush();
        if (previous)
            previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }

    static inline heading::HeadingSession* starting = nullptr;
    static inline qt::NonBlockingLog* startLog = nullptr;
    static inline QtMessageHandler previous = nullptr;
    heading::HeadingSession* session_;
};

// The meter with its window, from the start of Qt to the last line of its log.
int runWithWindow(int argc, char* argv[], const ClassRegistry& classes,
                  const qt::Options& options) {
    // A reader that has gone (| head -2) makes a write fail with EPIPE, which ends the log, not
    // the program and its recording.
    std::signal(SIGPIPE, SIG_IGN);
    // One log line per sample goes to stderr: write them once per turn of the loop, not one by
    // one, and never wait for a reader. Made before anything is written to stderr.
    qt::NonBlockingLog errors(stderr);

    // Made last of all, once every file the user named has been checked, so that a missing or
    // broken one is told with its status even where Qt finds no display to start on; destroyed
    // last, after everything made with it.
    std::optional<QApplication> app;

    qt::QtPlatformSettings settings;
    settings.uiDir = QString::fromStdString(options.uiDir);
    if (settings.uiDir.isEmpty()) settings.uiDir = qEnvironmentVariable("FLUXPROBE_UI_DIR");
    settings.dataDir = qEnvironmentVariable("FLUXPROBE_DATA_DIR");

    heading::HeadingService service;
    // Hold, zero, statistics and units: how the screens are to show each sample.
    instrument::Instrument instrument;
    // The latest samples and their spectrum, for the AC view, the remote view and the summary.
    instrument::AcMonitor ac;

    // True north from the field model, unless the user gave the declination. Set up before the
    // session, so that a model that cannot be loaded leaves no record file behind.
    std::unique_ptr<heading::TrueNorthStage> trueNorth;
    if (app::fillsTrueNorth(options.source)) {
        try {
            trueNorth = std::make_unique<heading::TrueNorthStage>(
                [dir = settings.dataDir] { return qt::loadFieldModel(dir); }, options.location,
                heading::warnOnStderr);
        } catch (const heading::FieldModelError& e) {
            return fail(e.what());
        }
    }

    // An interface folder of the user's: its window's file is found and well-formed.
    if (!settings.uiDir.isEmpty()) {
        try {
            qt::InterfaceFiles(settings.uiDir).check(settings.mainInterface);
        } catch (const InterfaceError& e) {
            return fail(e.what());
        }
    }

    // The session reads a replay whole, creates the record file and loads the calibration; its
    // samples are posted to the platform, which exists before the session starts.
    std::unique_ptr<qt::QtPlatform> platformOwner;
    std::unique_ptr<heading::HeadingSession> session;
    try {
        session = std::make_unique<heading::HeadingSession>(
            options.source, service,
            [&platformOwner](std::function<void()> task) { platformOwner->post(std::move(task)); });
    } catch (const heading::SourceError& e) {
        return fail(e.what());
    }
    UnstartedSession unstarted(*session);

    // Qt takes its own options out of argv; what is left is ours or ignored.
    unstarted.startQt(app, argc, argv, errors);
    errors.flushBeforeEachWait();
    qt::QuitOnSignals quitOnSignals;
    qt::RunStats stats;
    QApplication::setApplicationName(QStringLiteral("fluxprobe"));
    QApplication::setDesktopFileName(QStringLiteral("fluxprobe"));

    platformOwner = std::make_unique<qt::QtPlatform>(service, settings);
    qt::QtPlatform& platform = *platformOwner;
    std::shared_ptr<ApplicationDelegate> delegate;
    session->prepare();
    // Before any window: an address that cannot be served stops start-up.
    std::unique_ptr<remote::RemoteView> remoteView;
    if (options.serve) {
        try {
            remoteView = std::make_unique<remote::RemoteView>(
                *options.serve, options.serveToken, *session, options.source.recordPath,
                [&platform] { return platform.mainWindow(); }, &ac);
        } catch (const remote::ServeError& e) {
            return fail(e.what());
        }
        std::cout << remoteView->announcement() << std::flush;
    }
    try {
        delegate = launchApplication(platform, classes);
    } catch (const InterfaceError& e) {
        return fail(e.what());
    }
    heading::calibration::CalibrationTap calibrationTap;
    // The system's location service, asked once the window is up.
    std::unique_ptr<qt::PositionWatcher> positions;
    if (app::asksLocationService(options.source, options.location, service.headingAvailable()))
        QTimer::singleShot(0, &*app, [&positions, &trueNorth] {
            positions = std::make_unique<qt::PositionWatcher>(
                qt::PositionWatcher::systemSource(),
                [&trueNorth](const heading::Location& l) { trueNorth->locate(l); });
            positions->start();
        });

    stats.watch(platform.mainWindow());
    // Samples may come far faster than a display shows frames: hand the widgets new texts,
    // places and turns, and paint them, at most once a frame.
    qt::FrameClock frameClock(platform.mainWindow());
    std::shared_ptr<qt::LatencyMeter> latency;
    if (options.stats) {
        latency = std::make_shared<qt::LatencyMeter>();
        latency->watch(service);
    }
    frameClock.afterEachFrame([&stats, latency] {
        stats.frameShown();
        if (latency) latency->frameShown(qt::LatencyMeter::Clock::now());
    });
    if (options.openCompass) {
        // As the user does it: the meter's compass button, once the loop runs.
        QTimer::singleShot(0, &*app, [&platform] {
            QWidget* window = platform.mainWindow();
            auto* button =
                window ? window->findChild<QAbstractButton*>(QStringLiteral("compassButton"))
                       : nullptr;
            if (button)
                button->click();
            else
                std::cerr << "fluxprobe: --open-compass: the window has no compassButton"
                          << std::endl;
        });
    }

    // The guided calibration: first thing with --calibrate, and at any time from the meter.
    qt::CalibrationFlow calibration(service, *session, calibrationTap);
    calibration.setReferenceField([&trueNorth]() -> std::optional<double> {
        return trueNorth ? trueNorth->totalFieldMicrotesla() : std::nullopt;
    });
    calibration.attachTo(platform.mainWindow());
    if (remoteView)
        remoteView->setSignal([&service, &platform]() -> remote::SignalState {
            const qt::SignalStatus* signal = platform.signalStatus();
            if (!service.headingAvailable() || !signal) return {"none", "No magnetometer found"};
            if (!signal->isStale()) return {"live", ""};
            const std::string text = signal->statusText().toStdString();
            if (signal->hasEnded()) return {"ended", text};
            return {signal->isStopped() ? "denied" : "stale", text};
        });
    if (options.calibrate) calibration.open();
    qt::TrueNorthNote::attachTo(platform.mainWindow(), [&trueNorth] {
        return trueNorth ? QString::fromStdString(trueNorth->whyUnknown()) : QString();
    });

    ac.setResolution(session->resolution());
    qt::AcControl acControl(ac, instrument);
    acControl.setEnded([&platform] {
        const qt::SignalStatus* signal = platform.signalStatus();
        return signal && signal->hasEnded() ? signal->statusText() : QString();
    });
    acControl.attachTo(platform.mainWindow());
    if (options.openAc) QTimer::singleShot(0, &*app, [&acControl] { acControl.open(); });
    QSettings kept(QStringLiteral("fluxprobe"), QStringLiteral("fluxprobe"));
    qt::InstrumentControls controls(instrument, *session, kept, options.units);
    controls.attachTo(platform.mainWindow());
    QObject::connect(&calibration, &qt::CalibrationFlow::kept, &controls,
                     &qt::InstrumentControls::say);
    if (remoteView)
        remoteView->setStatus([&] {
            return qt::meterStatusOf(service, platform.signalStatus(), instrument,
                                     controls.isRecording(), session->replayFile());
        });

    // Every station is there now: the road is laid before the first sample.
    std::optional<app::SampleRoad> road;
    road.emplace(service, app::RoadStations{.calibration = &calibrationTap,
                                            .trueNorth = trueNorth.get(),
                                            .presentation = &instrument,
                                            .recorder = session->recorder(),
                                            .windowRecording = &controls.recording(),
                                            .signalStatus = platform.signalStatus(),
                                            .remoteView = remoteView.get(),
                                            .acMonitor = &ac});
    try {
        session->start();
    } catch (const heading::SourceError& e) {
        return fail(e.what());
    }
    unstarted.started();

    // Leaving the loop closes every window, alerts included: the picture is taken before, of
    // the calibration screen when it is in front.
    QImage shot;
    std::optional<qt::QuitTimer> quitTimer;
    if (options.quitAfter)
        quitTimer.emplace(std::chrono::duration<double>(*options.quitAfter), [&] {
            if (!options.screenshot.empty()) {
                frameClock.flush();
                QWidget* front = calibration.screen() && calibration.screen()->isVisible()
                                     ? static_cast<QWidget*>(calibration.screen())
                                     : platform.mainWindow();
                shot = qt::screenshotOf(front);
            }
            QCoreApplication::quit();
        });

    int status = app->exec();
    const std::string summary = stats.summary();
    std::string statsLine;
    if (latency) {
        latency->stop();
        const double seconds = stats.secondsRun();
        char line[256];
        std::snprintf(line, sizeof line,
                      "stats: samples=%llu frames_per_s=%.1f latency_p50_ms=%.1f "
                      "latency_p95_ms=%.1f latency_max_ms=%.1f first_frame_ms=%.0f",
                      static_cast<unsigned long long>(service.samplesDelivered()),
                      seconds > 0.0 ? static_cast<double>(frameClock.frames()) / seconds : 0.0,
                      latency->percentileMs(0.5), latency->percentileMs(0.95), latency->maxMs(),
                      stats.firstFrameMs());
        statsLine = line;
    }
    frameClock.afterEachFrame({});
    frameClock.flush();

    if (!options.screenshot.empty()) {
        QWidget* window = platform.mainWindow();
        if (shot.isNull()) shot = qt::screenshotOf(window);
        const std::string problem =
            window ? qt::writeScreenshot(shot, options.screenshot) : "there is no window";
        if (!problem.empty()) {
            std::cerr << "fluxprobe: could not write the screenshot " << options.screenshot << ": "
                      << problem << std::endl;
            if (status == 0) status = 1;
        }
    }

    // Readers stop first, so no sample arrives while the screens go.
    session->stop();
    road.reset();
    remoteView.reset();
    // A recording that stopped on a write error is a failed run, even if the meter went on.
    if (session->recordingFailed() && status == 0) status = 1;
    session.reset();
    delegate.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (options.stats) std::cerr << summary << std::endl;
    std::cerr << "fluxprobe: delivered " << service.samplesDelivered() << " samples" << std::endl;
    if (!statsLine.empty()) std::cerr << statsLine << std::endl;
    // The AC figures come last, over the run's last window.
    if (options.summary)
        std::cout << instrument::SummaryLine(instrument.run()).text() << ' '
                  << instrument::summaryFields(ac.spectrum()) << std::endl;
    return status;
}

}  // namespace

int applicationMain(int argc, char* argv[], const ClassRegistry& classes) {
#if defined(__GLIBC__)
    // Pictures and their copies are large and short-lived: each goes back to the system when
    // freed, instead of glibc raising its threshold and keeping them in the heap for good.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    // Help needs no display, so it comes before Qt starts.
    if (qt::wantsHelp(argumentsOf(argc, argv))) {
        std::cout << qt::helpText();
        return 0;
    }
    // So does every option's check: a mistake is told, with status 2, even where there is no
    // display for Qt to start on.
    const std::vector<std::string> ours = qt::withoutQtOptions(argumentsOf(argc, argv));
    qt::Options options;
    try {
        options = qt::parseOptions(ours);
    } catch (const qt::OptionError& e) {
        std::cerr << "fluxprobe: " << e.what() << "\n" << qt::usageLine() << std::endl;
        return 2;
    }
    for (const std::string& warning : options.warnings)
        std::cerr << "fluxprobe: " << warning << std::endl;

    // A calibration from a recording needs no display either.
    if (auto status = qt::calibrateFromRecordingIfAsked(ours)) return *status;

    // The field model answers without a window, so without a display too.
    if (options.fieldModel) {
        QCoreApplication core(argc, argv);
        return qt::runFieldModelQuery(ours);
    }

    return qt::leaveAfterAudio(runWithWindow(argc, argv, classes, options));
}

}  // namespace platform
