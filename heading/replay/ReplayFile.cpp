#include "heading/replay/ReplayFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "heading/Numbers.h"
#include "heading/SourceError.h"
#include "heading/replay/ReplayFormat.h"

namespace heading {

namespace {

constexpr std::array<const char*, 6> kColumns = {"t",          "x", "y", "z", "magneticHeading",
                                                 "trueHeading"};

std::string readWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw SourceError("cannot open replay file " + path + ": " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throw SourceError("cannot read replay file " + path + ": " + std::strerror(error));
        }
    }
    ::close(fd);
    return text;
}

std::string where(const std::string& name, std::size_t line) {
    return name + ":" + std::to_string(line) + ": ";
}

}  // namespace

std::vector<platform::Heading> ReplayFile::read(const std::string& path) {
    return parse(readWhole(path), path);
}

std::vector<platform::Heading> ReplayFile::parse(std::string_view text, const std::string& name) {
    std::vector<platform::Heading> samples;
    bool haveHeader = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (trimSpaces(line).empty()) continue;

        if (!haveHeader) {
            if (trimSpaces(line) != kReplayHeader)
                throw SourceError(where(name, lineNumber) + "expected the header " + kReplayHeader +
                                  ", found '" + printable(line) + "'");
            haveHeader = true;
            continue;
        }

        std::array<double, 6> values{};
        std::size_t count = 0;
        std::string_view rest = line;
        for (;;) {
            const auto comma = rest.find(',');
            const std::string_view field = rest.substr(0, comma);
            if (count < values.size()) {
                const auto value = parseNumber(field);
                if (value && !std::isfinite(*value))
                    throw SourceError(where(name, lineNumber) + kColumns[count] +
                                      " is not a finite number: " + printable(trimSpaces(field)));
                if (!value) {
                    // A short line is better told by its count than by its first bad field.
                    const auto fields =
                        static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
                    if (fields != values.size())
                        throw SourceError(where(name, lineNumber) +
                                          "expected 6 comma-separated numbers, found " +
                                          std::to_string(fields));
                    throw SourceError(where(name, lineNumber) + kColumns[count] +
                                      " is not a number: '" + printable(trimSpaces(field)) + "'");
                }
                values[count] = *value;
            }
            ++count;
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        if (count != values.size())
            throw SourceError(where(name, lineNumber) +
                              "expected 6 comma-separated numbers, found " + std::to_string(count));

        platform::Heading h;
        h.timestamp = values[0];
        h.x = values[1];
        h.y = values[2];
        h.z = values[3];
        h.magneticHeading = values[4];
        h.trueHeading = values[5];
        if (!samples.empty() && h.timestamp < samples.back().timestamp) {
            char text[128];
            std::snprintf(text, sizeof text, "t goes backwards: %.17g after %.17g", h.timestamp,
                          samples.back().timestamp);
            throw SourceError(where(name, lineNumber) + text);
        }
        samples.push_back(h);
    }
    if (!haveHeader)
        throw SourceError(name + ": the file is empty; expected the header " +
                          std::string(kReplayHeader));
    return samples;
}

}  // namespace heading
