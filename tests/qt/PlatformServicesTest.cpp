#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "heading/HeadingService.h"
#include "qt/QtPlatform.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::QtPlatform;

class PlatformServices : public ::testing::Test {
  protected:
    PlatformServices() {
        settings.dataDir = QStringLiteral(FLUXPROBE_RESOURCE_DIR);
        platform = std::make_unique<QtPlatform>(service, settings);
    }
    heading::HeadingService service;
    platform::qt::QtPlatformSettings settings;
    std::unique_ptr<QtPlatform> platform;
};

TEST_F(PlatformServices, ARepeatingTimerTicksUntilInvalidated) {
    int ticks = 0;
    auto timer = platform->scheduleTimer(
        0.005, [&] { ++ticks; }, true);
    EXPECT_DOUBLE_EQ(timer->timeInterval(), 0.005);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 3000));
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    const int stopped = ticks;
    QTest::qWait(40);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(PlatformServices, AOneShotTimerTicksOnceEvenWhenNobodyHoldsIt) {
    int ticks = 0;
    std::weak_ptr<platform::Timer> weak = platform->scheduleTimer(
        0.001, [&] { ++ticks; }, false);
    EXPECT_FALSE(weak.expired());  // the loop holds a scheduled timer
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 3000));
    QTest::qWait(20);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(weak.expired());  // let go of once it has fired
}

TEST_F(PlatformServices, ATickMayInvalidateItsOwnTimer) {
    int ticks = 0;
    std::shared_ptr<platform::Timer> timer;
    timer = platform->scheduleTimer(
        0.001,
        [&] {
            ++ticks;
            timer->invalidate();
            timer.reset();
        },
        true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 3000));
    QTest::qWait(20);
    EXPECT_EQ(ticks, 1);
}

TEST_F(PlatformServices, TheBeepIsFoundAndMadeAndAMissingOneIsNoSound) {
    auto path = platform->pathForResource("beep", "wav");
    ASSERT_TRUE(path);
    EXPECT_EQ(QDir(QString::fromStdString(*path)).dirName(), "beep.wav");
    auto sound = platform->makeSound(*path);
    ASSERT_NE(sound, nullptr);
    sound->play();  // silent where there is no audio device, never fatal
    sound->play();
    EXPECT_FALSE(platform->pathForResource("beep", "mp3"));
    EXPECT_EQ(platform->makeSound("/nonexistent/beep.wav"), nullptr);

    QTemporaryDir empty;
    platform::qt::QtPlatformSettings elsewhere;
    elsewhere.dataDir = empty.path();
    QtPlatform other(service, elsewhere);
    EXPECT_FALSE(other.pathForResource("beep", "wav"));
}

TEST_F(PlatformServices, LogAndWarningsAreOneLineEachOnStderr) {
    testing::internal::CaptureStderr();
    platform->log("40.00");
    platform->log("41.00");
    platform->warn("fluxprobe: something to know");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "40.00\n41.00\nfluxprobe: something to know\n");
}

TEST_F(PlatformServices, KeepingTheScreenAwakeWorksWithOrWithoutASessionBus) {
    platform->setIdleTimerDisabled(true);
    platform->setIdleTimerDisabled(true);
    platform->setIdleTimerDisabled(false);
    QCoreApplication::processEvents();
    SUCCEED();
}

}  // namespace
}  // namespace fluxprobe_qt_test
