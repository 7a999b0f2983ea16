#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "heading/HeadingHub.h"
#include "platform/Alert.h"
#include "platform/MainInterface.h"
#include "platform/Sound.h"
#include "platform/Timer.h"
#include "platform/View.h"

namespace platform {

class Slider;
class ViewController;

// Everything the logic needs from the machine it runs on. One platform is current at a time;
// constructing one makes it current and destroying it restores the one before.
class Platform {
  public:
    Platform();
    virtual ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // The current platform; throws std::logic_error when there is none.
    static Platform& current();
    static Platform* currentOrNull();

    virtual heading::HeadingHub& headingHub() = 0;

    // Reads the main interface file; throws InterfaceError when it is missing or broken.
    virtual MainInterface loadMainInterface() = 0;

    // Loads the named interface for owner: returns the root view after filling every outlet
    // owner declares and wiring every action. Throws InterfaceError naming file and outlet.
    virtual std::shared_ptr<View> loadInterface(const std::string& nibName,
                                                ViewController& owner) = 0;

    // The path of a bundled resource, or nothing when it is not bundled.
    virtual std::optional<std::string> pathForResource(const std::string& name,
                                                       const std::string& type) = 0;

    // A sound made from the file at path, or null when it cannot be made.
    virtual std::shared_ptr<Sound> makeSound(const std::string& path) = 0;

    virtual void showAlert(const Alert& alert) = 0;

    // One line of the diagnostic log.
    virtual void log(std::string_view line) = 0;

    // A problem the user should hear of that does not stop the program (stderr).
    virtual void warn(std::string_view message) = 0;

    // Shows presented over presenter, loading its view; the presenter already holds it.
    virtual void presentModal(ViewController& presenter, ViewController& presented,
                              bool animated) = 0;
    // Takes presented off the screen, then calls presenter.modalDismissalFinished().
    virtual void dismissModal(ViewController& presenter, ViewController& presented,
                              bool animated) = 0;

    virtual std::shared_ptr<Timer> scheduleTimer(double interval, std::function<void()> tick,
                                                 bool repeats) = 0;

    // Shows beside slider where the alarm starts (instrument::alarmThreshold of its value),
    // following the slider as it moves.
    virtual void showThreshold(Slider& slider) = 0;

    // Keeps the display from dimming or locking while disabled is true.
    virtual void setIdleTimerDisabled(bool disabled) = 0;

  private:
    Platform* previous_;
};

}  // namespace platform
