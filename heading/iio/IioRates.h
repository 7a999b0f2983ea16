#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace heading {

// The sampling frequencies a driver offers, from its *_sampling_frequency_available file: a
// list ("0.625 1.25 2.5 5 10 20 40 80") or a range "[min step max]".
class IioRates {
  public:
    // Throws AttributeError unless text is one of those forms of finite, positive numbers
    // (a range's step is above 0 and its max at least its min).
    static IioRates parse(std::string_view text);

    // Without a request, the highest rate up to kDefaultCeiling (the lowest when all lie
    // above it); with one, the nearest (the higher of two as near).
    double choose(std::optional<double> requested) const;

    static constexpr double kDefaultCeiling = 100.0;

  private:
    std::vector<double> listed_;  // ascending; empty for a range
    double min_ = 0, step_ = 0, max_ = 0;
};

}  // namespace heading
