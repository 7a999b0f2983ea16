#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "CompassFixture.h"
#include "MemoryProbe.h"
#include "platform/Format.h"

// A long run through both screens at once: every sample reaches every listener in order, the
// log and the alarm count exactly what the samples imply, and memory stays flat.

namespace fluxprobe_test {
namespace {

// A million by default; FLUXPROBE_SOAK_SAMPLES lowers it where the build is slow (sanitizers).
std::uint64_t soakSamples() {
    if (const char* text = std::getenv("FLUXPROBE_SOAK_SAMPLES")) {
        const long long n = std::atoll(text);
        if (n >= 20000) return static_cast<std::uint64_t>(n);
    }
    return 1000000;
}

// A listener of its own beside the two screens: counts samples and checks that they come in
// the order they were sent (the timestamp carries the sample's number).
class OrderChecker : public platform::LocationManagerDelegate {
  public:
    void locationManagerDidUpdateHeading(platform::LocationManager&,
                                         std::shared_ptr<const heading::Heading> h) override {
        if (h->timestamp != static_cast<double>(received)) ++outOfOrder;
        ++received;
    }
    std::uint64_t received = 0;
    std::uint64_t outOfOrder = 0;
};

// Sample i: a field just above the alarm on every tenth sample, a quiet one otherwise, with
// headings that sweep the whole circle.
heading::Heading sample(std::uint64_t i) {
    const double wobble = static_cast<double>(i % 7) - 3.0;
    const double z = i % 10 == 0 ? 150.0 : 30.0;
    auto h = heading::Heading::of(wobble, 20.0 - wobble, z, static_cast<double>(i % 360),
                                  static_cast<double>((i + 180) % 360));
    h.timestamp = static_cast<double>(i);
    return h;
}

TEST_F(CompassTest, AMillionSamplesThroughBothScreensCountExactlyAndStayFlat) {
    const std::uint64_t total = soakSamples();
    const std::uint64_t checkpoint = total / 10;
    launch();
    setSlider(40.0f);  // alarm above 100 µT
    auto screen = openCompass();
    ASSERT_TRUE(screen);
    auto checker = std::make_shared<OrderChecker>();
    platform::LocationManager listener(platform.service());
    listener.setHeadingFilter(heading::kHeadingFilterNone);
    listener.setDelegate(checker);
    listener.startUpdatingHeading();
    ASSERT_EQ(platform.service().listenerCount(), 3u);

    platform.setRecording(false);
    platform.clearRecords();
    const long logBefore = platform.logCount();
    const int beepsBefore = platform.soundsPlayed();

    std::size_t heapAtCheckpoint = 0;
    long peakAtCheckpoint = 0;
    std::uint64_t expectedBeeps = 0;
    for (std::uint64_t i = 0; i < total; ++i) {
        const heading::Heading h = sample(i);
        if (h.z > 100.0) ++expectedBeeps;
        platform.deliverHeading(h);
        if (i % 16 == 15) platform.runRedraws();  // a frame now and then, as a display would
        if (i + 1 == checkpoint) {
            heapAtCheckpoint = heapInUse();
            peakAtCheckpoint = peakResidentKiB();
        }
    }
    platform.runRedraws();
    const std::size_t heapAtEnd = heapInUse();
    const long peakAtEnd = peakResidentKiB();

    EXPECT_EQ(platform.service().samplesDelivered(), total);
    EXPECT_EQ(platform.service().deliveries(), 3 * total);
    EXPECT_EQ(checker->received, total);
    EXPECT_EQ(checker->outOfOrder, 0u);
    EXPECT_EQ(platform.logCount() - logBefore, static_cast<long>(total));
    EXPECT_EQ(static_cast<std::uint64_t>(platform.soundsPlayed() - beepsBefore), expectedBeeps);
    EXPECT_EQ(expectedBeeps, (total + 9) / 10);
    EXPECT_EQ(platform.soundsMade(), 1);
    EXPECT_EQ(platform.soundsAlive(), 1);
    EXPECT_TRUE(platform.logLines().empty());

    // Both graphs hold the last 150 samples, oldest first from their next row.
    for (auto graph : {meter->graphView(), screen->graphView()}) {
        ASSERT_TRUE(graph);
        const bool isMeter = graph == meter->graphView();
        for (std::uint32_t k = 0; k < graph::GraphView::kRows; ++k) {
            const std::uint32_t row = (graph->nextIndex() + k) % graph::GraphView::kRows;
            const heading::Heading h = sample(total - graph::GraphView::kRows + k);
            const double expected =
                isMeter ? h.x : static_cast<double>(static_cast<float>(h.magneticHeading) / 4.0f);
            ASSERT_EQ(graph->history(row, 0), expected) << (isMeter ? "meter" : "compass") << k;
        }
    }
    const heading::Heading last = sample(total - 1);
    EXPECT_EQ(meter->zLabel()->text(), platform::format("Z \u00b5T:%.1f", last.z));
    EXPECT_EQ(screen->hd()->text(), platform::format("%.1f\u00b0", last.magneticHeading));

    // Flat: the heap holds what it held after the first tenth, give or take a few buffers, and
    // the process's peak did not climb with the samples.
    constexpr std::size_t kHeapSlack = 64 * 1024;
    EXPECT_LE(heapAtEnd, heapAtCheckpoint + kHeapSlack)
        << "heap grew from " << heapAtCheckpoint << " to " << heapAtEnd << " bytes";
#ifndef FLUXPROBE_SANITIZED
    constexpr long kPeakSlackKiB = 4 * 1024;
    EXPECT_LE(peakAtEnd, peakAtCheckpoint + kPeakSlackKiB)
        << "peak resident memory grew from " << peakAtCheckpoint << " to " << peakAtEnd << " KiB";
#else
    (void)peakAtEnd;
    (void)peakAtCheckpoint;
#endif

    // And all of it goes away at the end.
    listener.stopUpdatingHeading();
    platform.tap("doneButton");
    std::weak_ptr<compass::CompassViewController> weakScreen = screen;
    screen.reset();
    EXPECT_TRUE(weakScreen.expired());
    meter.reset();
    delegate.reset();
    EXPECT_EQ(platform.soundsAlive(), 0);
    EXPECT_EQ(platform.service().listenerCount(), 0u);
}

}  // namespace
}  // namespace fluxprobe_test
