#include "instrument/Units.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/Format.h"

namespace instrument {

namespace {

struct Entry {
    const char* key;
    const char* name;
    heading::FieldUnit unit;
};

// 1 µT = 1000 nT = 10 mG = 0.01 G.
constexpr Entry kUnits[] = {
    {"uT", "microtesla", {"\u00b5T", 1.0, "%.1f"}},
    {"nT", "nanotesla", {"nT", 1000.0, "%.0f"}},
    {"mG", "milligauss", {"mG", 10.0, "%.0f"}},
    {"G", "gauss", {"G", 0.01, "%.4f"}},
};

const Entry& entry(Unit unit) {
    return kUnits[static_cast<int>(unit)];
}

// The unit whose entry holds text in field.
std::optional<Unit> unitWhere(const char* Entry::*field, std::string_view text) {
    for (std::size_t i = 0; i < std::size(kUnits); ++i)
        if (text == kUnits[i].*field) return static_cast<Unit>(i);
    return std::nullopt;
}

}  // namespace

std::optional<Unit> parseUnit(std::string_view text) {
    if (text == "\u00b5T") return Unit::Microtesla;
    return unitWhere(&Entry::key, text);
}

const char* unitKey(Unit unit) {
    return entry(unit).key;
}

const char* unitSymbol(Unit unit) {
    return entry(unit).unit.symbol;
}

const char* unitName(Unit unit) {
    return entry(unit).name;
}

std::optional<Unit> unitNamed(std::string_view name) {
    return unitWhere(&Entry::name, name);
}

const heading::FieldUnit& fieldUnit(Unit unit) {
    return entry(unit).unit;
}

namespace {

// printf keeps the sign of a value that rounds to zero ("-0.0"); a reading of no field has none.
std::string withoutNegativeZero(std::string text) {
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    return text;
}

}  // namespace

std::string formatField(double microtesla, Unit unit) {
    const heading::FieldUnit& u = fieldUnit(unit);
    return withoutNegativeZero(platform::format(u.format, microtesla * u.perMicrotesla));
}

std::string formatFigure(double microtesla, Unit unit) {
    const double per = fieldUnit(unit).perMicrotesla;
    const double value = microtesla * per;
    const int finest = static_cast<int>(std::lround(3.0 - std::log10(per)));
    const double magnitude = std::abs(value);
    const int significant = magnitude > 0.0 && std::isfinite(magnitude)
                                ? 2 - static_cast<int>(std::floor(std::log10(magnitude)))
                                : finest;
    return withoutNegativeZero(platform::format("%.*f", std::clamp(significant, 0, finest), value));
}

}  // namespace instrument
