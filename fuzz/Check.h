#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// A property the input broke: say which and stop, so the fuzzer keeps the input.
inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

// Messages reach a terminal: no control characters from the input may get through.
inline bool printable(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

}  // namespace fuzz
