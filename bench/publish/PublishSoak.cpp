// Two weeks of a station's values through the publisher at full speed, against a broker that
// takes every message and acknowledges none (the worst case for the spool and the client's
// memory), or against no broker at all. Prints RSS as the spool fills past its 7-day bound and
// after, and the main thread's cost of a minute (spool line and sync included) and of a second.
//   fluxprobe_bench_publish_soak [ignore|away] [DAYS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "FakeBroker.h"
#include "Processes.h"
#include "publish/Publisher.h"

namespace {

double rssMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024 * 1024);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const bool away = argc > 1 && std::strcmp(argv[1], "away") == 0;
    const int days = argc > 2 ? std::atoi(argv[2]) : 14;
    publishtest::FakeBroker broker(publishtest::FakeBroker::Mode::Ignore, false);
    publishtest::TempDir spool;

    publish::PublisherSettings settings;
    const int port = away ? publishtest::freePort() : broker.port();
    settings.config.url = std::get<publish::PublishUrl>(
        publish::parsePublishUrl("mqtt://127.0.0.1:" + std::to_string(port) + "/soak"));
    settings.station.code = "SOK";
    settings.spoolFolder = spool.path();
    std::uint64_t told = 0;
    publish::Publisher publisher(std::move(settings), [&](const std::string&) { ++told; });
    if (auto error = publisher.start()) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    if (!away) publishtest::eventually([&] { return publisher.state().connected; });

    using clock = std::chrono::steady_clock;
    std::vector<double> minuteUs, secondUs;
    station::StationValue v;
    v.time = 1735689600;
    std::printf("mode=%s days=%d rss_start_mib=%.1f\n", away ? "away" : "ignore", days, rssMiB());
    const int minutes = days * 24 * 60;
    for (int m = 0; m < minutes; ++m) {
        for (int s = 0; s < 60; ++s, ++v.time) {
            v.x = 20000 + (m % 100);
            v.y = -50 + s;
            v.z = 47000;
            v.f = 51000;
            const auto t0 = clock::now();
            publisher.onSecond(v);
            if (s == 0)
                secondUs.push_back(
                    std::chrono::duration<double, std::micro>(clock::now() - t0).count());
        }
        const auto t0 = clock::now();
        station::StationValue minute = v;
        minute.time = v.time - 30;
        publisher.onMinute(minute);
        minuteUs.push_back(std::chrono::duration<double, std::micro>(clock::now() - t0).count());
        if ((m + 1) % 2880 == 0)
            std::printf("day=%d rss_mib=%.1f spool=%zu dropped=%llu\n", (m + 1) / 1440, rssMiB(),
                        publisher.state().spoolDepth,
                        static_cast<unsigned long long>(publisher.state().spoolDropped));
    }
    std::printf(
        "minute_us_p50=%.1f minute_us_max=%.1f second_us_p50=%.2f told=%llu received=%zu "
        "stream_dropped=%llu\n",
        median(minuteUs), *std::max_element(minuteUs.begin(), minuteUs.end()), median(secondUs),
        static_cast<unsigned long long>(told), broker.count(),
        static_cast<unsigned long long>(publisher.state().streamDropped));
    return 0;
}
