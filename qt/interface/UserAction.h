#pragma once

namespace platform::qt {

// Marks the time a control's action runs in the logic, so that what the action asks for (an
// alert confirming the choice just made) can be told from what the program raises by itself.
class UserAction {
  public:
    UserAction() { ++depth(); }
    ~UserAction() { --depth(); }
    UserAction(const UserAction&) = delete;
    UserAction& operator=(const UserAction&) = delete;

    static bool running() { return depth() > 0; }

  private:
    static int& depth() {
        static int d = 0;  // main thread only, as every action is
        return d;
    }
};

}  // namespace platform::qt
