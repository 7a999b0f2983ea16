#include <QLabel>

#include "QtMeterFixture.h"
#include "platform/qt/PeerBatch.h"

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

}  // namespace
}  // namespace fluxprobe_qt_test
