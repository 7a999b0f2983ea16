#include "platform/Format.h"

#include <cstdarg>
#include <cstdio>

#include "platform/Platform.h"

namespace platform {

std::string format(const char* fmt, ...) {
    char small[64];
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(again);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        out.resize(static_cast<size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, again);
    }
    va_end(again);
    return out;
}

void log(std::string_view line) {
    Platform::current().log(line);
}

}  // namespace platform
