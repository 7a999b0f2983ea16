// Runs N samples through one per-sample path, for instruction counts: run it under callgrind
// twice with different N and divide the difference by the difference in N, so start-up cancels
// out. Paths: meter (a sample through the meter), calibrated (the same with a correction in
// force), compass (a sample to the open compass alone),
// append (a GraphView append).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "MeterRig.h"
#include "graph/GraphView.h"

namespace {

heading::Heading sampleAt(long i) {
    heading::Heading h;
    h.x = 20.0 + static_cast<double>(i % 7);
    h.y = -15.0;
    h.z = (i % 5) == 0 ? -140.0 : -44.0;
    h.magneticHeading = static_cast<double>(i % 360);
    h.trueHeading = -1.0;
    return h;
}

}  // namespace

int main(int argc, char* argv[]) {
    const char* path = argc > 1 ? argv[1] : "meter";
    const long n = argc > 2 ? std::atol(argv[2]) : 10000;
    if (std::strcmp(path, "append") == 0) {
        graph::GraphView view;
        for (long i = 0; i < n; ++i) {
            const double v = static_cast<double>(i % 97);
            view.updateHistoryWithX(v, -v, 0.5 * v);
        }
        return view.nextIndex() == static_cast<std::uint32_t>(n % graph::GraphView::kRows) ? 0 : 1;
    }
    MeterRig rig;
    if (std::strcmp(path, "compass") == 0) {
        if (!rig.openCompass()) return 1;
        rig.silenceMeter();
    } else if (std::strcmp(path, "calibrated") == 0) {
        // The meter with a correction in force that keeps the axes whole numbers, so that the
        // difference from "meter" is the correction's own cost, not the formatting of more digits.
        heading::calibration::Calibration shift;
        shift.offset = {1, 2, 3};
        rig.platform.service().setCorrection(shift);
    } else if (std::strcmp(path, "meter") != 0) {
        std::fprintf(stderr, "usage: %s meter|calibrated|compass|append [N]\n", argv[0]);
        return 2;
    }
    for (long i = 0; i < n; ++i) rig.platform.deliverHeading(sampleAt(i));
    return rig.platform.service().samplesDelivered() == static_cast<std::uint64_t>(n) ? 0 : 1;
}
