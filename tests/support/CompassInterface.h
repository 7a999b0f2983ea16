#pragma once

#include <string>

#include "compass/CompassViewController.h"
#include "headless/InterfaceDefinition.h"

namespace fluxprobe_test {

using platform::makeRect;
using platform::OutletKind;
using platform::headless::InterfaceDefinition;

// The compass's interface as the headless platform sees it. The marker labels start with the
// compass letters and degree ticks so that a test can see the first reading empty them.
inline InterfaceDefinition compassInterface() {
    InterfaceDefinition d;
    d.size = {320.0f, 480.0f};
    d.add({"magnitudeLabel", OutletKind::Label, makeRect(110, 10, 100, 40), "--"});
    d.add({"hd", OutletKind::Label, makeRect(110, 50, 100, 20), "--"});
    d.add({"xLabel", OutletKind::Label, makeRect(20, 300, 90, 20), "x"});
    d.add({"yLabel", OutletKind::Label, makeRect(115, 300, 90, 20), "y"});
    d.add({"zLabel", OutletKind::Label, makeRect(210, 300, 90, 20), "z"});
    d.add({"unitLabel", OutletKind::Label, makeRect(300, 300, 20, 20), "\u00b5T"});
    d.add({"iv", OutletKind::ImageView, makeRect(60, 80, 200, 200)});
    for (unsigned i = 0; i < compass::CompassViewController::kMarkerCount; ++i) {
        const std::string name = compass::CompassViewController::kMarkerNames[i];
        const std::string text = i < 8 ? name.substr(0, name.size() - 1) : "tick";
        d.add({name, OutletKind::Label, makeRect(float(i * 10), 280, 10, 10), text});
    }
    d.add({"graphView", OutletKind::Custom, makeRect(11, 330, 298, 100)});
    d.add({"engkey", OutletKind::Switch, makeRect(20, 440, 60, 30), "", "changevalue"});
    d.add({"doneButton", OutletKind::Button, makeRect(230, 440, 80, 30), "Done", "done"});
    return d;
}

}  // namespace fluxprobe_test
