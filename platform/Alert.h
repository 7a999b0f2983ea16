#pragma once

#include <string>

namespace platform {

// A modal message with one button. The platform keeps it on screen until the button is tapped,
// even after its maker has let go of it; nothing is reported back.
struct Alert {
    std::string title;
    std::string message;
    std::string cancelButtonTitle;

    void show() const;
};

}  // namespace platform
