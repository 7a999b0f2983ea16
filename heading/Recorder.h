#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "heading/Callbacks.h"
#include "platform/Heading.h"

namespace heading {

// Writes every sample it is given to a file in the replay format. The file is created, never
// overwritten; it is flushed when a second has passed since the last flush and at the end, so a
// crash loses at most about the last second. t never goes backwards in the file: when the
// source starts again from 0, the recording carries on from where it was. A write that fails later
// (disk full) is reported once through warn and recording stops; the meter goes on.
class Recorder {
  public:
    using Clock = std::chrono::steady_clock;

    // Throws SourceError when path exists or cannot be created.
    Recorder(const std::string& path, Warn warn,
             std::function<Clock::time_point()> now = Clock::now);
    // Records into an open descriptor, which it then owns; name is used in messages.
    Recorder(int fd, const std::string& name, Warn warn,
             std::function<Clock::time_point()> now = Clock::now);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void record(const platform::Heading& heading);
    void flush();

    bool failed() const { return failed_; }
    const std::string& name() const { return name_; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void adopt(int fd);
    void writeFailed(int error);

    std::string name_;
    Warn warn_;
    std::function<Clock::time_point()> now_;
    std::unique_ptr<std::FILE, Closer> file_;
    Clock::time_point lastFlush_;
    double lastT_ = 0.0;
    double tOffset_ = 0.0;
    bool recorded_ = false;
    bool failed_ = false;
};

}  // namespace heading
