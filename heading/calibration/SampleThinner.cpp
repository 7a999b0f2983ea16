#include "heading/calibration/SampleThinner.h"

#include <algorithm>

namespace heading::calibration {

void SampleThinner::add(const Vector3& raw) {
    if (!any_) {
        low_ = high_ = raw;
        any_ = true;
    }
    low_ = {std::min(low_.x, raw.x), std::min(low_.y, raw.y), std::min(low_.z, raw.z)};
    high_ = {std::max(high_.x, raw.x), std::max(high_.y, raw.y), std::max(high_.z, raw.z)};
    // The box's middle is near the hard-iron offset once the device has turned.
    const Vector3 d{raw.x - (low_.x + high_.x) / 2, raw.y - (low_.y + high_.y) / 2,
                    raw.z - (low_.z + high_.z) / 2};
    Bin& bin = bins_[DirectionBins::binOf(d).value_or(0)];
    if (bin.arrived++ % bin.stride != 0) return;
    if (bin.kept.size() == kPerBin) {
        // Every other one goes: what stays is every (2 · stride)-th arrival.
        std::size_t to = 0;
        for (std::size_t from = 0; from < bin.kept.size(); from += 2)
            bin.kept[to++] = bin.kept[from];
        bin.kept.resize(to);
        bin.stride *= 2;
        if ((bin.arrived - 1) % bin.stride != 0) return;
    }
    bin.kept.push_back(raw);
}

std::vector<Vector3> SampleThinner::samples() const {
    std::vector<Vector3> all;
    all.reserve(kept());
    for (const Bin& bin : bins_) all.insert(all.end(), bin.kept.begin(), bin.kept.end());
    return all;
}

std::size_t SampleThinner::kept() const {
    std::size_t n = 0;
    for (const Bin& bin : bins_) n += bin.kept.size();
    return n;
}

}  // namespace heading::calibration
