#include "heading/SourceChoice.h"

#include <cmath>

#include "heading/Numbers.h"
#include "heading/SourceError.h"

namespace heading {

namespace {

constexpr const char* kAccepted =
    "expected auto, iio[:DEVICE], replay:FILE, simulated[:rate=HZ] or none";

[[noreturn]] void refuse(std::string_view text, const std::string& why) {
    throw SourceError("heading source '" + std::string(text) + "': " + why);
}

double parseRate(std::string_view whole, std::string_view options) {
    if (!options.starts_with("rate=")) refuse(whole, "expected rate=HZ after 'simulated:'");
    const std::string_view value = options.substr(5);
    const auto rate = parseNumber(value);
    if (!rate || !std::isfinite(*rate))
        refuse(whole, "rate '" + std::string(value) + "' is not a number");
    if (!(*rate > 0.0)) refuse(whole, "rate must be above 0 Hz");
    if (*rate > SourceChoice::kMaxRate) refuse(whole, "rate must be at most 100000 Hz");
    return *rate;
}

}  // namespace

SourceChoice parseSourceChoice(std::string_view text) {
    const auto colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const bool hasArgument = colon != std::string_view::npos;
    const std::string_view argument = hasArgument ? text.substr(colon + 1) : std::string_view{};

    SourceChoice spec;
    if (name == "auto" || name == "none") {
        if (hasArgument) refuse(text, "'" + std::string(name) + "' takes no argument");
        spec.kind = name == "auto" ? SourceChoice::Kind::Auto : SourceChoice::Kind::None;
    } else if (name == "iio") {
        if (hasArgument && argument.empty()) refuse(text, "expected a device name after 'iio:'");
        spec.kind = SourceChoice::Kind::Iio;
        spec.device = std::string(argument);
    } else if (name == "replay") {
        if (argument.empty()) refuse(text, "expected a file after 'replay:'");
        spec.kind = SourceChoice::Kind::Replay;
        spec.file = std::string(argument);
    } else if (name == "simulated") {
        spec.kind = SourceChoice::Kind::Simulated;
        if (hasArgument) spec.rate = parseRate(text, argument);
    } else {
        refuse(text, kAccepted);
    }
    return spec;
}

}  // namespace heading
