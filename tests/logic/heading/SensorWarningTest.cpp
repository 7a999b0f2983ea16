#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeadingTestSupport.h"
#include "heading/SampleChannel.h"

namespace {

using heading::LocationError;
using heading_test::Listening;
using heading_test::TaskQueue;
using heading_test::Warnings;

// The screens keep quiet about a failing sensor; the person at the terminal is told, once per
// outage, and told again when it is over. The screens still get every error and sample.
TEST(SensorWarnings, AnOutageIsToldOnceAndItsEndToo_ADenialForGood) {
    heading::HeadingService service;
    TaskQueue queue;
    Listening screen(service);
    Warnings warnings;
    auto channel = std::make_shared<heading::SampleChannel>(service, queue.post(), warnings.warn());

    channel->push(heading::Heading{});
    channel->pushError(
        {LocationError::kLocationUnknown, "cannot read m/in_magn_x_raw: No such device"});
    channel->push(heading::Heading{});
    channel->push(heading::Heading{});
    channel->pushError({LocationError::kDenied, "cannot read m/in_magn_y_raw: Permission denied"});
    queue.pump();

    EXPECT_EQ(warnings.lines(),
              (std::vector<std::string>{
                  "cannot read m/in_magn_x_raw: No such device; trying again",
                  "the sensor reads again",
                  "cannot read m/in_magn_y_raw: Permission denied; the sensor is not read any more",
              }));
    EXPECT_EQ(screen.collector->samples.size(), 3u);
    ASSERT_EQ(screen.collector->errors.size(), 2u);
    EXPECT_EQ(screen.collector->errors[1].code, LocationError::kDenied);
}

TEST(SensorWarnings, WithoutAWarnChannelNothingIsSaid) {
    heading::HeadingService service;
    TaskQueue queue;
    Listening screen(service);
    auto channel = std::make_shared<heading::SampleChannel>(service, queue.post());
    channel->pushError({LocationError::kLocationUnknown, "gone"});
    channel->push(heading::Heading{});
    queue.pump();
    EXPECT_EQ(screen.collector->errors.size(), 1u);
    EXPECT_EQ(screen.collector->samples.size(), 1u);
}

}  // namespace
