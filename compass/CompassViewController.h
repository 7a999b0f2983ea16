#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "graph/GraphView.h"
#include "heading/Heading.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/LocationManager.h"
#include "platform/LocationManagerDelegate.h"
#include "platform/Switch.h"
#include "platform/Timer.h"
#include "platform/ViewController.h"

namespace compass {

// The compass, shown modally over the meter: for every heading sample it names the compass
// point, writes the heading and the axis values, feeds its own graph and turns the dial image.
// A switch chooses magnetic or true north for every compass screen (the process-wide sw).
class CompassViewController : public platform::ViewController,
                              public platform::LocationManagerDelegate {
  public:
    static constexpr const char* kClassName = "CompassViewController";
    // The ticks of the screen's timer, in seconds.
    static constexpr double kTimerInterval = 60.0;

    // The 32 marker labels, in the order the display update empties them.
    enum Marker : unsigned {
        kN1,
        kS1,
        kE1,
        kW1,
        kSw1,
        kNw1,
        kSe1,
        kNe1,
        kP1,
        kP2,
        kP3,
        kP4,
        kP5,
        kP6,
        kP7,
        kP8,
        kP9,
        kP10,
        kP11,
        kP12,
        kP13,
        kP14,
        kP15,
        kP16,
        kP17,
        kP18,
        kP19,
        kP20,
        kP21,
        kP22,
        kP23,
        kP24,
        kMarkerCount
    };
    static const std::array<const char*, kMarkerCount> kMarkerNames;

    explicit CompassViewController(std::string nibName);
    ~CompassViewController() override;

    const char* className() const override { return kClassName; }
    std::vector<platform::Outlet> outlets() override;
    std::vector<platform::Action> actions() override;

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

    void locationManagerDidUpdateHeading(platform::LocationManager& manager,
                                         std::shared_ptr<const heading::Heading> heading) override;

    // Rebuilds the display from the latest reading and the north reference.
    void update();
    // Empties the 32 marker labels and nothing else.
    void resetvars();

    // The switch: on = magnetic north, off = true north, confirmed in an alert. The display
    // follows at the next reading.
    void changevalue(platform::View* sender = nullptr);
    // Asks the presenting screen to take this one away.
    void done(platform::View* sender = nullptr);
    // The timer's tick. Nothing needs doing every minute yet.
    void play() {}

    // Total field of the latest reading in microtesla; computed, not shown.
    float magnitude() const { return magnitude_; }
    // Never written: always 0.0.
    double trueHeading() const { return trueHeading_; }

    // Properties.
    std::shared_ptr<platform::Label> magnitudeLabel() const { return magnitudeLabel_; }
    void setMagnitudeLabel(std::shared_ptr<platform::Label> v) { magnitudeLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> xLabel() const { return xLabel_; }
    void setXLabel(std::shared_ptr<platform::Label> v) { xLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> yLabel() const { return yLabel_; }
    void setYLabel(std::shared_ptr<platform::Label> v) { yLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> zLabel() const { return zLabel_; }
    void setZLabel(std::shared_ptr<platform::Label> v) { zLabel_ = std::move(v); }
    std::shared_ptr<platform::Label> hd() const { return hd_; }
    void setHd(std::shared_ptr<platform::Label> v) { hd_ = std::move(v); }
    std::shared_ptr<graph::GraphView> graphView() const { return graphView_; }
    void setGraphView(std::shared_ptr<graph::GraphView> v) { graphView_ = std::move(v); }
    std::shared_ptr<platform::LocationManager> locationManager() const { return locationManager_; }
    void setLocationManager(std::shared_ptr<platform::LocationManager> v) {
        locationManager_ = std::move(v);
    }
    std::shared_ptr<const heading::Heading> heading() const { return heading_; }
    void setHeading(std::shared_ptr<const heading::Heading> v) { heading_ = std::move(v); }
    std::shared_ptr<platform::Label> n1() const { return markers_[kN1]; }
    void setN1(std::shared_ptr<platform::Label> v) { markers_[kN1] = std::move(v); }
    std::shared_ptr<platform::Label> s1() const { return markers_[kS1]; }
    void setS1(std::shared_ptr<platform::Label> v) { markers_[kS1] = std::move(v); }
    std::shared_ptr<platform::Label> e1() const { return markers_[kE1]; }
    void setE1(std::shared_ptr<platform::Label> v) { markers_[kE1] = std::move(v); }
    std::shared_ptr<platform::Label> w1() const { return markers_[kW1]; }
    void setW1(std::shared_ptr<platform::Label> v) { markers_[kW1] = std::move(v); }
    std::shared_ptr<platform::Label> sw1() const { return markers_[kSw1]; }
    void setSw1(std::shared_ptr<platform::Label> v) { markers_[kSw1] = std::move(v); }
    std::shared_ptr<platform::Label> nw1() const { return markers_[kNw1]; }
    void setNw1(std::shared_ptr<platform::Label> v) { markers_[kNw1] = std::move(v); }
    std::shared_ptr<platform::Label> se1() const { return markers_[kSe1]; }
    void setSe1(std::shared_ptr<platform::Label> v) { markers_[kSe1] = std::move(v); }
    std::shared_ptr<platform::Label> ne1() const { return markers_[kNe1]; }
    void setNe1(std::shared_ptr<platform::Label> v) { markers_[kNe1] = std::move(v); }
    std::shared_ptr<platform::Label> p1() const { return markers_[kP1]; }
    void setP1(std::shared_ptr<platform::Label> v) { markers_[kP1] = std::move(v); }
    std::shared_ptr<platform::Label> p2() const { return markers_[kP2]; }
    void setP2(std::shared_ptr<platform::Label> v) { markers_[kP2] = std::move(v); }
    std::shared_ptr<platform::Label> p3() const { return markers_[kP3]; }
    void setP3(std::shared_ptr<platform::Label> v) { markers_[kP3] = std::move(v); }
    std::shared_ptr<platform::Label> p4() const { return markers_[kP4]; }
    void setP4(std::shared_ptr<platform::Label> v) { markers_[kP4] = std::move(v); }
    std::shared_ptr<platform::Label> p5() const { return markers_[kP5]; }
    void setP5(std::shared_ptr<platform::Label> v) { markers_[kP5] = std::move(v); }
    std::shared_ptr<platform::Label> p6() const { return markers_[kP6]; }
    void setP6(std::shared_ptr<platform::Label> v) { markers_[kP6] = std::move(v); }
    std::shared_ptr<platform::Label> p7() const { return markers_[kP7]; }
    void setP7(std::shared_ptr<platform::Label> v) { markers_[kP7] = std::move(v); }
    std::shared_ptr<platform::Label> p8() const { return markers_[kP8]; }
    void setP8(std::shared_ptr<platform::Label> v) { markers_[kP8] = std::move(v); }
    std::shared_ptr<platform::Label> p9() const { return markers_[kP9]; }
    void setP9(std::shared_ptr<platform::Label> v) { markers_[kP9] = std::move(v); }
    std::shared_ptr<platform::Label> p10() const { return markers_[kP10]; }
    void setP10(std::shared_ptr<platform::Label> v) { markers_[kP10] = std::move(v); }
    std::shared_ptr<platform::Label> p11() const { return markers_[kP11]; }
    void setP11(std::shared_ptr<platform::Label> v) { markers_[kP11] = std::move(v); }
    std::shared_ptr<platform::Label> p12() const { return markers_[kP12]; }
    void setP12(std::shared_ptr<platform::Label> v) { markers_[kP12] = std::move(v); }
    std::shared_ptr<platform::Label> p13() const { return markers_[kP13]; }
    void setP13(std::shared_ptr<platform::Label> v) { markers_[kP13] = std::move(v); }
    std::shared_ptr<platform::Label> p14() const { return markers_[kP14]; }
    void setP14(std::shared_ptr<platform::Label> v) { markers_[kP14] = std::move(v); }
    std::shared_ptr<platform::Label> p15() const { return markers_[kP15]; }
    void setP15(std::shared_ptr<platform::Label> v) { markers_[kP15] = std::move(v); }
    std::shared_ptr<platform::Label> p16() const { return markers_[kP16]; }
    void setP16(std::shared_ptr<platform::Label> v) { markers_[kP16] = std::move(v); }
    std::shared_ptr<platform::Label> p17() const { return markers_[kP17]; }
    void setP17(std::shared_ptr<platform::Label> v) { markers_[kP17] = std::move(v); }
    std::shared_ptr<platform::Label> p18() const { return markers_[kP18]; }
    void setP18(std::shared_ptr<platform::Label> v) { markers_[kP18] = std::move(v); }
    std::shared_ptr<platform::Label> p19() const { return markers_[kP19]; }
    void setP19(std::shared_ptr<platform::Label> v) { markers_[kP19] = std::move(v); }
    std::shared_ptr<platform::Label> p20() const { return markers_[kP20]; }
    void setP20(std::shared_ptr<platform::Label> v) { markers_[kP20] = std::move(v); }
    std::shared_ptr<platform::Label> p21() const { return markers_[kP21]; }
    void setP21(std::shared_ptr<platform::Label> v) { markers_[kP21] = std::move(v); }
    std::shared_ptr<platform::Label> p22() const { return markers_[kP22]; }
    void setP22(std::shared_ptr<platform::Label> v) { markers_[kP22] = std::move(v); }
    std::shared_ptr<platform::Label> p23() const { return markers_[kP23]; }
    void setP23(std::shared_ptr<platform::Label> v) { markers_[kP23] = std::move(v); }
    std::shared_ptr<platform::Label> p24() const { return markers_[kP24]; }
    void setP24(std::shared_ptr<platform::Label> v) { markers_[kP24] = std::move(v); }

  private:
    std::shared_ptr<platform::Label> magnitudeLabel_;
    std::shared_ptr<platform::Label> xLabel_;
    std::shared_ptr<platform::Label> yLabel_;
    std::shared_ptr<platform::Label> zLabel_;
    std::shared_ptr<platform::Label> unitLabel_;  // the axes' unit
    std::array<std::shared_ptr<platform::Label>, kMarkerCount> markers_;
    std::shared_ptr<platform::Label> hd_;
    std::shared_ptr<graph::GraphView> graphView_;
    double trueHeading_ = 0.0;
    std::shared_ptr<platform::LocationManager> locationManager_;
    std::shared_ptr<const heading::Heading> heading_;
    std::shared_ptr<const heading::Heading> magneticHeading_;  // part of the model, unused
    float magnitude_ = 0.0f;
    std::shared_ptr<platform::Switch> engkey_;
    // A reference only: the run loop holds the timer until it is invalidated.
    std::shared_ptr<platform::Timer> timer_;
    std::shared_ptr<platform::ImageView> iv_;
    // True once this screen has kept the display awake, so its end can let it sleep again.
    bool keepsDisplayAwake_ = false;
};

}  // namespace compass
