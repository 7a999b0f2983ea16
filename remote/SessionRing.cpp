#include "remote/SessionRing.h"

#include <algorithm>

namespace remote {

SessionRing::SessionRing(std::size_t capacity, double keepSeconds)
    : capacity_(std::max<std::size_t>(capacity, 1)), keepSeconds_(keepSeconds) {}

void SessionRing::append(const heading::Heading& sample) {
    if (size_ == capacity_) {
        head_ = (head_ + 1) % capacity_;
        --size_;
    }
    // Grows to the capacity once, then wraps: no allocation per sample after the first ten
    // minutes, and none at all below them past the vector's doubling.
    const std::size_t slot = (head_ + size_) % capacity_;
    if (slot == slots_.size())
        slots_.push_back(sample);
    else
        slots_[slot] = sample;
    ++size_;
    ++next_;
    // Time first: samples older than the window go even while below the capacity.
    while (size_ > 1 && slots_[head_].timestamp < sample.timestamp - keepSeconds_) {
        head_ = (head_ + 1) % capacity_;
        --size_;
    }
}

const heading::Heading* SessionRing::at(std::uint64_t sequence) const {
    if (sequence < firstSequence() || sequence >= next_) return nullptr;
    return &slots_[(head_ + static_cast<std::size_t>(sequence - firstSequence())) % capacity_];
}

}  // namespace remote
