#include "instrument/SampleWindow.h"

namespace instrument {

SampleWindow::SampleWindow() : ring_(kCapacity) {}

void SampleWindow::add(const TimedSample& sample) {
    ring_[next_] = sample;
    next_ = (next_ + 1) % kCapacity;
    if (size_ < kCapacity) ++size_;
}

void SampleWindow::clear() {
    next_ = 0;
    size_ = 0;
}

const TimedSample& SampleWindow::last(std::size_t n, std::size_t i) const {
    return ring_[(next_ + kCapacity - n + i) % kCapacity];
}

}  // namespace instrument
