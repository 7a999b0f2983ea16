#include "heading/replay/ReplaySource.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <utility>

#include "heading/HeadingMath.h"
#include "heading/SampleChannel.h"
#include "heading/SourceError.h"
#include "heading/UtcTime.h"
#include "heading/replay/IagaFile.h"
#include "heading/replay/ReplayFile.h"
#include "heading/replay/ReplayFormat.h"

namespace heading {

namespace {

constexpr double kMicroteslaPerNanotesla = 1e-3;
constexpr unsigned kAll =
    Heading::kMissingX | Heading::kMissingY | Heading::kMissingZ | Heading::kMissingF;
constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

// Thrown through the file's reader to end a replay that was asked to stop.
struct Stopped {};

Heading fromIaga(const IagaRecord& r, std::int64_t firstMs, std::optional<double> declination) {
    Heading h;
    h.missing = (r.missing | r.notRecorded) & kAll;
    h.x = r.value[0] * kMicroteslaPerNanotesla;
    h.y = r.value[1] * kMicroteslaPerNanotesla;
    h.z = r.value[2] * kMicroteslaPerNanotesla;
    h.f = (h.missing & Heading::kMissingF) ? -1.0 : r.value[3] * kMicroteslaPerNanotesla;
    h.utc = static_cast<double>(r.ms) / 1000.0;
    h.timestamp = static_cast<double>(r.ms - firstMs) / 1000.0;
    h.magneticHeading = magneticHeadingFromAxes(h.x, h.y);
    h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
    return h;
}

}  // namespace

ReplaySource::ReplaySource(const std::string& path, std::optional<double> declination, Warn warn,
                           ReplayPace pace)
    : path_(path), declination_(declination), warn_(std::move(warn)), pace_(pace) {
    struct stat info {};
    fifo_ = ::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
    iaga_ = !fifo_ && IagaFile::recogniseFile(path);
    if (iaga_)
        checkIaga();
    else
        checkCsv();
}

void ReplaySource::checkIaga() {
    IagaHeader header;
    unsigned never = kAll;  // components 88888 on every line so far
    IagaFile::scan(
        path_, [&header](const IagaHeader& h) { header = h; },
        [&](const IagaRecord& r) {
            never &= r.notRecorded;
            ++count_;
        });
    if (pace_.startMs)
        throw SourceError("replay file " + path_ +
                          ": start= is for a CSV recording; an IAGA-2002 file has its own times");
    facts_.code = header.code;
    facts_.name = header.stationName;
    facts_.latitude = header.latitude;
    facts_.longitude = header.longitude;
    facts_.elevation = header.elevation;
    facts_.orientation = header.orientation.empty() ? "XYZF" : header.orientation;
    facts_.reported = header.reported.empty() ? facts_.orientation : header.reported;
    // A longer form names each element with a prefix of its own ("SVHSVESVZSSF"): the elements
    // are its last letters, whatever interval the station's own files have.
    if (facts_.reported.size() == 8 || facts_.reported.size() == 12) {
        const std::size_t n = facts_.reported.size() / 4;
        std::string letters;
        for (std::size_t i = 0; i < 4; ++i) letters += facts_.reported[i * n + n - 1];
        facts_.reported = letters;
    }
    facts_.sampling = header.sampling;
    facts_.notRecorded = count_ == 0 ? 0 : never;
    facts_.scalarTotal = !(facts_.notRecorded & Heading::kMissingF);
}

void ReplaySource::checkCsv() {
    if (fifo_) {
        samples_ = ReplayFile::read(path_);
        count_ = samples_.size();
        for (auto& h : samples_) {
            if (declination_) h.trueHeading = trueHeadingFrom(h.magneticHeading, declination_);
            gravity_ = gravity_ || carriesGravity(h);
        }
        return;
    }
    ReplayFile::scan(
        path_,
        [this](const Heading& h) {
            gravity_ = gravity_ || carriesGravity(h);
            ++count_;
        },
        {}, kUnlimited);
}

ReplaySource::~ReplaySource() {
    stop();
}

void ReplaySource::start(std::shared_ptr<SampleChannel> channel) {
    thread_.start([this, channel = std::move(channel)](std::stop_token st) { run(st, channel); });
}

void ReplaySource::stop() {
    thread_.stop();
}

std::string ReplaySource::describe() const {
    std::string text = "replay " + path_ + " (" + std::to_string(count_) + " samples";
    if (pace_.speed == 0.0) {
        text += ", as fast as possible";
    } else if (pace_.speed != 1.0) {
        char speed[48];
        std::snprintf(speed, sizeof speed, ", %g times real time", pace_.speed);
        text += speed;
    }
    return text + ")";
}

void ReplaySource::play(const Each& each, double utcBase) const {
    if (fifo_) {
        for (Heading h : samples_) {
            h.utc = utcBase + (h.timestamp - samples_.front().timestamp);
            each(h);
        }
        return;
    }
    if (iaga_) {
        std::optional<std::int64_t> first;
        IagaFile::scan(path_, {}, [&](const IagaRecord& r) {
            if (!first) first = r.ms;
            if (((r.missing | r.notRecorded) & kAll) == kAll) return;  // nothing to give
            Heading h = fromIaga(r, *first, declination_);
            each(h);
        });
        return;
    }
    std::optional<double> first;
    ReplayFile::scan(
        path_,
        [&](const Heading& recorded) {
            Heading h = recorded;
            if (!first) first = h.timestamp;
            if (declination_) h.trueHeading = trueHeadingFrom(h.magneticHeading, declination_);
            h.utc = utcBase + (h.timestamp - *first);
            each(h);
        },
        {}, kUnlimited);
}

void ReplaySource::run(std::stop_token stop, std::shared_ptr<SampleChannel> channel) {
    using Clock = std::chrono::steady_clock;
    const bool asFast = pace_.speed == 0.0;
    const std::size_t maxBatch = asFast ? SampleChannel::kMaxPerTask : 4096;
    const auto start = Clock::now();
    const double utcBase = pace_.startMs ? static_cast<double>(*pace_.startMs) / 1000.0 : utcNow();
    std::optional<double> t0;
    std::vector<Heading> batch;
    const auto flush = [&] {
        if (batch.empty()) return;
        if (asFast) channel->waitForRoom(kMaxBacklog, stop);
        if (stop.stop_requested()) throw Stopped{};
        channel->push(batch);
        batch.clear();
    };
    const Each each = [&](Heading& h) {
        if (stop.stop_requested()) throw Stopped{};
        if (!t0) t0 = h.timestamp;
        if (!asFast) {
            const auto due =
                start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>((h.timestamp - *t0) / pace_.speed));
            // Everything due by now goes together; a late wake-up never drops a sample.
            if (due > Clock::now()) {
                flush();
                std::unique_lock lock(mutex_);
                if (wake_.wait_until(lock, stop, due, [] { return false; }) ||
                    stop.stop_requested())
                    throw Stopped{};
            }
        }
        batch.push_back(h);
        if (batch.size() >= maxBatch) flush();
    };
    std::size_t played = 0;
    try {
        play(
            [&](Heading& h) {
                each(h);
                ++played;
            },
            utcBase);
        flush();
    } catch (const Stopped&) {
        return;
    } catch (const SourceError& e) {
        // The file changed under the replay after it was checked.
        if (!batch.empty()) channel->push(batch);
        if (warn_) warn_(std::string(e.what()) + "; the replay ends here");
    }
    if (warn_)
        warn_("replay of " + path_ + " finished after " + std::to_string(played) + " samples");
    // After the last sample, so that the screens say the replay ended rather than wait for more.
    channel->pushError({heading::LocationError::kEnded, {}});
}

}  // namespace heading
