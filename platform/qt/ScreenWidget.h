#pragma once

#include <QWidget>
#include <memory>

#include "platform/ViewController.h"

namespace platform::qt {

// The root widget of a screen. It knows the screen it shows (weakly, so a dismissed screen is
// never called), keeps a screen presented over it filling it, and is where touch and mouse
// input for the screen arrives.
class ScreenWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ScreenWidget(QWidget* parent = nullptr);

    void setOwner(std::weak_ptr<ViewController> owner) { owner_ = std::move(owner); }
    std::shared_ptr<ViewController> owner() const { return owner_.lock(); }

    // A child that must always cover this widget (a screen presented over this one).
    void setOverlay(QWidget* overlay);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::weak_ptr<ViewController> owner_;
};

}  // namespace platform::qt
