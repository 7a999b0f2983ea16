#pragma once

#include <cstddef>
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

// A number as a person types it on the command line: decimal digits with an optional sign,
// point and exponent ("12", "-0.5", "+3e-2"). No spaces around it, no hexadecimal, nothing
// that is not finite. Every option's number is read with this one, so all take the same forms.
std::optional<double> parseDecimal(std::string_view text);

// text as it may appear in a message: control bytes and bytes that are not UTF-8 become \xHH,
// and anything past maxLength bytes becomes "...".
std::string printable(std::string_view text, std::size_t maxLength = 40);

}  // namespace heading
