// IAGA-2002 files are read line by line. Any input either gives records in strictly increasing
// time with finite values, which the station's writer lays out again as lines that read back to
// the same times and values (to the hundredth it writes), or is refused with a SourceError
// naming the file.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Check.h"
#include "heading/SourceError.h"
#include "heading/replay/IagaFile.h"
#include "station/IagaWriter.h"

namespace {

using fuzz::require;
using heading::IagaRecord;

constexpr std::int64_t kYear10000 = 253402300800000;  // ms: the format has four-digit years

// A value the writer keeps as a value: not one that its hundredths turn into a marker, nor one
// too wide for its columns.
bool kept(const IagaRecord& r, int c) {
    const double v = r.value[c];
    if (((r.missing | r.notRecorded) >> c) & 1u) return false;
    return v <= 999999.98 && v >= -99999.98 && std::fabs(std::fabs(v) - 88888.0) > 0.01 &&
           std::fabs(std::fabs(v) - 99999.0) > 0.01;
}

bool writable(const IagaRecord& r) {
    return r.ms % 1000 == 0 && r.ms > 0 && r.ms < kYear10000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<IagaRecord> records;
    try {
        heading::IagaFile::parse(text, "input.min",
                                 [&](const IagaRecord& r) { records.push_back(r); });
    } catch (const heading::SourceError& e) {
        const std::string_view message = e.what();
        require(message.starts_with("input.min"), "a refusal names the file");
        require(fuzz::printable(message), "a refusal is printable");
        return 0;
    }
    station::StationInfo info;
    info.code = "FUZ";
    const station::IagaWriter writer(info, station::IagaWriter::Interval::Second);
    std::string again = writer.header();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const IagaRecord& r = records[i];
        require(i == 0 || records[i - 1].ms < r.ms, "time only goes forward");
        for (double v : r.value) require(std::isfinite(v), "every value is finite");
        if (!writable(r)) continue;
        station::StationValue value{r.ms / 1000};
        double* out[4] = {&value.x, &value.y, &value.z, &value.f};
        for (int c = 0; c < 4; ++c)
            if (kept(r, c)) *out[c] = r.value[c];
        char line[station::IagaWriter::kLineBytes];
        writer.line(value, line);
        again.append(line, sizeof line);
    }
    std::vector<IagaRecord> back;
    heading::IagaFile::parse(again, "again", [&](const IagaRecord& r) { back.push_back(r); });
    std::size_t at = 0;
    for (const IagaRecord& r : records) {
        if (!writable(r)) continue;
        require(at < back.size(), "every whole second is written again");
        require(back[at].ms == r.ms, "a written line keeps its time");
        for (int c = 0; c < 4; ++c)
            if (kept(r, c))
                require(std::fabs(back[at].value[c] - r.value[c]) <= 0.0051,
                        "a written line keeps its values to the hundredth");
        ++at;
    }
    return 0;
}
