#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "heading/Callbacks.h"
#include "heading/HeadingService.h"
#include "heading/SourceError.h"
#include "heading/SourceFacts.h"
#include "heading/calibration/Calibration.h"

namespace heading {

// What the user chose on the command line.
struct SourceOptions {
    // "auto", "iio[:DEVICE][,rate=HZ]", "replay:FILE", "simulated[:rate=HZ]" or "none".
    std::string spec = "auto";
    // Degrees added to the magnetic heading for the true heading; unknown when empty.
    std::optional<double> declination;
    // Every delivered sample is also written here, in the replay format; empty for none.
    std::string recordPath;
    // "auto": the sensor's stored calibration, if it has one; "none"; or a calibration file.
    std::string calibration = "auto";
    // Where a new calibration goes instead of the sensor's store; empty for the store.
    std::string calibrationOut;
    // µT a new calibration scales the field to: the field model's total at the user's
    // location. Without it the fitted ellipsoid's own mean radius is kept.
    std::optional<double> referenceField;
};

class Source;
class Recorder;
class SampleChannel;

// The chosen source feeding the process's heading service, and the recorder if one was asked
// for. Everything that can be checked is checked in the constructor (a replay file is read
// whole, the record file must not exist), which throws SourceError. Samples reach the service
// through post, on the main thread, in order. Destruction stops and joins every reader thread.
// Problems met while running (a recording that can no longer be written, the end of a replay)
// go to warn.
class HeadingSession {
  public:
    HeadingSession(const SourceOptions& options, HeadingService& service, Post post,
                   Warn warn = warnOnStderr);
    ~HeadingSession();
    HeadingSession(const HeadingSession&) = delete;
    HeadingSession& operator=(const HeadingSession&) = delete;

    // Sets the service's headingAvailable before the screens ask; call before launching.
    void prepare();
    // Main thread. start after stop begins again.
    void start();
    void stop();

    // What the source is, for the log and --help ("simulated 50 Hz", "iio:device0 (ak8975)").
    std::string describe() const;

    // Writes out what the recorder holds, so the file has every sample delivered so far.
    void flushRecording();
    // The recorder's open file and how many bytes of it are written; nothing without --record.
    std::optional<std::pair<int, std::size_t>> recordedBytes() const;

    // The file a replay reads, as given; empty for any other source.
    const std::string& replayFile() const { return replayFile_; }
    // The source's resolution in µT (see Source::resolution).
    double resolution() const;
    // True while a calibration corrects the samples.
    bool calibrated() const;
    // What the source says of itself for a station's files.
    SourceFacts sourceFacts() const;

    // The stable name of the sensor, empty when the source has none.
    std::string sensorId() const;
    std::optional<double> referenceField() const { return referenceField_; }

    // Puts calibration in force and keeps it: in --calibration-out's file (never replacing one)
    // or in the sensor's store. Returns the file written; throws calibration::CalibrationError
    // (the calibration is then in force for this run only).
    std::string saveCalibration(const calibration::Calibration& calibration);

    // The recorder's station on the sample road; null without --record.
    SampleSink* recorder() const;

    // True when --record was given and writing the file failed (the warning has been given).
    bool recordingFailed() const;
    // True while --record's file is written.
    bool recording() const;
    std::string recordPath() const;
    // Takes back --record's file when the run stops before the session started.
    void discardRecording();
    // Ends --record's recording before the run ends: the file is written out and nothing more
    // is added to it.
    void stopRecording();

  private:
    void loadCalibration(const std::string& choice);

    HeadingService& service_;
    Post post_;
    Warn warn_;
    std::unique_ptr<Source> source_;
    std::unique_ptr<Recorder> recorder_;
    bool recordingStopped_ = false;  // by the user, before the run ended
    std::shared_ptr<SampleChannel> channel_;
    std::optional<double> referenceField_;
    std::string calibrationOut_;
    std::string calibrationFile_;  // the one in force, for describe()
    std::string replayFile_;
};

}  // namespace heading
