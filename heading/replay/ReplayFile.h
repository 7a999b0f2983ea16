#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "heading/Heading.h"

namespace heading {

// A recorded session: the header line t,x,y,z,magneticHeading,trueHeading (or the same with
// ,gx,gy,gz: the accelerometer's reading in m/s², from a source that has one), then one sample a
// line (t in seconds, never going backwards and at most kMaxSpan after the first sample; the
// axes in µT; the magnetic heading in [0, 360) degrees, the true heading likewise or -1 for
// unknown). Empty lines, CRLF endings and a leading UTF-8 byte order mark are fine. Every value
// must be a finite number, and no line longer than kMaxLineBytes.
class ReplayFile {
  public:
    static constexpr std::size_t kMaxLineBytes = 4096;
    // Ten million samples take about half a gigabyte: hours at the fastest sources.
    static constexpr std::size_t kMaxSamples = 10'000'000;
    static constexpr double kMaxSpan = 1e7;  // seconds, about 116 days

    using Sink = std::function<void(const heading::Heading&)>;
    using Stopped = std::function<bool()>;

    // Reads and checks the file line by line, handing each sample to each and keeping none, so
    // that a file of any length takes the same memory. Asks stopped (when given) before every
    // read, and again when a signal interrupts one: true ends the reading, and scan returns
    // false. Throws as read does.
    static bool scan(const std::string& path, const Sink& each, const Stopped& stopped = {},
                     std::size_t maxSamples = kMaxSamples);

    // Reads and checks the file line by line, stopping at the first bad one; throws SourceError
    // naming the file, the line and what was expected there. Only a regular file or a FIFO is
    // read.
    static std::vector<heading::Heading> read(const std::string& path,
                                              std::size_t maxSamples = kMaxSamples);

    // The same check on text already read; name stands for the file in messages.
    static std::vector<heading::Heading> parse(std::string_view text, const std::string& name,
                                               std::size_t maxSamples = kMaxSamples);
};

}  // namespace heading
