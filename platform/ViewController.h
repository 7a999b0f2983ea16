#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Outlet.h"
#include "platform/Touch.h"
#include "platform/View.h"

namespace platform {

enum InterfaceOrientation {
    InterfaceOrientationPortrait = 1,
    InterfaceOrientationPortraitUpsideDown = 2,
    InterfaceOrientationLandscapeRight = 3,
    InterfaceOrientationLandscapeLeft = 4,
};

enum ModalTransitionStyle {
    ModalTransitionStyleCoverVertical = 0,
    ModalTransitionStyleFlipHorizontal = 1,
    ModalTransitionStyleCrossDissolve = 2,
};

// A screen: a root view loaded from a named interface file on first use, and the logic behind
// it. Subclasses declare the outlets and actions the interface file must provide.
class ViewController : public std::enable_shared_from_this<ViewController> {
  public:
    explicit ViewController(std::string nibName);
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The class name that interface files and the class registry use.
    virtual const char* className() const = 0;

    // The root view; the first call loads the interface file and runs viewDidLoad.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return view_ != nullptr; }
    const std::string& nibName() const { return nibName_; }

    // For the platform: drops the view to free memory and runs viewDidUnload.
    void unloadView();

    virtual void viewDidLoad() {}
    virtual void viewDidUnload() {}
    virtual bool shouldAutorotateToInterfaceOrientation(int orientation);

    virtual void touchesBegan(const TouchSet& touches, const Event& event);
    virtual void touchesMoved(const TouchSet& touches, const Event& event);

    virtual std::vector<Outlet> outlets() { return {}; }
    virtual std::vector<Action> actions() { return {}; }
    // Runs the named action; false when the screen has none of that name.
    bool performAction(const std::string& name, View* sender);

    int modalTransitionStyle() const { return modalTransitionStyle_; }
    void setModalTransitionStyle(int style) { modalTransitionStyle_ = style; }

    // The presentation holds the presented screen until it is dismissed.
    void presentModalViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Asks the platform to take the presented screen away; it is let go of once it has gone.
    void dismissModalViewControllerAnimated(bool animated);
    std::shared_ptr<ViewController> modalViewController() const { return modal_; }
    // The screen that presented this one, or null.
    std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }

    // For the platform, when the dismissal has finished on screen.
    void modalDismissalFinished();

  private:
    std::string nibName_;
    std::shared_ptr<View> view_;
    std::shared_ptr<ViewController> modal_;
    std::weak_ptr<ViewController> parent_;
    int modalTransitionStyle_ = ModalTransitionStyleCoverVertical;
    bool dismissing_ = false;
};

}  // namespace platform
