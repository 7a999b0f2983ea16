#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace heading {

// A UTC calendar date and time of day, without time zones or leap seconds, as the observatory
// files and the command line write them.
struct UtcTime {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    // Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
    static std::int64_t daysFromCivil(int year, int month, int day);
    // The date and time of so many milliseconds since the epoch.
    static UtcTime fromMilliseconds(std::int64_t ms);
    static UtcTime fromSeconds(std::int64_t seconds) { return fromMilliseconds(seconds * 1000); }

    std::int64_t toMilliseconds() const;
    int dayOfYear() const;  // 1-366
    bool valid() const;     // a real date, a time of day below 24:00:00
};

// "2018-09-01T22:59:15Z" (also with fractional seconds, or a space for the T); nothing when the
// text is not such a time.
std::optional<std::int64_t> parseUtcMilliseconds(std::string_view text);

// The system clock, in seconds since the epoch.
double utcNow();

}  // namespace heading
