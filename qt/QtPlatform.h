#pragma once

#include <QObject>
#include <QPointer>
#include <QSlider>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heading/HeadingService.h"
#include "heading/SignalWatch.h"
#include "platform/Platform.h"
#include "qt/Fade.h"
#include "qt/interface/UiLoader.h"

namespace platform::qt {

class QtTimer;
class ScreenSaverInhibitor;
class SignalStatus;

// Where the platform looks for its files.
struct QtPlatformSettings {
    // The folder of the interface files; empty for the bundled ones.
    QString uiDir;
    // The folder of beep.wav and other run-time data; empty to look next to the program and in
    // its installed share/fluxprobe.
    QString dataDir;
    // The main interface file.
    std::string mainInterface = "MainWindow";
    // Whether readings are coming, as the screens show it (on the sample road); null for one of
    // the platform's own, which nothing but the screens then feeds (tests lay it on the road).
    heading::SignalWatch* signal = nullptr;
};

// The real platform on Qt Widgets. Needs a QApplication; everything runs on its thread.
class QtPlatform : public Platform {
  public:
    QtPlatform(heading::HeadingService& service, QtPlatformSettings settings);
    ~QtPlatform() override;

    // Runs task on the main thread after the tasks posted before it; callable from any thread.
    void post(std::function<void()> task);

    // The window the main interface file made, once loaded.
    QWidget* mainWindow() const { return mainWindow_; }
    // Whether readings are shown as stale now, and the status line saying so; null without a
    // heading source.
    SignalStatus* signalStatus() const { return signalStatus_.get(); }
    // The watch the screens show: the settings' one, else the platform's own.
    heading::SignalWatch& signalWatch() const { return *signal_; }
    // The meter's alarm threshold in µT (its slider's value plus the offset), once the meter has
    // shown its slider.
    std::optional<float> alarmThreshold() const;
    // How many times a hosted view has painted (0 for views of other kinds).
    static long paintsOf(const View& view);

    // Platform
    heading::HeadingHub& headingHub() override { return service_; }
    MainInterface loadMainInterface() override;
    std::shared_ptr<View> loadInterface(const std::string& nibName, ViewController& owner) override;
    std::optional<std::string> pathForResource(const std::string& name,
                                               const std::string& type) override;
    std::shared_ptr<Sound> makeSound(const std::string& path) override;
    void showAlert(const Alert& alert) override;
    void log(std::string_view line) override;
    void warn(std::string_view message) override;
    void presentModal(ViewController& presenter, ViewController& presented, bool animated) override;
    void dismissModal(ViewController& presenter, ViewController& presented, bool animated) override;
    std::shared_ptr<Timer> scheduleTimer(double interval, std::function<void()> tick,
                                         bool repeats) override;
    void showThreshold(Slider& slider, float offset) override;
    void setIdleTimerDisabled(bool disabled) override;

    // How long a modal screen takes to fade in or out.
    static constexpr int kFadeMilliseconds = qt::kFadeMilliseconds;

  private:
    void dropInvalidTimers();

    heading::HeadingService& service_;
    QtPlatformSettings settings_;
    InterfaceFiles files_;
    std::unique_ptr<QObject> context_;  // receives posted tasks; parents animations
    QPointer<QWidget> mainWindow_;
    // The screen root the main interface file holds, until its screen loads it.
    std::string pendingScreenNib_;
    QPointer<QWidget> pendingScreenRoot_;
    std::vector<std::shared_ptr<QtTimer>> timers_;
    bool timerSweepPosted_ = false;
    std::unique_ptr<ScreenSaverInhibitor> inhibitor_;
    std::unique_ptr<heading::SignalWatch> ownSignal_;
    heading::SignalWatch* signal_;
    std::unique_ptr<SignalStatus> signalStatus_;  // while a heading source exists
    QPointer<QSlider> thresholdSlider_;
    float thresholdOffset_ = 0.0f;
};

}  // namespace platform::qt
