#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "heading/HeadingService.h"
#include "qt/QtPlatform.h"
#include "qt/ScreenSaverInhibitor.h"

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

// A screen saver of the test's own: each Inhibit gets cookie 7; every call is written down.
class FakeScreenSaver : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        QStringList args;
        for (const QVariant& a : message.arguments()) args << a.toString();
        calls << message.member() + "(" + args.join(", ") + ")";
        bus.send(message.member() == "Inhibit" ? message.createReply(QVariant::fromValue(7u))
                                               : message.createReply());
        return true;
    }
    QStringList calls;
};

TEST(ScreenSaverInhibitor, KeepsTheScreenAwakeWhileAskedAndLetsGoAfterwards) {
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(5000)) GTEST_SKIP() << "no dbus-daemon to run a session bus";
    ASSERT_TRUE(daemon.waitForReadyRead(5000)) << "dbus-daemon printed no address";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("saver"));
    FakeScreenSaver saver;
    ASSERT_TRUE(
        service.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    const auto calls = [&](qsizetype n) {
        return QTest::qWaitFor([&] { return saver.calls.size() >= n; }, 3000);
    };
    {
        platform::qt::ScreenSaverInhibitor inhibitor(
            QDBusConnection::connectToBus(address, QStringLiteral("meter")));
        inhibitor.setInhibited(true);
        inhibitor.setInhibited(true);  // asked again while the answer is on its way: one call
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isHolding(); }, 3000));
        EXPECT_EQ(saver.calls, QStringList{"Inhibit(fluxprobe, Showing live readings)"});
        inhibitor.setInhibited(false);
        ASSERT_TRUE(calls(2));
        EXPECT_EQ(saver.calls.at(1), "UnInhibit(7)");
        EXPECT_FALSE(inhibitor.isHolding());
        inhibitor.setInhibited(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isHolding(); }, 3000));
    }
    // Gone while holding: the screen saver is told so.
    ASSERT_TRUE(calls(4));
    EXPECT_EQ(saver.calls.at(3), "UnInhibit(7)");
    QDBusConnection::disconnectFromBus(QStringLiteral("meter"));
    QDBusConnection::disconnectFromBus(QStringLiteral("saver"));
    daemon.kill();
    daemon.waitForFinished(3000);
}

TEST(ScreenSaverInhibitor, WithoutABusNothingIsHeldAndNothingFails) {
    platform::qt::ScreenSaverInhibitor inhibitor(QDBusConnection(QStringLiteral("no bus")));
    inhibitor.setInhibited(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(inhibitor.isInhibited());
    EXPECT_FALSE(inhibitor.isHolding());
    inhibitor.setInhibited(false);
    EXPECT_FALSE(inhibitor.isInhibited());
}

}  // namespace
}  // namespace fluxprobe_qt_test
