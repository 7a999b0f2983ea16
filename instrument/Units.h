#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "heading/Heading.h"

namespace instrument {

// The units the field can be shown in. Samples, recordings and the stream stay in microtesla;
// only what a person reads changes.
enum class Unit { Microtesla, Nanotesla, Milligauss, Gauss };

// "uT" (or "µT"), "nT", "mG" or "G"; nothing for anything else.
std::optional<Unit> parseUnit(std::string_view text);
// The plain name that parseUnit reads and settings and the status keep: "uT", "nT", "mG", "G".
const char* unitKey(Unit unit);
// "µT", "nT", "mG", "G".
const char* unitSymbol(Unit unit);
// The word a screen reader says: "microtesla", "nanotesla", "milligauss", "gauss".
const char* unitName(Unit unit);
// The unit unitName calls name; nothing for any other word.
std::optional<Unit> unitNamed(std::string_view name);
// How the screens write a value in unit: each at the resolution of a tenth of a microtesla.
const heading::FieldUnit& fieldUnit(Unit unit);
// A value given in microtesla, written in unit with its format ("48.3", "48300", "483",
// "0.4830"); a value that rounds to zero has no sign.
std::string formatField(double microtesla, Unit unit);
// A measured figure (the AC view's RMS) in unit to three significant figures, never finer than
// a thousandth of a microtesla: 1.48 µT is "1.48", "1480", "14.8" or "0.0148".
std::string formatFigure(double microtesla, Unit unit);

}  // namespace instrument
