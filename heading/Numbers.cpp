#include "heading/Numbers.h"

#include <charconv>
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

std::string printable(std::string_view text) {
    constexpr std::size_t kMax = 40;
    std::string out;
    for (char c : text.substr(0, kMax))
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    if (text.size() > kMax) out += "...";
    return out;
}

}  // namespace heading
