#include "platform/ViewController.h"

#include "platform/Platform.h"

namespace platform {

const char* outletKindName(OutletKind kind) {
    switch (kind) {
        case OutletKind::View:
            return "view";
        case OutletKind::Label:
            return "label";
        case OutletKind::Slider:
            return "slider";
        case OutletKind::Switch:
            return "switch";
        case OutletKind::ImageView:
            return "image view";
        case OutletKind::Button:
            return "button";
        case OutletKind::Custom:
            return "custom view container";
    }
    return "view";
}

ViewController::ViewController(std::string nibName) : nibName_(std::move(nibName)) {}

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        view_ = Platform::current().loadInterface(nibName_, *this);
        viewDidLoad();
    }
    return view_;
}

void ViewController::unloadView() {
    if (!view_) return;
    view_->removeFromSuperview();
    view_.reset();
    viewDidUnload();
}

bool ViewController::shouldAutorotateToInterfaceOrientation(int orientation) {
    return orientation == InterfaceOrientationPortrait;
}

void ViewController::touchesBegan(const TouchSet&, const Event&) {}
void ViewController::touchesMoved(const TouchSet&, const Event&) {}

bool ViewController::performAction(const std::string& name, View* sender) {
    for (const Action& action : actions()) {
        if (action.name == name) {
            action.perform(*this, sender);
            return true;
        }
    }
    return false;
}

void ViewController::presentModalViewController(std::shared_ptr<ViewController> controller,
                                                bool animated) {
    if (!controller || modal_) return;
    modal_ = std::move(controller);
    modal_->parent_ = weak_from_this();
    dismissing_ = false;
    Platform::current().presentModal(*this, *modal_, animated);
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
    if (!modal_ || dismissing_) return;
    dismissing_ = true;
    Platform::current().dismissModal(*this, *modal_, animated);
}

void ViewController::modalDismissalFinished() {
    dismissing_ = false;
    std::shared_ptr<ViewController> gone = std::move(modal_);
    if (gone) gone->parent_.reset();
    // gone's destructor runs here, after this screen no longer refers to it.
}

}  // namespace platform
