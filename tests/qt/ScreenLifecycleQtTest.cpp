#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <memory>

#include "QtMeterFixture.h"
#include "compass/CompassViewController.h"
#include "compass/globals.h"

// The compass opened and closed again and again in the real window: each closed screen takes its
// widgets with it, so the window ends up exactly as it started.

namespace fluxprobe_qt_test {
namespace {

using compass::CompassViewController;

int widgetsUnder(QWidget* window) {
    return static_cast<int>(window->findChildren<QWidget*>().size());
}

void deleteClosedWidgets() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle();
}

TEST_F(QtMeterTest, EveryClosedCompassTakesItsWidgetsWithIt) {
    compass::val = 0.0f;
    compass::sw = 0;
    launch();
    deleteClosedWidgets();
    const int before = widgetsUnder(window);

    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
        settle();
        std::weak_ptr<platform::ViewController> screen = meter->modalViewController();
        ASSERT_FALSE(screen.expired()) << "round " << round;
        ASSERT_GT(widgetsUnder(window), before) << "round " << round;
        ASSERT_EQ(service.listenerCount(), 2u) << "round " << round;
        service.deliver(heading::Heading::of(1.0, 2.0, 3.0, 10.0 * round));
        settle();

        // The last round closes the way the user does, fade and all; the others at once.
        if (round + 1 == kRounds) {
            auto* root = window->findChild<QWidget*>(CompassViewController::kClassName);
            ASSERT_NE(root, nullptr);
            auto* done = root->findChild<QPushButton*>("doneButton");
            ASSERT_NE(done, nullptr);
            QTest::mouseClick(done, Qt::LeftButton);
            QTRY_VERIFY(screen.expired());
        } else {
            meter->dismissModalViewControllerAnimated(false);
            settle();
        }
        deleteClosedWidgets();
        ASSERT_TRUE(screen.expired()) << "round " << round;
        ASSERT_EQ(widgetsUnder(window), before) << "round " << round;
        ASSERT_EQ(service.listenerCount(), 1u) << "round " << round;
    }
    // The meter is still live behind it all.
    service.deliver(heading::Heading::of(3.0, 4.0, 12.0));
    settle();
    EXPECT_EQ(meter->magnitudeLabel()->text(), "13.0");
}

}  // namespace
}  // namespace fluxprobe_qt_test
