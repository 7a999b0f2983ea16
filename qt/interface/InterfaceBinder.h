#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "platform/View.h"
#include "platform/ViewController.h"

namespace platform::qt {

// Connects a screen to the widgets of its interface file: checks every outlet the screen
// declares (present, of the right kind) and every action (some control triggers it, and every
// control's action exists), then makes the logic views, attaches their peers, fills the
// outlets and wires the controls. Nothing is filled when a check fails: InterfaceError names the
// file and the outlet or action. Returns the screen's root view, whose peer owns root.
std::shared_ptr<View> bindInterface(QWidget* root, const std::string& nibName,
                                    ViewController& owner);

// Whether a widget can serve an outlet of that kind.
bool widgetFitsOutlet(const QWidget* widget, OutletKind kind);

}  // namespace platform::qt
