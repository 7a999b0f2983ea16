#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace heading {

// The whole of text as a number ("12", "-0.5", "+3e-2", "nan", "inf"); nothing when anything is
// left over or missing. Surrounding spaces and tabs are allowed. Finiteness is the caller's
// question, so that it can say "not a finite number" rather than "not a number".
std::optional<double> parseNumber(std::string_view text);

// The whole of text as a decimal integer, as above.
std::optional<long long> parseInteger(std::string_view text);

std::string_view trimSpaces(std::string_view text);

// Text from a file, fit to quote in a message on a terminal: control characters become '?', and
// more than 40 characters end in "...".
std::string printable(std::string_view text);

}  // namespace heading
