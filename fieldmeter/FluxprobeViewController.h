#pragma once

#include <memory>

#include "graph/GraphView.h"
#include "instrument/Alarm.h"
#include "platform/Label.h"
#include "platform/LocationManager.h"
#include "platform/LocationManagerDelegate.h"
#include "platform/Slider.h"
#include "platform/Sound.h"
#include "platform/ViewController.h"

namespace fieldmeter {

// The field meter: for every heading sample, the three axis readouts and the total field, the
// threshold alarm (beep and waves) and a new graph point. It also carries the dial that the
// user drags and turns, and opens the compass.
class FluxprobeViewController : public platform::ViewController,
                                public platform::LocationManagerDelegate {
  public:
    static constexpr const char* kClassName = "FluxprobeViewController";
    // The threshold is the slider's value plus this, in microtesla.
    static constexpr float kThresholdOffset = instrument::kAlarmOffset;

    explicit FluxprobeViewController(std::string nibName);
    ~FluxprobeViewController() override;

    const char* className() const override { return kClassName; }
    std::vector<platform::Outlet> outlets() override;
    std::vector<platform::Action> actions() override;

    void viewDidLoad() override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

    void locationManagerDidUpdateHeading(platform::LocationManager& manager,
                                         std::shared_ptr<const heading::Heading> heading) override;
    void locationManagerDidFailWithError(platform::LocationManager& manager,
                                         const heading::LocationError& error) override;

    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesMoved(const platform::TouchSet& touches, const platform::Event& event) override;

    // Opens the compass screen over this one.
    void cargarbrujula(platform::View* sender = nullptr);

    // Properties.
    std::shared_ptr<platform::Label> magnitudeLabel() const { return magnitudeLabel_; }
    void setMagnitudeLabel(std::shared_ptr<platform::Label> v) { magnitudeLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> xLabel() const { return xLabel_; }
    void setXLabel(std::shared_ptr<platform::Label> v) { xLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> yLabel() const { return yLabel_; }
    void setYLabel(std::shared_ptr<platform::Label> v) { yLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> zLabel() const { return zLabel_; }
    void setZLabel(std::shared_ptr<platform::Label> v) { zLabel_ = std::move(v); }
    std::shared_ptr<graph::GraphView> graphView() const { return graphView_; }
    void setGraphView(std::shared_ptr<graph::GraphView> v) { graphView_ = std::move(v); }
    std::shared_ptr<platform::View> fluxprobeview() const { return fluxprobeview_; }
    void setFluxprobeview(std::shared_ptr<platform::View> v) { fluxprobeview_ = std::move(v); }
    std::shared_ptr<platform::View> wavesview() const { return wavesview_; }
    void setWavesview(std::shared_ptr<platform::View> v) { wavesview_ = std::move(v); }
    std::shared_ptr<platform::LocationManager> locationManager() const { return locationManager_; }
    void setLocationManager(std::shared_ptr<platform::LocationManager> v) {
        locationManager_ = std::move(v);
    }

    platform::Point touch1() const { return touch1_; }
    platform::Point touch2() const { return touch2_; }
    // The slider has no accessors on the screen; the interface loading stores it directly.
    platform::Slider* mySlider() const { return mySlider_.get(); }

  private:
    void playBeep();
    // The axis readouts in a unit other than the screen's own microtesla.
    void writeUnitAxes(const heading::FieldUnit& unit, double x, double y, double z);

    std::shared_ptr<platform::Label> magnitudeLabel_;
    std::shared_ptr<platform::Label> xLabel_;
    std::shared_ptr<platform::Label> yLabel_;
    std::shared_ptr<platform::Label> zLabel_;
    platform::Point touch1_;
    platform::Point touch2_;
    std::shared_ptr<graph::GraphView> graphView_;
    std::shared_ptr<platform::View> fluxprobeview_;
    std::shared_ptr<platform::LocationManager> locationManager_;
    std::shared_ptr<platform::View> wavesview_;
    std::shared_ptr<platform::Slider> mySlider_;

    // The alarm sound, made once and kept for the screen's life so that sounds never pile up.
    std::shared_ptr<platform::Sound> beep_;
    bool beepUnavailable_ = false;
};

}  // namespace fieldmeter
