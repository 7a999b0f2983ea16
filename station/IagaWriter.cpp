#include "station/IagaWriter.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "heading/UtcTime.h"

namespace station {

namespace {

constexpr double kMissingValue = 99999.0;
constexpr double kNotRecordedValue = 88888.0;
// The widest values %10.2f writes in nine columns, so that a space still parts them.
constexpr double kLargest = 999999.99;
constexpr double kMostNegative = -99999.99;

// " Label                  value                                        |": the label from
// column 2, the value from column 25, the bar at column 70.
std::string headerLine(const char* label, const std::string& value) {
    std::string line(69, ' ');
    line.replace(1, std::strlen(label), label);
    line.replace(24, std::min<std::size_t>(value.size(), 45), value.substr(0, 45));
    return line + "|\n";
}

std::string decimal(double value, const char* format) {
    if (!std::isfinite(value)) return {};
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The components' letters: "XYZF" from "XYZF", "SVH"... from a twelve-letter form.
std::string element(const std::string& reported, int i) {
    if (reported.size() == 4) return reported.substr(static_cast<std::size_t>(i), 1);
    if (reported.size() == 8 || reported.size() == 12) {
        const std::size_t n = reported.size() / 4;
        return reported.substr(static_cast<std::size_t>(i) * n, n);
    }
    return std::string(1, "XYZF"[i]);
}

// n as count decimal digits, with leading zeros.
void digits(char* out, int count, int n) {
    for (int i = count - 1; i >= 0; --i, n /= 10) out[i] = char('0' + n % 10);
}

// v as printf's %10.2f writes it, without printf's cost where the rounding is plain: a day of
// seconds is 345,600 values.
void hundredths(char* out, double v) {
    const double scaled = std::fabs(v) * 100.0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-6 || scaled >= 1e12) {
        // Near a half, only printf's exact decimal expansion knows which way it goes.
        char text[32];
        std::snprintf(text, sizeof text, "%10.2f", v);
        std::memcpy(out, text, 10);
        return;
    }
    auto n = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
    char text[16];
    int at = 15;
    text[at--] = char('0' + n % 10);
    n /= 10;
    text[at--] = char('0' + n % 10);
    n /= 10;
    text[at--] = '.';
    do {
        text[at--] = char('0' + n % 10);
        n /= 10;
    } while (n > 0);
    if (std::signbit(v)) text[at--] = '-';
    const int length = 15 - at;
    std::memset(out, ' ', 10);
    std::memcpy(out + 10 - length, text + at + 1, std::size_t(length));
}

}  // namespace

IagaWriter::IagaWriter(const StationInfo& info, Interval interval)
    : info_(info), interval_(interval) {}

std::string IagaWriter::header() const {
    const bool second = interval_ == Interval::Second;
    // Longitude as the format wants it: 0-360 east.
    double east = info_.longitude;
    if (std::isfinite(east)) {
        east = std::fmod(east, 360.0);
        if (east < 0.0) east += 360.0;
    }
    std::string text;
    text += headerLine("Format", "IAGA-2002");
    text += headerLine("Source of Data", info_.source);
    text += headerLine("Station Name", info_.name.empty() ? info_.code : info_.name);
    text += headerLine("IAGA Code", info_.code);
    text += headerLine("Geodetic Latitude", decimal(info_.latitude, "%.3f"));
    text += headerLine("Geodetic Longitude", decimal(east, "%.3f"));
    text += headerLine("Elevation", decimal(info_.elevation, "%.0f"));
    text += headerLine("Reported", info_.reported);
    text += headerLine("Sensor Orientation", info_.orientation);
    text += headerLine("Digital Sampling", info_.sampling);
    text += headerLine("Data Interval Type",
                       second ? "Average 1-Second" : "Filtered 1-Minute (00:15-01:45)");
    text += headerLine("Data Type", "variation");
    text += headerLine("# 1-second means of the samples in each UTC second;", "");
    if (!second) text += headerLine("# minutes by a Gaussian of 91 seconds, sigma 15.8734 s.", "");
    // The column header: DATE, TIME, DOY, then the code and each component's letters.
    std::string columns = "DATE       TIME         DOY     ";
    for (int i = 0; i < 4; ++i) {
        std::string name = info_.code + element(info_.reported, i);
        name.resize(i < 3 ? 10 : 7, ' ');
        columns += name.substr(0, i < 3 ? 10 : 7);
    }
    return text + columns + "|\n";
}

void IagaWriter::line(const StationValue& value, char* out) const {
    const heading::UtcTime t = heading::UtcTime::fromSeconds(value.time);
    const double values[4] = {value.x, value.y, value.z, value.f};
    // "2018-09-01 23:00:00.000 244   " then four values of ten columns and the newline.
    std::memcpy(out, "0000-00-00 00:00:00.000 000   ", 30);
    digits(out, 4, t.year % 10000);
    digits(out + 5, 2, t.month);
    digits(out + 8, 2, t.day);
    digits(out + 11, 2, t.hour);
    digits(out + 14, 2, t.minute);
    digits(out + 17, 2, t.second);
    digits(out + 24, 3, t.dayOfYear());
    for (int i = 0; i < 4; ++i) {
        const double v = values[i];
        hundredths(out + 30 + 10 * i, !info_.recorded[i] ? kNotRecordedValue
                                      : std::isfinite(v) && v <= kLargest && v >= kMostNegative
                                          ? v
                                          : kMissingValue);
    }
    out[70] = '\n';
}

std::string IagaWriter::fileName(std::int64_t time) const {
    const heading::UtcTime t = heading::UtcTime::fromSeconds(time);
    std::string code;
    for (char c : info_.code)
        code += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", t.year % 10000, t.month, t.day);
    return code + date + (interval_ == Interval::Second ? "vsec.sec" : "vmin.min");
}

}  // namespace station
