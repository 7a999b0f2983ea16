#include "instrument/Reference.h"

namespace instrument {

void Reference::add(const Vector& field) {
    last_[next_] = field;
    next_ = (next_ + 1) % kSamples;
    if (count_ < kSamples) ++count_;
}

bool Reference::capture() {
    if (count_ == 0) return false;
    Vector sum;
    for (std::size_t i = 0; i < count_; ++i) {
        sum.x += last_[i].x;
        sum.y += last_[i].y;
        sum.z += last_[i].z;
    }
    const double n = static_cast<double>(count_);
    reference_ = Vector{sum.x / n, sum.y / n, sum.z / n};
    return true;
}

Vector Reference::relative(const Vector& field) const {
    if (!reference_) return field;
    return {field.x - reference_->x, field.y - reference_->y, field.z - reference_->z};
}

}  // namespace instrument
