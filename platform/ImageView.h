#pragma once

#include <string>

#include "platform/View.h"

namespace platform {

// A picture from the resources, drawn turned with the view's transform.
class ImageView : public View {
  public:
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string name) { imageName_ = std::move(name); }

  private:
    std::string imageName_;
};

}  // namespace platform
