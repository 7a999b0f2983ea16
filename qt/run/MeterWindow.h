#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heading/model/FieldModel.h"
#include "instrument/Units.h"

namespace heading {
class HeadingService;
class HeadingSession;
class SampleSink;
class SignalWatch;
namespace calibration {
class CalibrationTap;
}
}  // namespace heading

namespace instrument {
class AcMonitor;
class Instrument;
}  // namespace instrument

namespace platform {
class ClassRegistry;
}

namespace platform::qt {

// What the user asked of the window.
struct WindowChoices {
    std::string uiDir;  // the interface files' folder; empty for FLUXPROBE_UI_DIR or the bundled
    bool openCompass = false;
    bool openAc = false;
    bool calibrate = false;
    bool stats = false;
    std::string screenshot;
    std::optional<instrument::Unit> units;
};

// What the window shows and works with; the run owns each and keeps it beyond the window.
struct WindowWork {
    heading::HeadingService& service;
    heading::HeadingSession& session;
    heading::SignalWatch& signal;
    instrument::Instrument& instrument;
    instrument::AcMonitor& ac;
    // The strength a new calibration scales to (the field model's total here), when known.
    std::function<std::optional<double>()> referenceField;
    // Where the system's location service says the device is; null: the service is not asked.
    std::function<void(const heading::Location&)> located;
    // Why there is no true heading now ("no location: …"); empty when there is one, or null.
    std::function<std::string()> trueNorthUnknown;
};

// The meter's window, one part of a run: the Qt platform and the screens it launches, the
// instrument's controls, the AC view and the guided calibration around them, the frame clock
// that paints them, and what the window says at the end (--stats, --screenshot). Needs the
// QApplication of the run's event loop. The header holds no Qt.
class MeterWindow {
  public:
    // The interface folder the user named, checked before any file of the run is made; throws
    // InterfaceError.
    static void checkInterfaceFiles(const std::string& uiDir);

    // Launches the screens; throws InterfaceError for a broken interface file.
    MeterWindow(const WindowChoices& choices, const WindowWork& work, const ClassRegistry& classes);
    ~MeterWindow();
    MeterWindow(const MeterWindow&) = delete;
    MeterWindow& operator=(const MeterWindow&) = delete;

    // Its stations on the sample road: the guided calibration's tap, and the recording the
    // window starts and stops (Ctrl+R).
    heading::calibration::CalibrationTap& calibrationTap();
    heading::SampleSink& recording();
    bool isRecording() const;

    // The meter's alarm threshold in µT, once the meter shows its slider.
    std::optional<float> alarmThreshold() const;

    // Just before the loop is left by --quit-after: the picture of what is in front.
    void beforeQuit();
    // The --stats lines, said once the run's parts have gone; empty without --stats.
    struct Report {
        std::string paints;  // how often each self-drawn view painted
        std::string frames;  // "stats: samples=… frames_per_s=… latency_p50_ms=…"
    };
    // Once the loop has ended: writes the screenshot and says what the run cost. Returns status,
    // or 1 when the screenshot could not be written.
    int finish(int status, Report& report);

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace platform::qt
