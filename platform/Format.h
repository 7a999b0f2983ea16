#pragma once

#include <string>
#include <string_view>

namespace platform {

// printf-style formatting, so that rounding and "-0.0" match C's printf exactly.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// One line to the diagnostic log.
void log(std::string_view line);

}  // namespace platform
