#include "heading/model/FieldQuery.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "heading/Numbers.h"

namespace heading {

namespace {

using namespace std::chrono;

// The one reading of numbers every option shares: decimal, no spaces around it, finite.
bool parseNumber(const std::string& text, double& value) {
    const auto decimal = parseDecimal(text);
    if (decimal) value = *decimal;
    return decimal.has_value();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (true) {
        const auto at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

std::string printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The fewest digits that read back as value, so that a value just past a limit never prints as
// the limit itself.
std::string shortest(double value) {
    for (int digits = 6;; ++digits) {
        const std::string text = printed(("%." + std::to_string(digits) + "g").c_str(), value);
        if (digits == 17 || std::strtod(text.c_str(), nullptr) == value) return text;
    }
}

}  // namespace

Location parseLocation(const std::string& text) {
    auto parts = split(text, ',');
    // As a map copies a place: "52.5, 13.4".
    for (std::size_t i = 1; i < parts.size(); ++i)
        parts[i].erase(0, parts[i].find_first_not_of(' '));
    Location where;
    double* fields[] = {&where.latitude, &where.longitude, &where.altitude};
    bool ok = parts.size() == 2 || parts.size() == 3;
    for (std::size_t i = 0; ok && i < parts.size(); ++i) ok = parseNumber(parts[i], *fields[i]);
    if (!ok)
        throw FieldModelError(
            "option --location needs LAT,LON or LAT,LON,ALT_M in degrees and "
            "metres, got '" +
            printable(text) + "'");
    if (std::fabs(where.latitude) > 90.0)
        throw FieldModelError("option --location: latitude " + parts[0] +
                              " lies outside -90 to 90 degrees");
    if (where.longitude < -180.0 || where.longitude >= 360.0)
        throw FieldModelError("option --location: longitude " + parts[1] +
                              " lies outside -180 to 360 degrees (360 itself excluded)");
    return where;
}

double parseDate(const std::string& text) {
    double year = 0.0;
    if (parseNumber(text, year)) return year;
    int y = 0;
    unsigned m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &tail) == 3 && text.size() == 10) {
        const year_month_day day{std::chrono::year{y}, month{m}, std::chrono::day{d}};
        if (day.ok()) return decimalYear(sys_days{day});
    }
    throw FieldModelError(
        "option --date needs a day as YYYY-MM-DD or a decimal year such as "
        "2027.5, got '" +
        printable(text) + "'");
}

double decimalYear(system_clock::time_point when) {
    const auto day = floor<days>(when);
    const year_month_day ymd{day};
    const sys_days start{ymd.year() / January / 1};
    const sys_days next{(ymd.year() + years{1}) / January / 1};
    const duration<double> gone = when - system_clock::time_point(start);
    const duration<double> length = next - start;
    return static_cast<double>(static_cast<int>(ymd.year())) + gone / length;
}

void checkAltitude(const FieldModel& model, const Location& location) {
    if (location.altitude < model.minAltitude() || location.altitude > model.maxAltitude())
        throw FieldModelError("option --location: altitude " + shortest(location.altitude) +
                              " m lies outside " + shortest(model.minAltitude()) + " to " +
                              shortest(model.maxAltitude()) + " m, where " + model.name() +
                              " holds");
}

void checkYear(const FieldModel& model, double year, const std::string& dateText) {
    if (!(year >= model.validFrom() && year <= model.validUntil()))
        throw FieldModelError(dateText + " lies outside " + printed("%.1f", model.validFrom()) +
                              " to " + printed("%.1f", model.validUntil()) + ", the years " +
                              model.name() + " covers");
}

Caution cautionFor(const FieldValues& field) {
    if (!(field.horizontal >= kUnreliableHorizontal)) return Caution::Unreliable;
    if (field.horizontal < kNearPoleHorizontal) return Caution::NearPole;
    return Caution::None;
}

std::string fieldReport(const FieldValues& f, const std::string& modelName) {
    char line[320];
    std::snprintf(line, sizeof line,
                  "declination=%.4f inclination=%.4f total=%.1f horizontal=%.1f north=%.1f "
                  "east=%.1f down=%.1f model=%s",
                  f.declination, f.inclination, f.total, f.horizontal, f.north, f.east, f.down,
                  modelName.c_str());
    std::string text = line;
    switch (cautionFor(f)) {
        case Caution::None:
            break;
        case Caution::NearPole:
            text += " caution=near-pole";
            break;
        case Caution::Unreliable:
            text += " caution=unreliable";
            break;
    }
    return text;
}

std::string cautionWarning(const FieldValues& f) {
    const std::string field = "the horizontal field here is " + printed("%.0f", f.horizontal);
    switch (cautionFor(f)) {
        case Caution::None:
            return {};
        case Caution::NearPole:
            return field +
                   " nT, under 6000 nT: this near a magnetic pole the declination, and "
                   "so the true heading, is less certain";
        case Caution::Unreliable:
            return field +
                   " nT, under 2000 nT: this near a magnetic pole the declination, and "
                   "so the true heading, is unreliable";
    }
    return {};
}

}  // namespace heading
