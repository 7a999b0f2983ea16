#include <QLabel>
#include <QPointingDevice>
#include <QScreen>
#include <QSlider>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "ImageDifference.h"
#include "QtMeterFixture.h"

namespace fluxprobe_qt_test {
namespace {

// The dial, driven through real touch and mouse events on the offscreen platform.
class QtDialTest : public QtMeterTest {
  protected:
    void SetUp() override {
        launch();
        dial = widget<QLabel>("fluxprobeview");
        screen = dial->parentWidget();
    }

    // The dial's centre as the logic holds it, in window coordinates.
    QPoint dialCentre() const {
        const platform::Point c = meter->fluxprobeview()->center();
        return screen->mapTo(window, QPoint(qRound(c.x), qRound(c.y)));
    }

    double turnDegrees() const {
        const platform::AffineTransform t = meter->fluxprobeview()->transform();
        return std::atan2(static_cast<double>(t.b), static_cast<double>(t.a)) * 180.0 / M_PI;
    }

    // Mouse input goes through the window system's side of the window, so Qt routes it as it
    // routes a real pointer's: to the widget under it, up to the first that takes it, which then
    // gets the moves.
    void drag(Qt::MouseButton button, std::initializer_list<QPoint> path) {
        QWindow* w = window->windowHandle();
        const QPoint* p = path.begin();
        QTest::mousePress(w, button, {}, *p);
        for (++p; p != path.end(); ++p) QTest::mouseMove(w, *p);
        QTest::mouseRelease(w, button, {}, *(path.end() - 1));
    }

    // Made on first use; the test owns it, so it is unregistered and freed at the end.
    QPointingDevice* touchScreen() {
        if (!touchScreen_) touchScreen_.reset(QTest::createTouchDevice());
        return touchScreen_.get();
    }

    QLabel* dial = nullptr;
    QWidget* screen = nullptr;

  private:
    std::unique_ptr<QPointingDevice> touchScreen_;
};

TEST_F(QtDialTest, OneFingerOnATouchScreenDragsTheDial) {
    QPointingDevice* touchScreen = this->touchScreen();
    const QPoint start = dialCentre();
    QTest::touchEvent(window, touchScreen).press(0, start + QPoint(10, 0));
    QTest::touchEvent(window, touchScreen).move(0, start + QPoint(30, 20));
    QTest::touchEvent(window, touchScreen).move(0, start + QPoint(50, 40));
    QTest::touchEvent(window, touchScreen).release(0, start + QPoint(50, 40));
    settle();
    EXPECT_EQ(dialCentre(), start + QPoint(50, 40));
    EXPECT_NEAR(turnDegrees(), 0.0, 1e-6);
    // The widget follows the logic: it is drawn around the new centre.
    EXPECT_LE((dial->geometry().center() - screen->mapFrom(window, dialCentre())).manhattanLength(),
              2);
}

TEST_F(QtDialTest, TwoFingersOnATouchScreenTurnTheDial) {
    QPointingDevice* touchScreen = this->touchScreen();
    const QPoint c = dialCentre();
    QTest::touchEvent(window, touchScreen).press(0, c).press(1, c + QPoint(50, 0));
    QTest::touchEvent(window, touchScreen).stationary(0).move(1, c + QPoint(0, 50));
    QTest::touchEvent(window, touchScreen).release(0, c).release(1, c + QPoint(0, 50));
    settle();
    EXPECT_NEAR(turnDegrees(), 90.0, 1e-3);  // clockwise on screen
    EXPECT_EQ(dialCentre(), c);
}

TEST_F(QtDialTest, TheSecondFingerComingDownLaterTurnsFromWhereItLanded) {
    QPointingDevice* touchScreen = this->touchScreen();
    const QPoint c = dialCentre();
    QTest::touchEvent(window, touchScreen).press(0, c);
    QTest::touchEvent(window, touchScreen).stationary(0).press(1, c + QPoint(0, -50));
    QTest::touchEvent(window, touchScreen).stationary(0).move(1, c + QPoint(50, 0));
    QTest::touchEvent(window, touchScreen).release(0, c).release(1, c + QPoint(50, 0));
    settle();
    // The late finger was recorded as the first touch of its own touch-down, so the turn is
    // measured from the last recorded second touch: none yet, (0, 0) in the screen.
    const platform::Point centre = meter->fluxprobeview()->center();
    const double expected =
        std::atan2(0.0, 50.0) * 180.0 / M_PI -
        std::atan2(-static_cast<double>(centre.y), -static_cast<double>(centre.x)) * 180.0 / M_PI;
    EXPECT_NEAR(std::remainder(turnDegrees() - expected, 360.0), 0.0, 1e-3);
}

TEST_F(QtDialTest, LeftDragMovesAndRightDragTurnsWithAMouse) {
    const QPoint start = dialCentre();
    drag(Qt::LeftButton, {start, start + QPoint(20, 10), start + QPoint(40, 20)});
    settle();
    EXPECT_EQ(dialCentre(), start + QPoint(40, 20));

    const QPoint c = dialCentre();
    drag(Qt::RightButton, {c + QPoint(40, 0), c + QPoint(40, 40), c + QPoint(0, 40)});
    settle();
    EXPECT_NEAR(turnDegrees(), 90.0, 1e-3);
    EXPECT_EQ(dialCentre(), c);

    // Off the dial, a drag does nothing.
    const QPoint far = screen->mapTo(window, QPoint(5, 5));
    drag(Qt::LeftButton, {far, far + QPoint(10, 10)});
    settle();
    EXPECT_EQ(dialCentre(), c);

    if (const char* dir = std::getenv("FLUXPROBE_SCREENSHOT_DIR"))
        window->grab().save(QString::fromLocal8Bit(dir) + "/meter-dial-turned.png");
}

TEST_F(QtDialTest, OverTheRunningGraphTheDialShowsTheGraphAsItRuns) {
    auto* graph = widget<QWidget>("graphView");
    const QPoint start = dialCentre();
    const QPoint over = graph->mapTo(window, graph->rect().center());
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, start);
    for (int step = 1; step <= 10; ++step)  // the dial follows while the pointer is on it
        QTest::mouseMove(window->windowHandle(), start + (over - start) * step / 10);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, over);
    ASSERT_EQ(dialCentre(), over);
    for (int i = 0; i < 120; ++i) {  // enough for the traces to run on under the dial
        deliver(20.0 + 9.0 * (i % 3), -15.0 * (i % 2), 40.0 - i / 4.0);
        QTest::qWait(5);
    }
    QTest::qWait(50);  // the last frame painted
    // Where the dial is, the screen shows (the dial painted over what it covers, frame after
    // frame) what the window shows drawn afresh, every kept picture dropped by a new style.
    auto afresh = [this] {
        window->setStyleSheet(window->styleSheet());
        return window->grab().toImage();
    };
    auto onScreen = [this] { return window->screen()->grabWindow(window->winId()).toImage(); };
    auto underDial = [this](const QImage& image) {
        return image.copy(QRect(dial->mapTo(window, QPoint(0, 0)), dial->size()));
    };
    EXPECT_LE(largestDifference(underDial(onScreen()), underDial(afresh())), 1);
    QTest::qWait(600);  // the graph at rest
    const QPoint c = dialCentre();
    drag(Qt::RightButton, {c + QPoint(40, 0), c + QPoint(40, 40)});
    deliver(1.0, 2.0, 3.0);
    QTest::qWait(50);
    // Turned, Qt's smooth sampling of a band repainted on its own may differ by a few levels.
    EXPECT_LE(largestDifference(underDial(onScreen()), underDial(afresh())), 4);
}

TEST_F(QtDialTest, TheSliderStillTakesItsOwnDrags) {
    auto* slider = widget<QSlider>("mySlider");
    const int before = slider->value();
    const QPoint handle = slider->mapTo(window, QPoint(slider->width() - 5, slider->height() / 2));
    const QPoint dialBefore = dialCentre();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, handle);
    settle();
    EXPECT_NE(slider->value(), before);
    EXPECT_EQ(dialCentre(), dialBefore);
}

}  // namespace
}  // namespace fluxprobe_qt_test
