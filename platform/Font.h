#pragma once

#include <string>

namespace platform {

// A font asked for by name and point size; the platform maps names it lacks to a substitute.
struct Font {
    std::string name;
    float size = 0.0f;
    friend bool operator==(const Font&, const Font&) = default;

    static Font withName(std::string name, float size) { return Font{std::move(name), size}; }
};

}  // namespace platform
