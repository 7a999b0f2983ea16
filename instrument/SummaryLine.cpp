#include "instrument/SummaryLine.h"

#include <string>

#include "instrument/Statistics.h"
#include "platform/Format.h"

namespace instrument {

namespace {

// A value that rounds to zero is printed as zero: "-0.00" claims a sign no figure shows.
std::string fixed(double value) {
    std::string text = platform::format("%.2f", value);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace

SummaryLine::SummaryLine(const Statistics& run) {
    append("samples", std::to_string(run.samples()));
    append("seconds", platform::format("%.3f", run.seconds()));
    const struct {
        const char* name;
        const Extremes& e;
    } quantities[] = {{"x", run.x()}, {"y", run.y()}, {"z", run.z()}, {"total", run.total()}};
    const bool any = run.samples() > 0;
    for (const auto& q : quantities) {
        const std::string name = q.name;
        append(name + "_min", fixed(any ? q.e.min : 0.0));
        append(name + "_max", fixed(any ? q.e.max : 0.0));
        append(name + "_mean", fixed(run.mean(q.e)));
    }
    append("total_peak_t", platform::format("%.3f", run.peakTime()));
}

void SummaryLine::append(std::string_view name, std::string_view value) {
    text_.append(" ").append(name).append("=").append(value);
}

}  // namespace instrument
