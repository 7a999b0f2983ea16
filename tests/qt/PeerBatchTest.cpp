#include <QLabel>
#include <QPushButton>

#include "QtMeterFixture.h"
#include "qt/widgets/PeerBatch.h"

namespace fluxprobe_qt_test {
namespace {

// With a batch in force, a burst of samples reaches the widgets once, as its last state.
TEST_F(QtMeterTest, ABatchShowsABurstOfSamplesOnceAsItsLastState) {
    launch();
    auto* x = widget<QLabel>("xLabel");
    auto* waves = widget<QLabel>("wavesview");
    const QString before = x->text();
    {
        platform::qt::PeerBatch batch(1000);  // long enough that only flush() applies it
        for (int i = 0; i < 200; ++i) deliver(i, 0, i % 2 ? 500 : 0);
        deliver(12.34, 0, 500);
        settle();
        EXPECT_EQ(x->text(), before);                          // nothing applied yet
        EXPECT_EQ(meter->xLabel()->text(), "X \u00b5T:12.3");  // the logic has it all
        batch.flush();
        EXPECT_EQ(x->text(), QString::fromUtf8("X \u00b5T:12.3"));
        EXPECT_FALSE(waves->isHidden());
        EXPECT_EQ(batch.flushes(), 1);

        deliver(1, 2, 3);  // below the threshold: the waves go, on the batch's own time
    }
    // Leaving the batch applies what was still waiting.
    EXPECT_EQ(x->text(), QString::fromUtf8("X \u00b5T:1.0"));
    EXPECT_TRUE(waves->isHidden());
}

TEST_F(QtMeterTest, ABatchAppliesByItselfWithinAnInterval) {
    launch();
    auto* z = widget<QLabel>("zLabel");
    platform::qt::PeerBatch batch(5);
    deliver(0, 0, 42);
    QTRY_COMPARE_WITH_TIMEOUT(z->text(), QString::fromUtf8("Z \u00b5T:42.0"), 2000);
}

// Under the compass the meter's widgets keep what changed, and get it as the compass goes, before
// its fade lets the meter show.
TEST_F(QtMeterTest, ACoveredScreenKeepsItsChangesUntilItsCoverGoes) {
    launch();
    auto* meterX = widget<QLabel>("xLabel");
    const QString before = meterX->text();
    QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
    auto* compass = window->findChild<QWidget*>(QStringLiteral("CompassViewController"));
    ASSERT_NE(compass, nullptr);
    ASSERT_FALSE(compass->isAncestorOf(meterX));
    QTRY_VERIFY(compass->isVisible() && compass->graphicsEffect() == nullptr);  // faded in
    auto* compassX = compass->findChild<QLabel*>(QStringLiteral("xLabel"));
    ASSERT_NE(compassX, nullptr);

    platform::qt::PeerBatch batch(1000);  // applies only when flushed
    deliver(12.34, 0, 0);
    batch.flush();
    EXPECT_EQ(compassX->text(), QStringLiteral("12.3"));
    EXPECT_EQ(meterX->text(), before);
    deliver(45.67, 0, 0);
    batch.flush();
    EXPECT_EQ(compassX->text(), QStringLiteral("45.7"));
    EXPECT_EQ(meterX->text(), before);

    QTest::mouseClick(compass->findChild<QPushButton*>(QStringLiteral("doneButton")),
                      Qt::LeftButton);
    EXPECT_EQ(meterX->text(), QString::fromUtf8("X \u00b5T:45.7"));
}

// Changes apply at most once per interval, but one that comes after a quiet interval applies on
// the loop's next turn rather than an interval later.
TEST_F(QtMeterTest, AChangeAfterAQuietIntervalAppliesAtOnce) {
    launch();
    auto* z = widget<QLabel>("zLabel");
    platform::qt::PeerBatch batch(40);
    QTest::qWait(60);
    deliver(0, 0, 42);
    settle();
    EXPECT_EQ(z->text(), QString::fromUtf8("Z \u00b5T:42.0"));
}

}  // namespace
}  // namespace fluxprobe_qt_test
