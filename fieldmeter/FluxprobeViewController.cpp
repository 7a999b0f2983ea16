#include "fieldmeter/FluxprobeViewController.h"

#include <cmath>
#include <string>
#include <string_view>

#include "compass/CompassViewController.h"
#include "instrument/Alarm.h"
#include "platform/Alert.h"
#include "platform/Font.h"
#include "platform/Format.h"
#include "platform/Platform.h"

namespace fieldmeter {

using platform::Label;
using platform::View;

FluxprobeViewController::FluxprobeViewController(std::string nibName)
    : ViewController(std::move(nibName)) {}

FluxprobeViewController::~FluxprobeViewController() {
    magnitudeLabel_.reset();
    xLabel_.reset();
    yLabel_.reset();
    zLabel_.reset();
    graphView_.reset();
    // Stop before letting go, so no sample arrives half way through the teardown.
    if (locationManager_) locationManager_->stopUpdatingHeading();
    locationManager_.reset();
    fluxprobeview_.reset();
    wavesview_.reset();
    mySlider_.reset();
}

std::vector<platform::Outlet> FluxprobeViewController::outlets() {
    using platform::makeOutlet;
    return {
        makeOutlet<Label>("magnitudeLabel", [this](auto v) { setMagnitudeLabel(v); }),
        makeOutlet<Label>("xLabel", [this](auto v) { setXLabel(v); }),
        makeOutlet<Label>("yLabel", [this](auto v) { setYLabel(v); }),
        makeOutlet<Label>("zLabel", [this](auto v) { setZLabel(v); }),
        makeOutlet<graph::GraphView>("graphView", [this](auto v) { setGraphView(v); }),
        makeOutlet<View>("fluxprobeview", [this](auto v) { setFluxprobeview(v); }),
        makeOutlet<View>("wavesview", [this](auto v) { setWavesview(v); }),
        makeOutlet<platform::Slider>("mySlider", [this](auto v) { mySlider_ = v; }),
    };
}

std::vector<platform::Action> FluxprobeViewController::actions() {
    return {platform::makeAction<FluxprobeViewController>("cargarbrujula",
                                                          &FluxprobeViewController::cargarbrujula)};
}

void FluxprobeViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    if (wavesview_) {
        wavesview_->setBackgroundColor(platform::Color::clear());
        wavesview_->setHidden(true);
    }
    if (fluxprobeview_) fluxprobeview_->setBackgroundColor(platform::Color::clear());
    if (mySlider_) platform::Platform::current().showThreshold(*mySlider_);

    setLocationManager(std::make_shared<platform::LocationManager>());
    if (locationManager_->headingAvailable()) {
        locationManager_->setHeadingFilter(heading::kHeadingFilterNone);
        locationManager_->setDelegate(
            std::static_pointer_cast<FluxprobeViewController>(shared_from_this()));
        locationManager_->startUpdatingHeading();
    } else {
        setLocationManager(nullptr);
        platform::Alert{"No Compass!",
                        "This device does not have the ability to measure magnetic fields.", "OK"}
            .show();
    }
}

void FluxprobeViewController::viewDidUnload() {
    ViewController::viewDidUnload();
    setMagnitudeLabel(nullptr);
    setXLabel(nullptr);
    setYLabel(nullptr);
    setZLabel(nullptr);
    setGraphView(nullptr);
}

bool FluxprobeViewController::shouldAutorotateToInterfaceOrientation(int) {
    return true;
}

namespace {

// Writes the value in its format, then prefixes the text just written with the axis name.
// The prefixed text is put together by hand rather than through a second format("...%s"): it
// is the same text for half the cost, and the sample path runs up to a thousand times a second.
void writeAxis(Label* label, std::string_view prefix, const char* format, double value) {
    if (!label) return;
    label->setText(platform::format(format, value));
    std::string prefixed;
    prefixed.reserve(prefix.size() + label->text().size());
    prefixed.append(prefix).append(label->text());
    label->setText(prefixed);
}

const platform::Font& readoutFont() {
    static const platform::Font font = platform::Font::withName("DBLCDTempBlack", 20.0f);
    return font;
}

}  // namespace

void FluxprobeViewController::locationManagerDidUpdateHeading(
    platform::LocationManager&, std::shared_ptr<const heading::Heading> heading) {
    const heading::Presentation& shown = heading->shown;
    const float magnitude = heading::totalField(*heading);

    // A held display keeps its texts and graph; the alarm below still judges every sample.
    if (!shown.held) {
        const heading::ShownField field = heading::shownField(*heading);
        const double sx = field.x, sy = field.y, sz = field.z;
        const float total = field.total;
        if (!shown.unit) {
            writeAxis(xLabel_.get(), "X \u00b5T:", "%.1f", sx);
            writeAxis(yLabel_.get(), "Y \u00b5T:", "%.1f", sy);
            writeAxis(zLabel_.get(), "Z \u00b5T:", "%.1f", sz);
            if (magnitudeLabel_)
                magnitudeLabel_->setText(platform::format("%.1f", static_cast<double>(total)));
        } else {
            writeUnitAxes(*shown.unit, sx, sy, sz);
            if (magnitudeLabel_)
                magnitudeLabel_->setText(platform::format(
                    shown.unit->format, static_cast<double>(total) * shown.unit->perMicrotesla));
        }
        if (magnitudeLabel_) magnitudeLabel_->setFont(readoutFont());
    }

    const float sliderValue = mySlider_ ? mySlider_->value() : 0.0f;
    platform::log(platform::format("%.2f", static_cast<double>(sliderValue)));

    if (instrument::alarmSounds(sliderValue, magnitude)) {
        playBeep();
        if (wavesview_) wavesview_->setHidden(false);
    } else {
        if (wavesview_) wavesview_->setHidden(true);
    }

    if (graphView_ && !shown.held) {
        const heading::ShownField field = heading::shownField(*heading);
        graphView_->updateHistoryWithX(field.x, field.y, field.z);
    }
}

void FluxprobeViewController::writeUnitAxes(const heading::FieldUnit& unit, double x, double y,
                                            double z) {
    const char* names[] = {"X ", "Y ", "Z "};
    Label* labels[] = {xLabel_.get(), yLabel_.get(), zLabel_.get()};
    const double values[] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        const std::string prefix = std::string(names[i]) + unit.symbol + ":";
        writeAxis(labels[i], prefix, unit.format, values[i] * unit.perMicrotesla);
    }
}

void FluxprobeViewController::locationManagerDidFailWithError(platform::LocationManager& manager,
                                                              const heading::LocationError& error) {
    if (error.code == heading::LocationError::kDenied) manager.stopUpdatingHeading();
}

void FluxprobeViewController::playBeep() {
    if (!beep_ && !beepUnavailable_) {
        platform::Platform& p = platform::Platform::current();
        if (auto path = p.pathForResource("beep", "wav")) beep_ = p.makeSound(*path);
        if (!beep_) {
            // Say it once; the meter goes on without sound.
            beepUnavailable_ = true;
            p.warn("fluxprobe: the alarm sound beep.wav could not be loaded; the alarm is silent");
        }
    }
    if (beep_) beep_->play();
}

void FluxprobeViewController::touchesBegan(const platform::TouchSet& touches,
                                           const platform::Event& event) {
    ViewController::touchesBegan(touches, event);
    const auto& all = touches.allObjects();
    const unsigned n = touches.count();
    if (n >= 1) touch1_ = all[0].locationInView(view().get());
    if (n >= 2) touch2_ = all[1].locationInView(view().get());
}

namespace {

constexpr double kPi = 3.141592653589793;

// Degrees clockwise on screen from straight right of centre, -180 to 180.
float angleAbout(platform::Point p, platform::Point centre) {
    const double dy = static_cast<double>(p.y - centre.y);
    const double dx = static_cast<double>(p.x - centre.x);
    const double theta = std::atan2(dy, dx);
    return static_cast<float>((theta * 180.0) / kPi);
}

}  // namespace

void FluxprobeViewController::touchesMoved(const platform::TouchSet& touches,
                                           const platform::Event& event) {
    ViewController::touchesMoved(touches, event);
    const auto& all = touches.allObjects();
    const unsigned n = touches.count();
    if (n == 0 || !fluxprobeview_) return;
    const platform::View* root = view().get();

    if (n == 1) {
        // The dial jumps under the finger, but only while the finger is on it.
        const platform::Point location = all[0].locationInView(root);
        if (platform::rectContainsPoint(fluxprobeview_->frame(), location))
            fluxprobeview_->setCenter(location);
        return;
    }

    const platform::Rect frame = fluxprobeview_->frame();
    const platform::Point p1 = all[0].locationInView(root);
    const platform::Point p2 = all[1].locationInView(root);
    if (!platform::rectContainsPoint(frame, p1) && !platform::rectContainsPoint(frame, p2)) return;

    // Only the second finger measures the turn: the angle it swept about the dial's centre
    // since it was last recorded. Not wrapped, so crossing the left side adds a full turn.
    const platform::Point centre = fluxprobeview_->center();
    const float previous = angleAbout(touch2_, centre);
    const float current = angleAbout(p2, centre);
    const float delta = current - previous;
    const float rho = static_cast<float>((static_cast<double>(delta) * kPi) / 180.0);
    fluxprobeview_->setTransform(platform::rotate(fluxprobeview_->transform(), rho));
    touch1_ = p1;
    touch2_ = p2;
}

void FluxprobeViewController::cargarbrujula(platform::View*) {
    auto screen = std::make_shared<compass::CompassViewController>("CompassViewController");
    screen->setModalTransitionStyle(platform::ModalTransitionStyleCrossDissolve);
    presentModalViewController(screen, true);
    // From here the presentation alone holds the compass screen, until its done: dismisses it.
    screen.reset();
}

}  // namespace fieldmeter
