#pragma once

#include <cstddef>

#include "heading/Heading.h"

namespace heading {

// Room for one replay line: nine %.17g numbers fit with room to spare.
inline constexpr std::size_t kReplayLineBytes = 256;

// Writes one sample as a replay line at time t, newline included, into line (kReplayLineBytes);
// returns its length. %.17g keeps every bit of a double, so the line replays exactly what was
// delivered. With gravity the accelerometer's three columns follow.
std::size_t formatReplayLine(char* line, double t, const heading::Heading& h, bool gravity = false);

// Keeps t from going backwards across a source that starts again from 0: the recording carries
// on from where it was.
class ContinuousTime {
  public:
    double next(double t);

  private:
    double last_ = 0.0;
    double offset_ = 0.0;
    bool started_ = false;
};

}  // namespace heading
