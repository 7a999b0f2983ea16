#pragma once

namespace platform {

// The running application as the screens see it.
class Application {
  public:
    static Application& sharedApplication();

    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled);

  private:
    bool idleTimerDisabled_ = false;
};

}  // namespace platform
