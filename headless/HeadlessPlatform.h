#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heading/HeadingService.h"
#include "headless/InterfaceDefinition.h"
#include "headless/RecordingContext.h"
#include "platform/ClassRegistry.h"
#include "platform/Platform.h"
#include "platform/Slider.h"
#include "platform/ViewController.h"

namespace platform::headless {

// Something a view showed, in order.
struct ShownEvent {
    std::string view;  // the interface name of the view
    ViewChange change;
    std::string value;  // text, font "name size", "hidden"/"shown", colour "r g b a"
};

struct TimerRecord;

// An in-process platform for tests: records what the logic shows, plays and logs, draws into a
// recording context, and lets a test deliver samples, touches and taps.
class HeadlessPlatform : public Platform {
  public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // --- set-up -----------------------------------------------------------------------------
    void defineInterface(const std::string& name, InterfaceDefinition definition);
    void setMainInterface(std::string delegateClass, std::string controllerClass,
                          std::string controllerNib, Size windowSize = {320.0f, 480.0f});
    // A resource the bundle holds; "beep.wav" is bundled from the start.
    void setResource(const std::string& name, const std::string& type, bool present);
    // Sounds made from then on fail to be made (no audio device, broken file).
    void setSoundsCanBeMade(bool can) { soundsCanBeMade_ = can; }

    // Runs the start-up sequence; the returned delegate lives until the test lets it go.
    std::shared_ptr<ApplicationDelegate> launch(const ClassRegistry& classes);

    // --- heading service --------------------------------------------------------------------
    heading::HeadingService& service() { return service_; }
    void setHasMagnetometer(bool has) { service_.setHeadingAvailable(has); }
    void deliverHeading(const heading::Heading& heading) { service_.deliver(heading); }
    void deliverHeading(double x, double y, double z, double magnetic = 0.0,
                        double trueHeading = -1.0);
    void failWithError(int code);

    // --- input ------------------------------------------------------------------------------
    // Runs the action wired to the control of that name on the screen that loaded it.
    void tap(const std::string& controlName);
    void touchesBegan(ViewController& screen, const std::vector<Point>& locations);
    void touchesMoved(ViewController& screen, const std::vector<Point>& locations);

    // --- drawing ----------------------------------------------------------------------------
    // Serves every pending redraw request; returns how many views drew.
    int runRedraws();
    // Draws one view now, into a fresh recording.
    const std::vector<DrawOp>& redraw(View& view);
    const std::vector<DrawOp>& lastDrawing() const { return context_.ops(); }
    int redrawRequests() const { return redrawRequests_; }

    // --- timers -----------------------------------------------------------------------------
    // Moves the clock on, firing due ticks in order.
    void advanceTime(double seconds);
    std::size_t liveTimers() const;

    // --- what was shown, played and logged --------------------------------------------------
    const std::vector<ShownEvent>& shown() const { return shown_; }
    std::vector<std::string> textsOf(const std::string& viewName) const;
    const std::vector<Alert>& alerts() const { return alerts_; }
    const std::vector<std::string>& logLines() const { return log_; }
    const std::vector<std::string>& warnings() const { return warnings_; }
    int soundsMade() const { return soundsMade_; }
    int soundsPlayed() const { return *soundsPlayed_; }
    int soundsAlive() const { return *soundsAlive_; }
    bool idleTimerDisabled() const { return idleTimerDisabled_; }
    // The thresholds shown: by the slider's name, its value when first shown.
    const std::map<std::string, float>& thresholds() const { return thresholds_; }
    const std::vector<bool>& idleTimerChanges() const { return idleTimerChanges_; }
    int presentations() const { return presentations_; }
    int dismissals() const { return dismissals_; }
    View* viewNamed(const std::string& name) const;

    void clearRecords();
    // Off: only counts (log lines, sounds, redraw requests) are kept, so a long run stays flat.
    void setRecording(bool on) { recording_ = on; }
    long logCount() const { return logCount_; }

    // Platform
    heading::HeadingHub& headingHub() override { return service_; }
    MainInterface loadMainInterface() override;
    std::shared_ptr<View> loadInterface(const std::string& nibName, ViewController& owner) override;
    std::optional<std::string> pathForResource(const std::string& name,
                                               const std::string& type) override;
    std::shared_ptr<Sound> makeSound(const std::string& path) override;
    void showAlert(const Alert& alert) override { alerts_.push_back(alert); }
    void log(std::string_view line) override {
        ++logCount_;
        if (recording_) log_.emplace_back(line);
    }
    void warn(std::string_view message) override { warnings_.emplace_back(message); }
    void presentModal(ViewController& presenter, ViewController& presented, bool animated) override;
    void dismissModal(ViewController& presenter, ViewController& presented, bool animated) override;
    std::shared_ptr<Timer> scheduleTimer(double interval, std::function<void()> tick,
                                         bool repeats) override;
    void setIdleTimerDisabled(bool disabled) override;
    void showThreshold(Slider& slider) override { thresholds_[slider.name()] = slider.value(); }

    // For the peers.
    void record(View& view, ViewChange change);

  private:
    struct Wiring {
        std::weak_ptr<ViewController> owner;
        std::string action;
    };

    heading::HeadingService service_;
    std::map<std::string, InterfaceDefinition> interfaces_;
    std::optional<MainInterface> main_;
    Size windowSize_{320.0f, 480.0f};
    std::map<std::string, bool> resources_;
    std::map<std::string, Wiring> wiring_;
    std::vector<std::weak_ptr<View>> views_;
    std::vector<std::weak_ptr<View>> pendingRedraws_;
    std::vector<std::shared_ptr<TimerRecord>> timers_;
    double now_ = 0.0;
    RecordingContext context_;
    std::vector<ShownEvent> shown_;
    std::vector<Alert> alerts_;
    std::vector<std::string> log_;
    std::vector<std::string> warnings_;
    std::vector<bool> idleTimerChanges_;
    std::shared_ptr<int> soundsPlayed_ = std::make_shared<int>(0);
    std::shared_ptr<int> soundsAlive_ = std::make_shared<int>(0);
    int soundsMade_ = 0;
    int redrawRequests_ = 0;
    int presentations_ = 0;
    int dismissals_ = 0;
    bool soundsCanBeMade_ = true;
    bool idleTimerDisabled_ = false;
    std::map<std::string, float> thresholds_;
    bool recording_ = true;
    long logCount_ = 0;
};

}  // namespace platform::headless
