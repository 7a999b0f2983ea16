#include "platform/Label.h"

namespace platform {

void Label::setText(std::string_view text) {
    text_.assign(text.data(), text.size());
    notify(ViewChange::Text);
}

void Label::setFont(const Font& font) {
    // Screens set the same font on every sample; only a real change reaches the peer.
    if (font == font_) return;
    font_ = font;
    notify(ViewChange::Font);
}

}  // namespace platform
