#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/SampleSink.h"
#include "heading/replay/ReplayLine.h"

namespace heading {

// Writes every sample it is given to a file in the replay format. The file is created, never
// overwritten; it is flushed when a second has passed since the last flush and at the end, so a
// crash loses at most about the last second. t never goes backwards in the file: when the
// source starts again from 0, the recording carries on from where it was. A write that fails later
// (disk full) is reported once through warn and recording stops; the meter goes on. The file only
// ever holds whole lines, so a recording cut short, by a full disk or a crash, still replays.
class Recorder : public SampleSink {
  public:
    using Clock = std::chrono::steady_clock;

    // Throws SourceError when path exists or cannot be created. With gravity the file carries
    // the accelerometer's columns too.
    Recorder(const std::string& path, Warn warn,
             std::function<Clock::time_point()> now = Clock::now, bool gravity = false);
    // Records into an open descriptor, which it then owns; name is used in messages.
    Recorder(int fd, const std::string& name, Warn warn,
             std::function<Clock::time_point()> now = Clock::now, bool gravity = false);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void record(const heading::Heading& heading);
    void flush();
    // Takes back the file this recorder created while nothing is written to it yet, when the
    // run stops before it starts; a file that another has put at the path meanwhile is left.
    // Nothing is recorded afterwards.
    void discard();

    // Flushes and takes no more samples; the file stays open for reading.
    void stop() {
        flush();
        stopped_ = true;
    }

    void onSample(const std::shared_ptr<const Heading>& sample) override {
        if (!stopped_) record(*sample);
    }
    void onError(const LocationError&) override {}

    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }
    const std::string& name() const { return name_; }
    // The file being written (opened for reading too when the recorder created it), and how many
    // of its bytes hold whole lines written so far.
    int fd() const { return fd_; }
    std::size_t flushedBytes() const { return written_; }

  private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void adopt(int fd);
    void append(std::string_view line);
    void writeFailed(int error, std::size_t partial);

    std::string name_;
    Warn warn_;
    std::function<Clock::time_point()> now_;
    int fd_ = -1;
    std::string buffer_;  // whole lines not yet written
    Clock::time_point lastFlush_;
    std::size_t written_ = 0;  // bytes in the file: whole lines only
    ContinuousTime time_;
    bool failed_ = false;
    bool stopped_ = false;
    bool gravity_ = false;
    bool created_ = false;  // the file was made by this recorder
};

}  // namespace heading
