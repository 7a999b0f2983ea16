#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace heading {

// How one element of a buffered scan is stored, as its scan_elements/*_type file says:
// "[be|le]:[s|u]BITS/STORAGE[Xrepeat]>>SHIFT", as in "le:s16/16>>0" or "be:s12/16>>4".
struct IioScanType {
    bool bigEndian = false;
    bool isSigned = false;
    unsigned bits = 0;     // the value's own bits, 1 to storage - shift
    unsigned storage = 0;  // 8, 16, 32 or 64
    unsigned repeat = 1;
    unsigned shift = 0;

    std::size_t storageBytes() const { return storage / 8; }
    // Every repeat of the element.
    std::size_t bytes() const { return storageBytes() * repeat; }

    // The value stored at data (storageBytes() of it): shifted, masked to its bits and, when
    // signed, sign-extended.
    std::int64_t extract(const unsigned char* data) const;

    friend bool operator==(const IioScanType&, const IioScanType&) = default;
};

// Throws AttributeError for anything but the form above (a trailing newline is fine), for a
// storage size other than 8, 16, 32 or 64 bits, and for bits that do not fit in it after the
// shift.
IioScanType parseIioScanType(std::string_view text);

}  // namespace heading
