#include "heading/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace heading {

std::string_view trimSpaces(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

namespace {

template <typename T>
std::optional<T> parseWhole(std::string_view text) {
    text = trimSpaces(text);
    // from_chars takes no '+'; allow one, but not "+-1".
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ptr != end) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // A number all the same: strtod gives ±inf for one too large and 0 or a subnormal for
        // one too small, which is what the caller should judge.
        if constexpr (std::is_floating_point_v<T>)
            return std::strtod(std::string(text).c_str(), nullptr);
        return std::nullopt;
    }
    if (ec != std::errc{}) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    return parseWhole<double>(text);
}

std::optional<long long> parseInteger(std::string_view text) {
    return parseWhole<long long>(text);
}

std::optional<double> parseDecimal(std::string_view text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && isDigit(text[i])) ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    const auto value = parseWhole<double>(text);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

namespace {

// Bytes in the UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xf0 && lead <= 0xf4   ? 4
                               : lead >= 0xe0                 ? 3
                               : lead >= 0xc2 && lead <= 0xdf ? 2
                                                              : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xc0) != 0x80) return 0;
    // C1 control characters, and the byte order mark, which shows as nothing at all.
    if (lead == 0xc2 && byte(i + 1) < 0xa0) return 0;
    if (text.substr(i, length) == "\xef\xbb\xbf") return 0;
    return length;
}

}  // namespace

std::string printable(std::string_view text, std::size_t maxLength) {
    const std::string_view shown = text.substr(0, maxLength);
    std::string out;
    for (std::size_t i = 0; i < shown.size();) {
        const auto c = static_cast<unsigned char>(shown[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += shown[i++];
            continue;
        }
        const std::size_t length = c >= 0x80 ? utf8Length(shown, i) : 0;
        if (length > 0) {
            out.append(shown.substr(i, length));
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        out += escaped;
        ++i;
    }
    if (text.size() > maxLength) out += "...";
    return out;
}

}  // namespace heading
