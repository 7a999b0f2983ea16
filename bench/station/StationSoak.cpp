// Three days of a 50 Hz source replayed as fast as possible into a station, the way a run
// lays the road: the replay's reader thread, the channel, the heading service on the main
// thread, the station and its day files. Prints the time taken and how much the process grew
// from the first simulated hour to the end (the station's own memory must not grow with time).
//   fluxprobe_bench_station_soak [DAYS] [RATE]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

#include "heading/HeadingService.h"
#include "heading/SampleChannel.h"
#include "heading/replay/ReplaySource.h"
#include "station/Station.h"
#include "station/StationFiles.h"

namespace {

namespace fs = std::filesystem;

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

// The main loop: tasks posted from any thread, run here in order.
class Loop {
  public:
    heading::Post post() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            ready_.notify_one();
        };
    }
    void runUntil(const std::function<bool()>& done) {
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !tasks_.empty(); });
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

struct Ended : heading::SampleSink {
    bool ended = false;
    std::uint64_t samples = 0;
    long rssAtHour = -1;
    std::function<void()> atHour;
    void onSample(const std::shared_ptr<const heading::Heading>&) override {
        if (++samples == 50 * 3600 && atHour) atHour();
    }
    void onError(const heading::LocationError& e) override {
        ended = ended || e.code == heading::LocationError::kEnded;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int days = argc > 1 ? std::atoi(argv[1]) : 3;
    const double rate = argc > 2 ? std::atof(argv[2]) : 50.0;
    const fs::path dir =
        fs::temp_directory_path() / ("fluxprobe-soak-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string csv = (dir / "source.csv").string();
    {
        std::FILE* out = std::fopen(csv.c_str(), "w");
        std::fputs("t,x,y,z,magneticHeading,trueHeading\n", out);
        const auto n = static_cast<std::int64_t>(days * 86400.0 * rate);
        for (std::int64_t i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            std::fprintf(out, "%.2f,%.3f,%.3f,%.3f,0,-1\n", t, 20.8 + 0.005 * std::sin(t / 900),
                         -0.05, 47.0 + 0.003 * std::sin(t / 500));
        }
        std::fclose(out);
    }
    const auto say = [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); };
    {
        heading::HeadingService service;
        station::StationFolder folder((dir / "station").string(), say);
        station::StationInfo info;
        info.code = "SOK";
        station::StationFiles files(folder, info, say);
        station::Station station(false, [&](std::int64_t first) { return files.resume(first); });
        station.addListener(files);
        Ended ended;
        long rssAtHour = -1;
        ended.atHour = [&] { rssAtHour = residentKb(); };
        service.layRoad({.sinks = {&station, &ended}});

        Loop loop;
        heading::ReplaySource source(csv, std::nullopt, {},
                                     heading::ReplayPace{0.0, 1535760000000});
        auto channel = std::make_shared<heading::SampleChannel>(service, loop.post());
        const auto begun = std::chrono::steady_clock::now();
        source.start(channel);
        loop.runUntil([&] { return ended.ended; });
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        source.stop();
        channel->close();
        const long rssEnd = residentKb();
        std::printf(
            "soak: days=%d rate=%g samples=%llu seconds=%.1f rss_after_1h_kb=%ld rss_end_kb=%ld "
            "growth_kb=%ld\n",
            days, rate, static_cast<unsigned long long>(ended.samples), took, rssAtHour, rssEnd,
            rssEnd - rssAtHour);
        fs::remove_all(dir);
        return 0;
    }
