// Runs N samples through the meter, for instruction counts: run it under callgrind twice with
// different N and divide the difference by the difference in N, so start-up cancels out.
#include <cstdlib>

#include "MeterRig.h"

int main(int argc, char* argv[]) {
    const long n = argc > 1 ? std::atol(argv[1]) : 10000;
    MeterRig rig;
    platform::Heading h;
    for (long i = 0; i < n; ++i) {
        h.x = 20.0 + static_cast<double>(i % 7);
        h.y = -15.0;
        h.z = (i % 5) == 0 ? -140.0 : -44.0;
        rig.platform.deliverHeading(h);
    }
    return rig.platform.logCount() == n ? 0 : 1;
}
