#include "heading/iio/IioAttributes.h"

#include <cmath>
#include <string>

#include "heading/Numbers.h"

namespace heading {

namespace {

std::string_view trimLine(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string quoted(std::string_view text) {
    // Appended rather than prepended: g++ 12 warns falsely about "'" + std::string&& at -O3.
    std::string out(1, '\'');
    out += printable(text);
    out += '\'';
    return out;
}

[[noreturn]] void refuse(const char* expected, std::string_view found) {
    throw AttributeError(std::string("expected ") + expected + ", found " + quoted(found));
}

double finiteNumber(std::string_view text, const char* expected) {
    const auto value = parseNumber(trimLine(text));
    if (!value || !std::isfinite(*value)) refuse(expected, trimLine(text));
    return *value;
}

}  // namespace

long long parseIioRaw(std::string_view text) {
    const auto value = parseInteger(trimLine(text));
    if (!value) refuse("a whole number", trimLine(text));
    return *value;
}

double parseIioScale(std::string_view text) {
    const double value = finiteNumber(text, "a positive number");
    if (!(value > 0.0)) refuse("a positive number", trimLine(text));
    return value;
}

double parseIioOffset(std::string_view text) {
    return finiteNumber(text, "a number");
}

double parseIioSamplingFrequency(std::string_view text) {
    constexpr const char* kExpected = "a frequency above 0 and at most 100000 Hz";
    const double value = finiteNumber(text, kExpected);
    if (!(value > 0.0) || value > 100000.0) refuse(kExpected, trimLine(text));
    return value;
}

Matrix3 parseIioMountMatrix(std::string_view text) {
    constexpr const char* kExpected = "a mount matrix 'a, b, c; d, e, f; g, h, i'";
    const std::string_view whole = trimLine(text);
    Matrix3 matrix;
    std::string_view rest = whole;
    std::size_t i = 0;
    for (int row = 0; row < 3; ++row) {
        const auto semicolon = rest.find(';');
        if ((row < 2) == (semicolon == std::string_view::npos)) refuse(kExpected, whole);
        std::string_view rowText = rest.substr(0, semicolon);
        rest.remove_prefix(semicolon == std::string_view::npos ? rest.size() : semicolon + 1);
        for (int column = 0; column < 3; ++column) {
            const auto comma = rowText.find(',');
            if ((column < 2) == (comma == std::string_view::npos)) refuse(kExpected, whole);
            const auto value = parseNumber(trimLine(rowText.substr(0, comma)));
            if (!value || !std::isfinite(*value)) refuse(kExpected, whole);
            matrix.m[i++] = *value;
            rowText.remove_prefix(comma == std::string_view::npos ? rowText.size() : comma + 1);
        }
    }
    const auto& m = matrix.m;
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (det == 0.0) refuse("a mount matrix that keeps all three axes", whole);
    return matrix;
}

}  // namespace heading
