#include "heading/iio/IioScanType.h"

#include <charconv>
#include <string>

#include "heading/Numbers.h"
#include "heading/iio/IioAttributes.h"

namespace heading {

namespace {

constexpr const char* kExpected = "a scan type such as 'le:s16/16>>0'";

[[noreturn]] void refuse(std::string_view text, const char* expected = kExpected) {
    std::string message = std::string("expected ") + expected + ", found '";
    message += printable(text);
    message += '\'';
    throw AttributeError(message);
}

// Digits at the front of rest, taken off it.
bool takeNumber(std::string_view& rest, unsigned& value) {
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc{} || end == rest.data()) return false;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    return true;
}

bool take(std::string_view& rest, std::string_view word) {
    if (!rest.starts_with(word)) return false;
    rest.remove_prefix(word.size());
    return true;
}

}  // namespace

IioScanType parseIioScanType(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    IioScanType type;
    std::string_view rest = text;
    if (take(rest, "be:"))
        type.bigEndian = true;
    else if (!take(rest, "le:"))
        refuse(text);
    if (take(rest, "s"))
        type.isSigned = true;
    else if (!take(rest, "u"))
        refuse(text);
    if (!takeNumber(rest, type.bits) || !take(rest, "/") || !takeNumber(rest, type.storage))
        refuse(text);
    if (take(rest, "X") && (!takeNumber(rest, type.repeat) || type.repeat == 0)) refuse(text);
    if (!take(rest, ">>") || !takeNumber(rest, type.shift) || !rest.empty()) refuse(text);
    if (type.storage != 8 && type.storage != 16 && type.storage != 32 && type.storage != 64)
        refuse(text, "a storage size of 8, 16, 32 or 64 bits");
    if (type.bits == 0 || type.shift >= type.storage || type.bits > type.storage - type.shift)
        refuse(text, "value bits that fit in the storage after the shift");
    if (type.repeat > 64) refuse(text, "at most 64 repeats");
    // Read into a signed 64-bit number, an unsigned 64-bit value could turn negative.
    if (!type.isSigned && type.bits == 64) refuse(text, "an unsigned value of at most 63 bits");
    return type;
}

std::int64_t IioScanType::extract(const unsigned char* data) const {
    const std::size_t n = storageBytes();
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < n; ++i) word = word << 8 | data[bigEndian ? i : n - 1 - i];
    word >>= shift;
    if (bits < 64) {
        word &= (std::uint64_t{1} << bits) - 1;
        if (isSigned && (word >> (bits - 1)) != 0) word |= ~((std::uint64_t{1} << bits) - 1);
    }
    return static_cast<std::int64_t>(word);
}

}  // namespace heading
