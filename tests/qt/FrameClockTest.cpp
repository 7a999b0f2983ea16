#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QThread>

#include "QtMeterFixture.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/ReadoutLabel.h"

namespace fluxprobe_qt_test {
namespace {

// A burst of samples reaches the widgets once, as its last state, and leaving the clock applies
// what was still held.
TEST_F(QtMeterTest, AFrameShowsABurstOfSamplesOnceAsItsLastState) {
    launch();
    auto* x = widget<platform::qt::ReadoutLabel>("xLabel");
    auto* waves = widget<QLabel>("wavesview");
    const QString before = x->text();
    {
        platform::qt::FrameClock clock(nullptr, 1000);  // long enough that only flush() applies
        for (int i = 0; i < 200; ++i) deliver(i, 0, i % 2 ? 500 : 0);
        deliver(12.34, 0, 500);
        settle();
        EXPECT_EQ(x->text(), before);
        EXPECT_EQ(meter->xLabel()->text(), "X \u00b5T:12.3");  // the logic has it all
        clock.flush();
        EXPECT_EQ(x->text(), QString::fromUtf8("X \u00b5T:12.3"));
        EXPECT_FALSE(waves->isHidden());

        deliver(1, 2, 3);  // below the threshold: the waves go, on the clock's own time
    }
    EXPECT_EQ(x->text(), QString::fromUtf8("X \u00b5T:1.0"));
    EXPECT_TRUE(waves->isHidden());
}

// A change after a quiet interval shows on the loop's next turn; changes faster than frames are
// painted about once an interval, the last one included. A frame's age counts from its first
// change, so a frame the loop could paint only late does not hold back the next one.
TEST_F(QtMeterTest, FramesComeAtOnceAfterQuietAndOnceAnIntervalUnderLoad) {
    launch();
    auto* z = widget<platform::qt::ReadoutLabel>("zLabel");
    platform::qt::FrameClock clock(window, 40);
    QTest::qWait(60);
    deliver(0, 0, 42);
    settle();
    EXPECT_EQ(z->text(), QString::fromUtf8("Z \u00b5T:42.0"));

    const long before = clock.frames();
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 1; i <= 300; ++i) {
        deliver(0, 0, i);
        QCoreApplication::processEvents();
    }
    const qint64 ms = elapsed.elapsed();
    QTest::qWait(100);
    EXPECT_GE(clock.frames() - before, 1);
    EXPECT_LE(clock.frames() - before, ms / 40 + 3) << "over " << ms << " ms";
    EXPECT_EQ(z->text(), QString::fromUtf8("Z \u00b5T:300.0"));

    QTest::qWait(60);
    deliver(0, 0, 1);
    QThread::msleep(30);  // the loop is busy before it gets to the frame
    settle();
    QThread::msleep(15);  // the next samples come an interval after the first
    deliver(0, 0, 2);
    QTest::qWait(5);
    EXPECT_EQ(z->text(), QString::fromUtf8("Z \u00b5T:2.0"));
}

// A frame due at once is painted as the task that brought its samples from a reader thread
// ends, not a turn of the loop later.
TEST_F(QtMeterTest, ADueFrameIsPaintedAsTheTaskThatBroughtItsSamplesEnds) {
    launch();
    auto* z = widget<platform::qt::ReadoutLabel>("zLabel");
    platform::qt::FrameClock clock(window, 40);
    QTest::qWait(60);
    const long before = clock.frames();
    platform->post([this] { deliver(0, 0, 7); });
    QCoreApplication::sendPostedEvents();  // the task alone: no timer runs
    EXPECT_EQ(clock.frames(), before + 1);
    EXPECT_EQ(z->text(), QString::fromUtf8("Z \u00b5T:7.0"));
}

// Under the compass the meter's widgets keep what changed, and get it as the compass goes, before
// its fade lets the meter show.
TEST_F(QtMeterTest, ACoveredScreenKeepsItsChangesUntilItsCoverGoes) {
    launch();
    auto* meterX = widget<platform::qt::ReadoutLabel>("xLabel");
    const QString before = meterX->text();
    QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
    auto* compass = window->findChild<QWidget*>(QStringLiteral("CompassViewController"));
    ASSERT_NE(compass, nullptr);
    ASSERT_FALSE(compass->isAncestorOf(meterX));
    QTRY_VERIFY(compass->isVisible() && compass->graphicsEffect() == nullptr);  // faded in
    auto* compassX = compass->findChild<platform::qt::ReadoutLabel*>(QStringLiteral("xLabel"));
    ASSERT_NE(compassX, nullptr);

    platform::qt::FrameClock clock(nullptr, 1000);  // applies only when flushed
    for (double x : {12.34, 45.67}) {
        deliver(x, 0, 0);
        clock.flush();
        EXPECT_EQ(compassX->text(), QString::number(x, 'f', 1));
        EXPECT_EQ(meterX->text(), before);
    }
    QTest::mouseClick(compass->findChild<QPushButton*>(QStringLiteral("doneButton")),
                      Qt::LeftButton);
    EXPECT_EQ(meterX->text(), QString::fromUtf8("X \u00b5T:45.7"));
}

}  // namespace
}  // namespace fluxprobe_qt_test
