// The station's costs: the minute filter alone, and a day of 1-second IAGA-2002 lines read,
// averaged, filtered and written into both day files, as a station replaying them at
// speed=max does on the main thread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "heading/replay/IagaFile.h"
#include "station/MinuteFilter.h"
#include "station/Station.h"
#include "station/StationFiles.h"

namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kDay = 1535760000;  // 2018-09-01

// A day of 1-second values, written once per process.
const std::string& dayFile() {
    static const std::string path = [] {
        const std::string p = (fs::temp_directory_path() /
                               ("fluxprobe-bench-day-" + std::to_string(::getpid()) + ".sec"))
                                  .string();
        station::StationInfo info;
        info.code = "BEN";
        const station::IagaWriter writer(info, station::IagaWriter::Interval::Second);
        std::ofstream out(p, std::ios::binary);
        out << writer.header();
        char line[station::IagaWriter::kLineBytes];
        for (std::int64_t s = 0; s < 86400; ++s) {
            const double t = double(s);
            writer.line({kDay + s, 20800 + 5 * std::sin(t / 900), -50 + std::cos(t / 700),
                         47000 + 3 * std::sin(t / 500), 51960 + std::sin(t / 300)},
                        line);
            out.write(line, sizeof line);
        }
        return p;
    }();
    return path;
}

void MinuteFilterPerMinute(benchmark::State& state) {
    station::MinuteFilter filter;
    std::vector<station::StationValue> minutes;
    std::int64_t t = kDay;
    for (auto _ : state) {
        for (int i = 0; i < 60; ++i, ++t)
            filter.push({t, 20800.0 + double(i), -50.0, 47000.0, 51960.0}, minutes);
        benchmark::DoNotOptimize(minutes.data());
        minutes.clear();
    }
    state.SetLabel("60 seconds pushed, one minute made");
}
BENCHMARK(MinuteFilterPerMinute);

void DayOfSecondsIntoBothDayFiles(benchmark::State& state) {
    const std::string input = dayFile();
    for (auto _ : state) {
        const fs::path dir =
            fs::temp_directory_path() / ("fluxprobe-bench-station-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        {
            const auto say = [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); };
            station::StationFolder folder(dir.string(), say);
            station::StationInfo info;
            info.code = "BEN";
            station::StationFiles files(folder, info, say);
            station::Station station(true, [&](std::int64_t first) { return files.resume(first); });
            station.addListener(files);
            heading::IagaFile::scan(input, {}, [&](const heading::IagaRecord& r) {
                auto h = std::make_shared<heading::Heading>(
                    heading::Heading::of(r.value[0] / 1000, r.value[1] / 1000, r.value[2] / 1000));
                h->f = r.value[3] / 1000;
                h->utc = double(r.ms) / 1000;
                station.onSample(h);
            });
            station.finish();
        }
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    state.SetLabel("86,400 lines read, 86,400 + 1,440 written");
}
BENCHMARK(DayOfSecondsIntoBothDayFiles)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
