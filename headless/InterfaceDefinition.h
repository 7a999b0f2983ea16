#pragma once

#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Outlet.h"

namespace platform::headless {

// One object of a headless interface file.
struct InterfaceObject {
    InterfaceObject(std::string name, OutletKind kind, Rect frame, std::string text = {},
                    std::string action = {})
        : name(std::move(name)),
          kind(kind),
          frame(frame),
          text(std::move(text)),
          action(std::move(action)) {}

    std::string name;
    OutletKind kind = OutletKind::View;
    Rect frame;
    std::string text;      // a label's starting text, a button's title
    std::string action;    // the screen action a control triggers, if any
    float minimum = 0.0f;  // a slider's range and starting value
    float maximum = 1.0f;
    float value = 0.0f;
};

// What a .ui file is to the real platform: the root view's size and its named objects.
struct InterfaceDefinition {
    Size size{320.0f, 480.0f};
    std::vector<InterfaceObject> objects;

    InterfaceDefinition& add(InterfaceObject object) {
        objects.push_back(std::move(object));
        return *this;
    }
    // Drops the object of that name, to make a broken interface.
    InterfaceDefinition& remove(const std::string& name);
};

}  // namespace platform::headless
