#pragma once

namespace platform {

struct Color {
    float red = 0.0f, green = 0.0f, blue = 0.0f, alpha = 1.0f;
    friend bool operator==(const Color&, const Color&) = default;

    static Color clear() { return Color{0.0f, 0.0f, 0.0f, 0.0f}; }
    static Color white() { return Color{1.0f, 1.0f, 1.0f, 1.0f}; }
    static Color black() { return Color{0.0f, 0.0f, 0.0f, 1.0f}; }
};

}  // namespace platform
