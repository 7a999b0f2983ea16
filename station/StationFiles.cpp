#include "station/StationFiles.h"

#include <cmath>

#include "heading/SourceError.h"
#include "heading/replay/IagaFile.h"

namespace station {

namespace {
constexpr std::int64_t kDay = 86'400;
}

StationFiles::StationFiles(StationFolder& folder, const StationInfo& info, Say say)
    : folder_(folder),
      info_(info),
      say_(say),
      secondWriter_(info, IagaWriter::Interval::Second),
      seconds_(folder, IagaWriter(info, IagaWriter::Interval::Second), say),
      minutes_(folder, IagaWriter(info, IagaWriter::Interval::Minute), say) {}

void StationFiles::flush() {
    seconds_.flush();
    minutes_.flush();
}

void StationFiles::finish() {
    seconds_.finish();
    minutes_.finish();
}

StationResume StationFiles::resume(std::int64_t firstSecond) {
    StationResume resume;
    // The day before counts too: a start just after midnight continues its files.
    for (const std::int64_t t : {firstSecond - kDay, firstSecond}) {
        if (const auto s = seconds_.lastTimeOn(t)) resume.lastSecond = s;
        if (const auto m = minutes_.lastTimeOn(t)) resume.lastMinute = m;
    }
    if (!resume.lastSecond) return resume;
    // The seconds of the first minute not written yet, back across midnight when it needs.
    const std::int64_t from =
        resume.lastMinute ? *resume.lastMinute + 60 - 45 : *resume.lastSecond - 2 * 45;
    for (std::int64_t day = from >= 0 ? from / kDay : -1; day * kDay <= *resume.lastSecond; ++day)
        readSeconds(day, from, resume);
    return resume;
}

void StationFiles::readSeconds(std::int64_t day, std::int64_t from, StationResume& resume) {
    const std::string name = secondWriter_.fileName(day * kDay);
    auto text = folder_.read(name);
    if (!text) return;
    text->resize(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
    try {
        heading::IagaFile::parse(*text, folder_.pathOf(name), [&](const heading::IagaRecord& r) {
            const std::int64_t t = r.ms / 1000;
            if (t < from || r.ms % 1000 != 0) return;
            StationValue v;
            v.time = t;
            double* out[4] = {&v.x, &v.y, &v.z, &v.f};
            for (int i = 0; i < 4; ++i)
                *out[i] = ((r.missing | r.notRecorded) >> i) & 1u ? kMissing : r.value[i];
            resume.seconds.push_back(v);
        });
    } catch (const heading::SourceError& e) {
        say_(std::string(e.what()) + "; the first minutes are made without its seconds");
        resume.seconds.clear();
    }
}

}  // namespace station
