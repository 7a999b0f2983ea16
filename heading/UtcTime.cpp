#include "heading/UtcTime.h"

#include <chrono>

namespace heading {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

bool leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

// Digits at text[at, at+count) as a number, or -1.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::int64_t UtcTime::daysFromCivil(int year, int month, int day) {
    // Counts from a March-based year, so that the leap day falls last.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

UtcTime UtcTime::fromMilliseconds(std::int64_t ms) {
    std::int64_t days = ms / kMsPerDay;
    std::int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    UtcTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(rest / 3'600'000);
    t.minute = static_cast<int>(rest / 60'000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

std::int64_t UtcTime::toMilliseconds() const {
    return daysFromCivil(year, month, day) * kMsPerDay + hour * 3'600'000LL + minute * 60'000LL +
           second * 1000LL + millisecond;
}

int UtcTime::dayOfYear() const {
    return static_cast<int>(daysFromCivil(year, month, day) - daysFromCivil(year, 1, 1)) + 1;
}

bool UtcTime::valid() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= daysIn(year, month) && hour >= 0 &&
           hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

std::optional<std::int64_t> parseUtcMilliseconds(std::string_view text) {
    if (text.size() < 20 || text.back() != 'Z') return std::nullopt;
    text.remove_suffix(1);
    UtcTime t;
    t.year = digits(text, 0, 4);
    t.month = digits(text, 5, 2);
    t.day = digits(text, 8, 2);
    t.hour = digits(text, 11, 2);
    t.minute = digits(text, 14, 2);
    t.second = digits(text, 17, 2);
    if (text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
        text[13] != ':' || text[16] != ':' || t.year < 0)
        return std::nullopt;
    if (text.size() > 19) {
        // A fraction of a second, to the millisecond.
        if (text[19] != '.' || text.size() == 20 || text.size() > 23) return std::nullopt;
        const int fraction = digits(text, 20, text.size() - 20);
        if (fraction < 0) return std::nullopt;
        t.millisecond = fraction * (text.size() == 21 ? 100 : text.size() == 22 ? 10 : 1);
    }
    if (!t.valid()) return std::nullopt;
    return t.toMilliseconds();
}

double utcNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace heading
