#include "compass/CompassViewController.h"

#include <cmath>
#include <string>

#include "compass/CompassPoint.h"
#include "compass/globals.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Format.h"
#include "platform/Platform.h"

namespace compass {

using platform::Label;

const std::array<const char*, CompassViewController::kMarkerCount>
    CompassViewController::kMarkerNames = {"n1",  "s1",  "e1",  "w1",  "sw1", "nw1", "se1", "ne1",
                                           "p1",  "p2",  "p3",  "p4",  "p5",  "p6",  "p7",  "p8",
                                           "p9",  "p10", "p11", "p12", "p13", "p14", "p15", "p16",
                                           "p17", "p18", "p19", "p20", "p21", "p22", "p23", "p24"};

CompassViewController::CompassViewController(std::string nibName)
    : ViewController(std::move(nibName)) {}

CompassViewController::~CompassViewController() {
    // First, so that no tick arrives during or after the teardown.
    if (timer_) timer_->invalidate();
    timer_.reset();
    magnitudeLabel_.reset();
    xLabel_.reset();
    yLabel_.reset();
    zLabel_.reset();
    unitLabel_.reset();
    graphView_.reset();
    hd_.reset();
    // The screen's only heading source: letting go of it ends its updates.
    locationManager_.reset();
    heading_.reset();
    for (auto& marker : markers_) marker.reset();
    engkey_.reset();
    iv_.reset();
    // The display may sleep again once the compass has gone.
    if (keepsDisplayAwake_ && platform::Platform::currentOrNull())
        platform::Application::sharedApplication().setIdleTimerDisabled(false);
}

std::vector<platform::Outlet> CompassViewController::outlets() {
    using platform::makeOutlet;
    std::vector<platform::Outlet> list = {
        makeOutlet<Label>("magnitudeLabel", [this](auto v) { setMagnitudeLabel(v); }),
        makeOutlet<Label>("xLabel", [this](auto v) { setXLabel(v); }),
        makeOutlet<Label>("yLabel", [this](auto v) { setYLabel(v); }),
        makeOutlet<Label>("zLabel", [this](auto v) { setZLabel(v); }),
        // Added later than the others: older interface files have none.
        platform::makeOptionalOutlet<Label>("unitLabel", [this](auto v) { unitLabel_ = v; }),
        makeOutlet<Label>("hd", [this](auto v) { setHd(v); }),
        makeOutlet<graph::GraphView>("graphView", [this](auto v) { setGraphView(v); }),
        makeOutlet<platform::Switch>("engkey", [this](auto v) { engkey_ = v; }),
        makeOutlet<platform::ImageView>("iv", [this](auto v) { iv_ = v; }),
    };
    for (unsigned i = 0; i < kMarkerCount; ++i)
        list.push_back(makeOutlet<Label>(kMarkerNames[i], [this, i](auto v) { markers_[i] = v; }));
    return list;
}

std::vector<platform::Action> CompassViewController::actions() {
    using platform::makeAction;
    return {
        makeAction<CompassViewController>("changevalue", &CompassViewController::changevalue),
        makeAction<CompassViewController>("done", &CompassViewController::done),
    };
}

void CompassViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    // The reference outlives the screens: a new switch shows the one in force, not the one
    // its interface file starts with.
    if (engkey_) engkey_->setOn(sw == 0);
    setLocationManager(std::make_shared<platform::LocationManager>());
    // Without a heading source the screen stays as loaded and says nothing.
    if (!locationManager_->headingAvailable()) return;

    locationManager_->setHeadingFilter(heading::kHeadingFilterNone);
    auto self = std::static_pointer_cast<CompassViewController>(shared_from_this());
    locationManager_->setDelegate(self);
    locationManager_->startUpdatingHeading();

    platform::Application::sharedApplication().setIdleTimerDisabled(true);
    keepsDisplayAwake_ = true;

    // The tick reaches the screen only while something else keeps it alive.
    std::weak_ptr<CompassViewController> weak = self;
    timer_ = platform::Timer::scheduledTimer(
        kTimerInterval,
        [weak] {
            if (auto screen = weak.lock()) screen->play();
        },
        true);
}

bool CompassViewController::shouldAutorotateToInterfaceOrientation(int) {
    return false;
}

void CompassViewController::locationManagerDidUpdateHeading(
    platform::LocationManager&, std::shared_ptr<const heading::Heading> heading) {
    // A held display keeps what it shows.
    if (!heading || heading->shown.held) return;
    magnitude_ = heading::totalField(*heading);
    setHeading(std::move(heading));
    update();
}

void CompassViewController::update() {
    if (!heading_) return;
    const heading::Heading& h = *heading_;
    resetvars();

    if (sw == 0)
        val = static_cast<float>(h.magneticHeading);
    else if (sw == 1)
        val = static_cast<float>(h.trueHeading);

    // True north chosen but no true heading known (a sensor that does not know where it is
    // reports -1): no heading is shown, no compass point named, and the dial stays where it was.
    const bool unknown = sw == 1 && h.trueHeading < 0.0;

    if (magnitudeLabel_) {
        if (unknown)
            magnitudeLabel_->setText("");
        else if (const char* point = compassPoint(val))
            magnitudeLabel_->setText(point);
    }

    // Zeroed, the axes show the change from the reference; the heading is the field's own. The
    // axes and their caption speak the meter's unit.
    const heading::Presentation& shown = h.shown;
    const heading::ShownField field = heading::shownField(h);
    const auto axis = [&shown](double value) {
        return shown.unit ? platform::format(shown.unit->format, value * shown.unit->perMicrotesla)
                          : platform::format("%.1f", value);
    };
    if (xLabel_) xLabel_->setText(axis(field.x));
    if (yLabel_) yLabel_->setText(axis(field.y));
    if (zLabel_) zLabel_->setText(axis(field.z));
    if (const char* symbol = shown.unit ? shown.unit->symbol : "\u00b5T";
        unitLabel_ && unitLabel_->text() != symbol)
        unitLabel_->setText(symbol);
    if (hd_)
        hd_->setText(unknown ? std::string("--.-\u00b0")
                             : platform::format("%.1f\u00b0", static_cast<double>(val)));

    // The graph always follows magnetic north, whatever the switch says.
    if (graphView_) {
        const double g = static_cast<double>(static_cast<float>(h.magneticHeading) / 4.0f);
        graphView_->updateHistoryWithX(g, g, g);
    }

    // Clockwise on screen, as y points down. A heading that is not a finite number (NaN, or a
    // huge value that narrows to infinity) has no turn: the dial stays where it was rather than
    // getting a transform of NaNs.
    if (iv_ && !unknown && std::isfinite(val)) {
        const double angle = (static_cast<double>(val) / 180.0) * 3.141592653589793;
        iv_->setTransform(platform::makeRotation(static_cast<float>(angle)));
    }
}

void CompassViewController::resetvars() {
    for (auto& marker : markers_)
        if (marker) marker->setText("");
}

void CompassViewController::changevalue(platform::View*) {
    if (!engkey_) return;
    if (engkey_->isOn()) {
        sw = 0;
        platform::Alert{"Compass Status", "Magnetic North Enabled", "OK"}.show();
    } else {
        sw = 1;
        platform::Alert{"Compass Status", "True North Enabled", "OK"}.show();
    }
}

void CompassViewController::done(platform::View*) {
    // The presenter lets go of this screen once it has gone; nothing here may run after that.
    if (auto parent = parentViewController()) parent->dismissModalViewControllerAnimated(true);
}

}  // namespace compass
