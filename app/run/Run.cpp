#include "app/run/Run.h"

#include <filesystem>
#include <iostream>
#include <utility>

#include "app/TrueNorthChoice.h"
#include "app/run/PublisherPart.h"
#include "app/run/SourcePart.h"
#include "app/run/StationPart.h"
#include "heading/model/TrueNorthStage.h"
#include "instrument/Spectrum.h"
#include "instrument/SummaryLine.h"
#include "platform/InterfaceError.h"
#include "qt/FieldModelQuery.h"
#include "remote/MeterStatus.h"
#include "remote/RemoteView.h"
#include "remote/ServeOptions.h"

namespace app {

bool runsWithWindow(const Options& options) {
    return !options.station;
}

void LastWords::say() const {
    if (!paints.empty()) std::cerr << paints << std::endl;
    std::cerr << delivered << std::endl;
    if (!frames.empty()) std::cerr << frames << std::endl;
    // The AC figures come last, over the run's last window.
    if (!summary.empty()) std::cout << summary << std::endl;
}

Run::Run(const Options& options, int& argc, char* argv[], const platform::ClassRegistry& classes)
    : options_(options), withWindow_(runsWithWindow(options)) {
    // Every file the user named is checked before Qt starts, so that a missing or broken one is
    // told with its status even where Qt finds no display; and before the session makes the
    // record file, so that none is left behind.
    makeTrueNorth();
    if (withWindow_) {
        try {
            platform::qt::MeterWindow::checkInterfaceFiles(options.uiDir);
        } catch (const platform::InterfaceError& e) {
            throw StartError(e.what());
        }
    }
    source_ = std::make_unique<SourcePart>(
        options.source, service_,
        [this](std::function<void()> task) { loop_.post(std::move(task)); });
    makeStation();
    // Qt takes its own options out of argv; what is left is ours or ignored.
    loop_.start(argc, argv, {.window = withWindow_}, [this] { source_->discardUnlessStarted(); });
    source_->session().prepare();
    // No hum is shown below what the source resolves.
    ac_.setResolution(source_->session().resolution());
    makePublisher();
    makeRemoteView();  // before any window: an address that cannot be served stops start-up
    if (withWindow_) makeWindow(classes);
    layRoad();
}

Run::~Run() = default;

void Run::makeTrueNorth() {
    if (!fillsTrueNorth(options_.source)) return;
    try {
        trueNorth_ = std::make_unique<heading::TrueNorthStage>(
            [] { return platform::qt::loadInstalledFieldModel(); }, options_.location,
            heading::warnOnStderr);
    } catch (const heading::FieldModelError& e) {
        throw StartError(e.what());
    }
}

void Run::makeStation() {
    if (!options_.station) return;
    // A station on a replay ends with it, once every minute is written; one watched in a browser
    // stays for it.
    std::function<void()> ended;
    if (!options_.serve) ended = [this] { loop_.quit(); };
    station_ =
        std::make_unique<StationPart>(options_, source_->session().sourceFacts(), std::move(ended));
}

void Run::makePublisher() {
    if (!options_.publish) return;
    // It listens to the run's station; without one it makes the values itself.
    publisher_ = std::make_unique<PublisherPart>(
        options_, source_->session().sourceFacts(), source_->session().sensorId(),
        station_ ? &station_->station() : nullptr, [this]() -> std::optional<float> {
            return window_ ? window_->alarmThreshold() : std::nullopt;
        });
}

void Run::makeRemoteView() {
    if (!options_.serve) return;
    try {
        remote_ = std::make_unique<remote::RemoteView>(*options_.serve, options_.serveToken,
                                                       source_->session(),
                                                       options_.source.recordPath, &ac_);
    } catch (const remote::ServeError& e) {
        throw StartError(e.what());
    }
    std::cout << remote_->announcement() << std::flush;
    heading::SignalWatch& signal = source_->signal();
    remote_->setSignal([&signal] { return remote::signalStateOf(signal); });
    remote_->setStatus([this, &signal] {
        remote::MeterStatus status = remote::meterStatusOf(
            signal, service_.samplesDelivered(), instrument_, window_ && window_->isRecording());
        status.calibrated = source_->session().calibrated();
        status.replay = std::filesystem::path(source_->session().replayFile()).filename().string();
        if (station_) {
            status.station = true;
            if (const auto& rate = station_->station().latestRate())
                status.rate =
                    remote::MeterStatus::Rate{rate->minute, rate->nanoteslaPerMinute, rate->alert};
        }
        return status;
    });
    remote_->setAlarmThreshold([this]() -> std::optional<float> {
        return window_ ? window_->alarmThreshold() : std::nullopt;
    });
    remote_->setMetrics([this](publish::MetricsSnapshot& snapshot) {
        snapshot.samplesDropped = service_.samplesDropped();
        if (station_) snapshot.rate = station_->station().latestRate();
        if (publisher_) publisher_->fillMetrics(snapshot);
    });
}

void Run::makeWindow(const platform::ClassRegistry& classes) {
    const platform::qt::WindowChoices choices{.uiDir = options_.uiDir,
                                              .openCompass = options_.openCompass,
                                              .openAc = options_.openAc,
                                              .calibrate = options_.calibrate,
                                              .stats = options_.stats,
                                              .screenshot = options_.screenshot,
                                              .units = options_.units};
    std::function<void(const heading::Location&)> located;
    if (asksLocationService(options_.source, options_.location, service_.headingAvailable()))
        located = [this](const heading::Location& l) { trueNorth_->locate(l); };
    const platform::qt::WindowWork work{
        .service = service_,
        .session = source_->session(),
        .signal = source_->signal(),
        .instrument = instrument_,
        .ac = ac_,
        .referenceField = [this]() -> std::optional<double> {
            return trueNorth_ ? trueNorth_->totalFieldMicrotesla() : std::nullopt;
        },
        .located = std::move(located),
        .trueNorthUnknown = [this]() -> std::string {
            return trueNorth_ ? trueNorth_->whyUnknown() : std::string();
        }};
    try {
        window_ = std::make_unique<platform::qt::MeterWindow>(choices, work, classes);
    } catch (const platform::InterfaceError& e) {
        throw StartError(e.what());
    }
}

void Run::layRoad() {
    road_.emplace(service_, RoadStations{
                                .calibration = window_ ? &window_->calibrationTap() : nullptr,
                                .trueNorth = trueNorth_.get(),
                                .instrument = &instrument_,
                                .recorder = source_->session().recorder(),
                                .windowRecording = window_ ? &window_->recording() : nullptr,
                                .signal = &source_->signal(),
                                .station = station_     ? &station_->sink()
                                           : publisher_ ? publisher_->ownStation()
                                                        : nullptr,
                                .publisher = publisher_ ? &publisher_->sink() : nullptr,
                                .remoteView = remote_.get(),
                                .acMonitor = &ac_,
                            });
}

int Run::exec(LastWords& lastWords) {
    source_->start();
    if (options_.quitAfter)
        loop_.quitAfter(*options_.quitAfter, [this] {
            if (window_) window_->beforeQuit();
        });
    int status = loop_.exec();
    platform::qt::MeterWindow::Report report;
    if (window_) status = window_->finish(status, report);
    // Readers stop first, so no sample arrives while the parts go.
    source_->stop();
    // The station writes every minute it can still make; lines it had to drop fail the run.
    if (station_) {
        station_->finish();
        if (station_->lostData() && status == 0) status = 1;
    }
    // Then the publisher: the station's last minutes go out, and what the broker has not
    // acknowledged stays in the spool.
    if (publisher_) publisher_->finish();
    // A recording that stopped on a write error is a failed run, even if the meter went on.
    if (source_->session().recordingFailed() && status == 0) status = 1;
    lastWords.paints = report.paints;
    lastWords.delivered =
        "fluxprobe: delivered " + std::to_string(service_.samplesDelivered()) + " samples";
    lastWords.frames = report.frames;
    if (options_.summary)
        lastWords.summary = instrument::SummaryLine(instrument_.run()).text() + ' ' +
                            instrument::summaryFields(ac_.spectrum());
    return status;
}

}  // namespace app
