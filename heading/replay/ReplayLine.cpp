#include "heading/replay/ReplayLine.h"

#include <algorithm>
#include <cstdio>

namespace heading {

std::size_t formatReplayLine(char* line, double t, const heading::Heading& h, bool gravity) {
    const int n =
        gravity ? std::snprintf(line, kReplayLineBytes,
                                "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", t, h.x,
                                h.y, h.z, h.magneticHeading, h.trueHeading, h.gravityX, h.gravityY,
                                h.gravityZ)
                : std::snprintf(line, kReplayLineBytes, "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", t,
                                h.x, h.y, h.z, h.magneticHeading, h.trueHeading);
    if (n < 0) return 0;
    return std::min(static_cast<std::size_t>(n), kReplayLineBytes - 1);
}

double ContinuousTime::next(double t) {
    t += offset_;
    if (started_ && t < last_) {  // the source started again
        offset_ += last_ - t;
        t = last_;
    }
    last_ = t;
    started_ = true;
    return t;
}

}  // namespace heading
