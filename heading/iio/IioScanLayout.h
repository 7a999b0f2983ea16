#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "heading/iio/IioScanType.h"

namespace heading {

// Where each enabled element lies in one scan of a buffer, as the kernel packs it: elements in
// the order of their index, each at an offset aligned to its storage size, the whole scan
// padded to the largest of those alignments.
class IioScanLayout {
  public:
    struct Element {
        std::string name;  // "in_magn_x", "in_timestamp"
        unsigned index = 0;
        IioScanType type;
    };

    IioScanLayout() = default;
    explicit IioScanLayout(std::vector<Element> elements);

    std::size_t scanBytes() const { return scanBytes_; }
    // Position of name among the elements, or -1 when it is not in the scan.
    int find(const std::string& name) const;
    std::size_t offset(int element) const { return offsets_.at(static_cast<std::size_t>(element)); }
    // The first value of element in scan.
    std::int64_t value(const unsigned char* scan, int element) const;
    const std::vector<Element>& elements() const { return elements_; }

  private:
    std::vector<Element> elements_;
    std::vector<std::size_t> offsets_;
    std::size_t scanBytes_ = 0;
};

}  // namespace heading
