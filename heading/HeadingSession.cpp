#include "heading/HeadingSession.h"

#include <utility>

#include "heading/NoneSource.h"
#include "heading/SampleChannel.h"
#include "heading/Source.h"
#include "heading/SourceChoice.h"
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
            return std::make_unique<SimulatedSource>(spec.rate, options.declination);
        case SourceChoice::Kind::Auto:
            if (auto iio = IioSource::findFirst(iioRoot(), options.declination)) return iio;
            return std::make_unique<NoneSource>("auto: no magnetometer under " + iioRoot());
        case SourceChoice::Kind::Iio:
            return IioSource::open(iioRoot(), spec.device, options.declination);
        case SourceChoice::Kind::Replay:
            return std::make_unique<ReplaySource>(spec.file, options.declination, warn);
    }
    throw SourceError("heading source '" + options.spec + "' is not known");
}

}  // namespace

HeadingSession::HeadingSession(const SourceOptions& options, HeadingService& service, Post post,
                               Warn warn)
    : service_(service), post_(std::move(post)), warn_(std::move(warn)) {
    source_ = makeSource(options, warn_);
    // The source first: a bad source must not leave an empty record file behind.
    if (!options.recordPath.empty())
        recorder_ = std::make_unique<Recorder>(options.recordPath, warn_);
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
    if (recorder_)
        service_.setSampleObserver(
            [r = recorder_.get()](const platform::Heading& h) { r->record(h); });
    source_->start(channel_);
}

void HeadingSession::stop() {
    if (!channel_) return;
    source_->stop();
    channel_->close();
    channel_.reset();
    if (recorder_) {
        service_.setSampleObserver({});
        recorder_->flush();
    }
}

void HeadingSession::flushRecording() {
    if (recorder_) recorder_->flush();
}

bool HeadingSession::recordingFailed() const {
    return recorder_ && recorder_->failed();
}

std::string HeadingSession::describe() const {
    std::string text = source_->describe();
    if (recorder_) text += ", recording to " + recorder_->name();
    return text;
}

}  // namespace heading
