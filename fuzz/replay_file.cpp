// Replay files are read whole and checked line by line. Any input either parses into finite
// samples in time order, which the recorder writes back into a file that parses to the same
// samples, or is refused with a SourceError naming the file.

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Check.h"
#include "heading/SourceError.h"
#include "heading/replay/Recorder.h"
#include "heading/replay/ReplayFile.h"

namespace {

using fuzz::require;
using heading::Heading;

bool finite(const Heading& h) {
    return std::isfinite(h.timestamp) && std::isfinite(h.x) && std::isfinite(h.y) &&
           std::isfinite(h.z) && std::isfinite(h.magneticHeading) && std::isfinite(h.trueHeading) &&
           std::isfinite(h.gravityX) && std::isfinite(h.gravityY) && std::isfinite(h.gravityZ);
}

bool same(const Heading& a, const Heading& b) {
    return a.timestamp == b.timestamp && a.x == b.x && a.y == b.y && a.z == b.z &&
           a.magneticHeading == b.magneticHeading && a.trueHeading == b.trueHeading &&
           a.gravityX == b.gravityX && a.gravityY == b.gravityY && a.gravityZ == b.gravityZ;
}

// Writes the samples through the recorder into an in-memory file and reads that back.
std::string recorded(const std::vector<Heading>& samples, bool gravity) {
    const int fd = memfd_create("replay", MFD_CLOEXEC);
    require(fd >= 0, "memfd_create works");
    const int reader = dup(fd);
    {
        heading::Recorder recorder(
            fd, "memory",
            [](const std::string&) { require(false, "recording to memory never fails"); },
            heading::Recorder::Clock::now, gravity);
        for (const Heading& h : samples) recorder.record(h);
    }
    std::string text;
    char buffer[4096];
    ssize_t n;
    lseek(reader, 0, SEEK_SET);
    while ((n = read(reader, buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(n));
    close(reader);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<Heading> samples;
    try {
        samples = heading::ReplayFile::parse(text, "input.csv");
    } catch (const heading::SourceError& e) {
        const std::string_view message = e.what();
        require(message.starts_with("input.csv:"), "a refusal names the file");
        require(fuzz::printable(message), "a refusal is printable");
        return 0;
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        require(finite(samples[i]), "every parsed value is finite");
        require(i == 0 || samples[i - 1].timestamp <= samples[i].timestamp, "t never goes back");
    }

    // A file with the accelerometer's columns is recorded with them again.
    const bool gravity = text.find(",gx,gy,gz") != std::string_view::npos;
    const std::vector<Heading> again =
        heading::ReplayFile::parse(recorded(samples, gravity), "again");
    require(again.size() == samples.size(), "a recording holds every sample");
    for (std::size_t i = 0; i < samples.size(); ++i)
        require(same(samples[i], again[i]), "a recording replays the same values");
    return 0;
}
