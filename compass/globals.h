#pragma once

namespace compass {

// The heading in degrees that the compass shows; only a compass screen's display update writes
// it. It outlives every compass screen.
extern float val;

// The north reference: 0 = magnetic north, 1 = true north. Only the switch writes it, so a new
// compass screen starts with the reference chosen last.
extern int sw;

}  // namespace compass
