#include "heading/iio/IioRates.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "heading/Numbers.h"
#include "heading/iio/IioAttributes.h"

namespace heading {

namespace {

constexpr const char* kExpected = "rates such as '1 10 100' or a range '[1 1 100]'";

[[noreturn]] void refuse(std::string_view text) {
    std::string message = std::string("expected ") + kExpected + ", found '";
    message += printable(trimSpaces(text));
    message += '\'';
    throw AttributeError(message);
}

std::vector<double> numbers(std::string_view whole, std::string_view text) {
    std::vector<double> values;
    while (true) {
        const auto start = text.find_first_not_of(" \t\n");
        if (start == std::string_view::npos) return values;
        text.remove_prefix(start);
        const auto end = std::min(text.find_first_of(" \t\n"), text.size());
        const auto v = parseNumber(text.substr(0, end));
        if (!v || !std::isfinite(*v) || !(*v > 0.0) || *v > 100000.0) refuse(whole);
        values.push_back(*v);
        text.remove_prefix(end);
    }
}

}  // namespace

IioRates IioRates::parse(std::string_view text) {
    IioRates rates;
    std::string_view body = text;
    while (!body.empty() && (body.back() == '\n' || body.back() == ' ')) body.remove_suffix(1);
    if (body.starts_with('[')) {
        if (!body.ends_with(']')) refuse(text);
        const auto v = numbers(text, body.substr(1, body.size() - 2));
        if (v.size() != 3 || v[2] < v[0]) refuse(text);
        rates.min_ = v[0];
        rates.step_ = v[1];
        rates.max_ = v[2];
        return rates;
    }
    rates.listed_ = numbers(text, body);
    if (rates.listed_.empty()) refuse(text);
    std::sort(rates.listed_.begin(), rates.listed_.end());
    return rates;
}

double IioRates::choose(std::optional<double> requested) const {
    if (listed_.empty()) {
        const double target = requested.value_or(kDefaultCeiling);
        const double steps = (std::clamp(target, min_, max_) - min_) / step_;
        // The default stays at or under its ceiling; a request goes to the nearest step.
        const double k = requested ? std::floor(steps + 0.5) : std::floor(steps);
        return std::min(min_ + k * step_, max_);
    }
    if (!requested) {
        const auto above = std::upper_bound(listed_.begin(), listed_.end(), kDefaultCeiling);
        return above == listed_.begin() ? listed_.front() : *(above - 1);
    }
    double best = listed_.front();
    for (double r : listed_)
        if (std::fabs(r - *requested) <= std::fabs(best - *requested)) best = r;
    return best;
}

}  // namespace heading
