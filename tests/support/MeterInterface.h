#pragma once

#include "headless/InterfaceDefinition.h"

namespace fluxprobe_test {

using platform::makeRect;
using platform::OutletKind;
using platform::headless::InterfaceDefinition;

// The field meter's interface as the headless platform sees it: a 320x480 phone screen.
inline InterfaceDefinition meterInterface() {
    InterfaceDefinition d;
    d.size = {320.0f, 480.0f};
    d.add({"magnitudeLabel", OutletKind::Label, makeRect(20, 10, 280, 40), "--"});
    d.add({"xLabel", OutletKind::Label, makeRect(20, 60, 90, 20), "X"});
    d.add({"yLabel", OutletKind::Label, makeRect(115, 60, 90, 20), "Y"});
    d.add({"zLabel", OutletKind::Label, makeRect(210, 60, 90, 20), "Z"});
    d.add({"fluxprobeview", OutletKind::ImageView, makeRect(110, 150, 100, 100)});
    d.add({"wavesview", OutletKind::ImageView, makeRect(230, 150, 60, 60)});
    d.add({"graphView", OutletKind::Custom, makeRect(11, 300, 298, 120)});
    platform::headless::InterfaceObject slider{"mySlider", OutletKind::Slider,
                                               makeRect(20, 430, 200, 30)};
    slider.maximum = 200.0f;
    slider.value = 40.0f;
    d.add(slider);
    d.add({"compassButton", OutletKind::Button, makeRect(230, 430, 80, 30), "Compass",
           "cargarbrujula"});
    return d;
}

}  // namespace fluxprobe_test
