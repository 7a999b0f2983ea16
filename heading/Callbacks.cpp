#include "heading/Callbacks.h"

#include <cstdio>

namespace heading {

void warnOnStderr(const std::string& message) {
    std::fprintf(stderr, "fluxprobe: %s\n", message.c_str());
    std::fflush(stderr);  // stderr may be buffered; a warning is not held back
}

}  // namespace heading
