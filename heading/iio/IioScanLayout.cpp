#include "heading/iio/IioScanLayout.h"

#include <algorithm>
#include <utility>

namespace heading {

IioScanLayout::IioScanLayout(std::vector<Element> elements) : elements_(std::move(elements)) {
    std::stable_sort(elements_.begin(), elements_.end(),
                     [](const Element& a, const Element& b) { return a.index < b.index; });
    std::size_t at = 0, largest = 1;
    for (const Element& e : elements_) {
        const std::size_t align = e.type.storageBytes();
        at = (at + align - 1) / align * align;
        offsets_.push_back(at);
        at += e.type.bytes();
        largest = std::max(largest, align);
    }
    scanBytes_ = (at + largest - 1) / largest * largest;
}

int IioScanLayout::find(const std::string& name) const {
    for (std::size_t i = 0; i < elements_.size(); ++i)
        if (elements_[i].name == name) return static_cast<int>(i);
    return -1;
}

std::int64_t IioScanLayout::value(const unsigned char* scan, int element) const {
    const auto i = static_cast<std::size_t>(element);
    return elements_.at(i).type.extract(scan + offsets_[i]);
}

}  // namespace heading
