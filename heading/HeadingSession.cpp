#include "heading/HeadingSession.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "heading/NoneSource.h"
#include "heading/SampleChannel.h"
#include "heading/Source.h"
#include "heading/SourceChoice.h"
#include "heading/calibration/CalibrationFile.h"
#include "heading/calibration/CalibrationStore.h"
#include "heading/iio/IioFiles.h"
#include "heading/iio/IioSource.h"
#include "heading/replay/Recorder.h"
#include "heading/replay/ReplaySource.h"
#include "heading/simulated/SimulatedSource.h"

namespace heading {

namespace {

std::unique_ptr<Source> makeSource(const SourceOptions& options, const Warn& warn) {
    const SourceChoice spec = parseSourceChoice(options.spec);
    switch (spec.kind) {
        case SourceChoice::Kind::None:
            return std::make_unique<NoneSource>();
        case SourceChoice::Kind::Simulated:
            return std::make_unique<SimulatedSource>(spec.rate, options.declination, spec.motion);
        case SourceChoice::Kind::Auto: {
            IioOptions iio;
            iio.warn = warn;
            if (auto found = IioSource::findFirst(iioRoot(), options.declination, readAttributeFile,
                                                  std::move(iio)))
                return found;
            return std::make_unique<NoneSource>("auto: no magnetometer under " + iioRoot());
        }
        case SourceChoice::Kind::Iio: {
            IioOptions iio;
            iio.warn = warn;
            if (spec.iioRate) iio.rate = spec.rate;
            return IioSource::open(iioRoot(), spec.device, options.declination, readAttributeFile,
                                   std::move(iio));
        }
        case SourceChoice::Kind::Replay:
            return std::make_unique<ReplaySource>(spec.file, options.declination, warn,
                                                  ReplayPace{spec.speed, spec.startMs});
    }
    throw SourceError("heading source '" + options.spec + "' is not known");
}

}  // namespace

HeadingSession::HeadingSession(const SourceOptions& options, HeadingService& service, Post post,
                               Warn warn)
    : service_(service), post_(std::move(post)), warn_(std::move(warn)) {
    source_ = makeSource(options, warn_);
    if (const SourceChoice spec = parseSourceChoice(options.spec);
        spec.kind == SourceChoice::Kind::Replay)
        replayFile_ = spec.file;
    referenceField_ = options.referenceField;
    calibrationOut_ = options.calibrationOut;
    // Refused now rather than after the user has turned the device for a minute.
    std::error_code ec;
    if (!calibrationOut_.empty() && std::filesystem::exists(calibrationOut_, ec))
        throw SourceError("calibration file " + calibrationOut_ +
                          " already exists; it is not overwritten");
    loadCalibration(options.calibration);
    // The source first: a bad source must not leave an empty record file behind.
    if (!options.recordPath.empty())
        recorder_ = std::make_unique<Recorder>(options.recordPath, warn_, Recorder::Clock::now,
                                               source_->measuresGravity());
}

void HeadingSession::loadCalibration(const std::string& choice) {
    service_.setCorrection(std::nullopt);
    if (choice == "none") return;
    if (choice != "auto") {
        try {
            service_.setCorrection(calibration::readCalibrationFile(choice));
            calibrationFile_ = choice;
        } catch (const calibration::CalibrationError& e) {
            throw SourceError(e.what());
        }
        return;
    }
    const std::string stored = calibration::storedCalibrationPath(source_->sensorId());
    std::error_code ec;
    if (stored.empty() || !std::filesystem::exists(stored, ec)) return;
    try {
        service_.setCorrection(calibration::readCalibrationFile(stored));
        calibrationFile_ = stored;
    } catch (const calibration::CalibrationError& e) {
        // The meter is still of use uncorrected; a new calibration replaces the file.
        warn_(std::string(e.what()) + "; the stored calibration is ignored");
    }
}

SourceFacts HeadingSession::sourceFacts() const {
    SourceFacts facts = source_->facts();
    if (facts.sampling.empty()) {
        if (const auto rate = source_->sampleRate(); rate && *rate > 0.0) {
            char text[48];
            std::snprintf(text, sizeof text, "%g second", 1.0 / *rate);
            facts.sampling = text;
        }
    }
    return facts;
}

std::string HeadingSession::sensorId() const {
    return source_->sensorId();
}

std::string HeadingSession::saveCalibration(const calibration::Calibration& calibration) {
    service_.setCorrection(calibration);
    std::string path = calibrationOut_;
    if (path.empty()) {
        if (source_->sensorId().empty())
            throw calibration::CalibrationError(
                "the calibration is not kept: this source is no sensor of its own; give "
                "--calibration-out=FILE to keep it");
        path = calibration::prepareStoredCalibrationPath(source_->sensorId());
    }
    calibration::writeCalibrationFile(
        path, calibration, source_->sensorId(),
        calibrationOut_.empty() ? calibration::Existing::Replace : calibration::Existing::Refuse);
    calibrationFile_ = path;
    return path;
}

HeadingSession::~HeadingSession() {
    stop();
}

void HeadingSession::prepare() {
    service_.setHeadingAvailable(source_->available());
}

void HeadingSession::start() {
    if (channel_) return;
    channel_ = std::make_shared<SampleChannel>(service_, post_, warn_);
    source_->start(channel_);
    service_.setSourceRate(source_->sampleRate());
}

void HeadingSession::stop() {
    if (!channel_) return;
    source_->stop();
    channel_->close();
    channel_.reset();
    if (recorder_) recorder_->flush();
}

void HeadingSession::flushRecording() {
    if (recorder_) recorder_->flush();
}

std::optional<std::pair<int, std::size_t>> HeadingSession::recordedBytes() const {
    if (!recorder_) return std::nullopt;
    return std::pair{recorder_->fd(), recorder_->flushedBytes()};
}

SampleSink* HeadingSession::recorder() const {
    return recorder_.get();
}

bool HeadingSession::recordingFailed() const {
    return recorder_ && recorder_->failed();
}

bool HeadingSession::recording() const {
    return recorder_ && !recordingStopped_;
}

std::string HeadingSession::recordPath() const {
    return recorder_ ? recorder_->name() : std::string();
}

void HeadingSession::discardRecording() {
    if (recorder_ && !channel_) recorder_->discard();
}

void HeadingSession::stopRecording() {
    if (!recording()) return;
    // The recorder stays, idle, so that the remote view can still serve the whole file.
    recorder_->stop();
    recordingStopped_ = true;
}

double HeadingSession::resolution() const {
    return source_->resolution();
}

bool HeadingSession::calibrated() const {
    return service_.correction().has_value();
}

std::string HeadingSession::describe() const {
    std::string text = source_->describe();
    if (recorder_) text += ", recording to " + recorder_->name();
    if (!calibrationFile_.empty()) text += ", calibrated by " + calibrationFile_;
    return text;
}

}  // namespace heading
