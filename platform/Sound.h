#pragma once

namespace platform {

// A short sound made from a bundled resource; play() starts it and returns at once.
class Sound {
  public:
    virtual ~Sound() = default;
    virtual void play() = 0;
};

}  // namespace platform
