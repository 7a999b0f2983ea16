#pragma once

#include <string>

#include "platform/Font.h"
#include "platform/View.h"

namespace platform {

// A line of text. text() returns exactly the text last set (UTF-8).
class Label : public View {
  public:
    const std::string& text() const { return text_; }
    void setText(std::string_view text);

    const Font& font() const { return font_; }
    void setFont(const Font& font);

  private:
    std::string text_;
    Font font_;
};

}  // namespace platform
