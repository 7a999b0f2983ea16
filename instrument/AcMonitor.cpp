#include "instrument/AcMonitor.h"

namespace instrument {

void AcMonitor::add(const heading::Heading& h) {
    window_.add({h.timestamp, h.x, h.y, h.z});
    ++added_;
}

const Spectrum& AcMonitor::spectrum() {
    if (!latest_ || analysed_ != added_) {
        latest_ = &analyser_.analyse(window_);
        analysed_ = added_;
    }
    return *latest_;
}

}  // namespace instrument
