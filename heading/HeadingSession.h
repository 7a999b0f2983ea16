#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "heading/HeadingService.h"

namespace heading {

// What the user chose on the command line.
struct SourceOptions {
    // "auto", "iio[:DEVICE]", "replay:FILE", "simulated[:rate=HZ]" or "none".
    std::string spec = "auto";
    // Degrees added to the magnetic heading for the true heading; unknown when empty.
    std::optional<double> declination;
    // Every delivered sample is also written here, in the replay format; empty for none.
    std::string recordPath;
};

// A source or recording that cannot start. The message names what was wrong and where
// (file and line for a replay file); the process exits with status 2.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs a task on the main thread, after the tasks posted before it.
using Post = std::function<void(std::function<void()>)>;

class Source;
class Recorder;

// The chosen source feeding the process's heading service, and the recorder if one was asked
// for. Everything that can be checked is checked in the constructor (a replay file is read
// whole, the record file must not exist), which throws SourceError. Samples reach the service
// through post, on the main thread, in order. Destruction stops and joins every reader thread.
class HeadingSession {
public:
    HeadingSession(const SourceOptions& options, HeadingService& service, Post post);
    ~HeadingSession();
    HeadingSession(const HeadingSession&) = delete;
    HeadingSession& operator=(const HeadingSession&) = delete;

    // Sets the service's headingAvailable before the screens ask; call before launching.
    void prepare();
    void start();
    void stop();

    // What the source is, for the log and --help ("simulated 50 Hz", "iio:device0 (ak8975)").
    std::string describe() const;

private:
    HeadingService& service_;
    std::unique_ptr<Source> source_;
    std::unique_ptr<Recorder> recorder_;
};

}  // namespace heading
