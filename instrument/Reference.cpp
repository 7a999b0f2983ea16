#include "instrument/Reference.h"

namespace instrument {

using heading::Vector3;

void Reference::add(const Vector3& field) {
    last_[next_] = field;
    next_ = (next_ + 1) % kSamples;
    if (count_ < kSamples) ++count_;
}

bool Reference::capture() {
    if (count_ == 0) return false;
    Vector3 sum;
    for (std::size_t i = 0; i < count_; ++i) {
        sum.x += last_[i].x;
        sum.y += last_[i].y;
        sum.z += last_[i].z;
    }
    const double n = static_cast<double>(count_);
    reference_ = Vector3{sum.x / n, sum.y / n, sum.z / n};
    return true;
}

Vector3 Reference::relative(const Vector3& field) const {
    if (!reference_) return field;
    return {field.x - reference_->x, field.y - reference_->y, field.z - reference_->z};
}

}  // namespace instrument
