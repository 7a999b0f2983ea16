#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>

#include "QtMeterFixture.h"
#include "compass/CompassViewController.h"
#include "heading/HeadingSession.h"
#include "instrument/AcMonitor.h"
#include "instrument/Instrument.h"
#include "qt/ac/AcControl.h"
#include "qt/ac/AcScreen.h"
#include "qt/ac/SpectrumPlot.h"
#include "qt/instrument/InstrumentControls.h"
#include "qt/widgets/ReadoutLabel.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::AcControl;
using platform::qt::AcScreen;

// The meter with its AC view wired as the program wires it.
class QtAcViewTest : public QtMeterTest {
  protected:
    void start() {
        launch();
        layRoad({.instrument = &instrument, .acMonitor = &ac});
        control = std::make_unique<AcControl>(ac, instrument);
        control->attachTo(window);
        ASSERT_NE(control->button(), nullptr);
    }

    void TearDown() override {
        control.reset();
        QtMeterTest::TearDown();
    }

    // count samples at rate of the Earth's field with a hum of amplitude (peak) at hz on x.
    void hum(double rate, int count, double hz, double amplitude) {
        for (int n = 0; n < count; ++n) {
            const double t = n / rate;
            auto h = heading::Heading::of(
                20.0 + amplitude * std::sin(2.0 * std::numbers::pi * hz * t), -30.0, 10.0);
            h.timestamp = t;
            service.deliver(h);
        }
    }

    bool shown() const { return control->screen() && control->screen()->isVisible(); }

    instrument::Instrument instrument;
    instrument::AcMonitor ac;
    std::unique_ptr<AcControl> control;
};

TEST_F(QtAcViewTest, OpensWithAOrItsButtonShowsTheHumAndClosesWithEscapeOrDone) {
    start();
    hum(1000, 1100, 50, 1.48 * std::sqrt(2.0));
    const std::function<void(AcScreen*)> closers[] = {
        [](AcScreen* s) { QTest::keyClick(s, Qt::Key_Escape); },
        [](AcScreen* s) {
            QTest::mouseClick(s->findChild<QPushButton*>(QStringLiteral("acDoneButton")),
                              Qt::LeftButton);
        },
    };
    bool byKey = true;
    for (const auto& closeIt : closers) {
        if (byKey)
            QTest::keyClick(window, Qt::Key_A);
        else
            QTest::mouseClick(control->button(), Qt::LeftButton);
        byKey = !byKey;
        ASSERT_TRUE(shown());
        AcScreen* screen = control->screen();
        QTRY_COMPARE(screen->rmsLabel()->text(), QStringLiteral("1.48 µT rms"));
        EXPECT_EQ(screen->frequencyLabel()->text(), QStringLiteral("50.0 Hz"));
        EXPECT_NEAR(screen->plot()->nyquist(), 500.0, 1e-6);
        closeIt(screen);
        QTRY_VERIFY(!shown());
        EXPECT_TRUE(control->button()->hasFocus());
    }
}

TEST_F(QtAcViewTest, DrawsTheStrongestBinWhereItsFrequencyLies) {
    start();
    hum(1000, 1100, 120, 3.0);
    control->open();
    AcScreen* screen = control->screen();
    screen->refresh();
    QTRY_VERIFY(!screen->graphicsEffect());  // faded in
    const QImage image = screen->plot()->grab().toImage();
    // The highest pixel of the x trace's red.
    const QRgb red = QColor::fromRgbF(1.0f, 0.42f, 0.38f).rgb();
    int top = image.height(), column = -1;
    for (int y = 0; y < image.height() && column < 0; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == red) {
                top = y;
                column = x;
                break;
            }
    ASSERT_GE(column, 0);
    const QRectF area = screen->plot()->plotArea();
    const double ratio = image.devicePixelRatio();
    EXPECT_NEAR(column / ratio, area.left() + 120.0 / 500.0 * (area.width() - 1.0), 2.0);
    EXPECT_LT(top, image.height() / 4);
}

TEST_F(QtAcViewTest, SaysWhyThereAreNoFiguresAndStaysShutUnderTheCompass) {
    start();
    hum(10, 40, 3, 1.0);
    QTest::keyClick(window, Qt::Key_A);
    ASSERT_TRUE(shown());
    QTRY_COMPARE(control->screen()->statusLabel()->text(),
                 QStringLiteral("AC needs at least 20 samples a second"));
    EXPECT_EQ(control->screen()->rmsLabel()->text(), QStringLiteral("-- µT rms"));
    QTest::keyClick(control->screen(), Qt::Key_Escape);
    QTRY_VERIFY(!shown());

    QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
    QTRY_VERIFY(
        meter->modalViewController() &&
        !window->findChild<QWidget*>(QStringLiteral("CompassViewController"))->graphicsEffect());
    QTest::keyClick(window, Qt::Key_A);
    settle();
    EXPECT_FALSE(shown());
}

// Ended means ended: no figure, no spectrum, and why, once the source says it has stopped.
TEST_F(QtAcViewTest, ShowsNoFiguresOnceTheSamplesHaveEnded) {
    start();
    QString ended;
    control->setEnded([&ended] { return ended; });
    hum(1000, 1100, 50, 1.48 * std::sqrt(2.0));
    control->open();
    AcScreen* screen = control->screen();
    QTRY_COMPARE(screen->rmsLabel()->text(), QStringLiteral("1.48 µT rms"));
    ended = QStringLiteral("No signal \u2014 the replay has ended");
    QTRY_COMPARE(screen->rmsLabel()->text(), QStringLiteral("-- µT rms"));
    EXPECT_EQ(screen->frequencyLabel()->text(), QStringLiteral("-- Hz"));
    EXPECT_EQ(screen->statusLabel()->text(), ended);
    const QImage image = screen->plot()->grab().toImage();
    const QRgb red = QColor::fromRgbF(1.0f, 0.42f, 0.38f).rgb();  // the x trace
    int traced = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) traced += image.pixel(x, y) == red;
    EXPECT_EQ(traced, 0) << "the spectrum is still drawn";
}

TEST_F(QtAcViewTest, TheAcViewAndTheCompassSpeakTheChosenUnit) {
    start();
    QTemporaryDir home;
    QSettings kept(home.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat);
    heading::SourceOptions none;
    none.spec = none.calibration = "none";
    heading::HeadingSession session(none, service, [](std::function<void()> f) { f(); });
    platform::qt::InstrumentControls controls(instrument, session, kept, std::nullopt);
    controls.attachTo(window);
    auto spoken = [](QWidget* screen, const char* name) {
        auto* readout = screen->findChild<platform::qt::ReadoutLabel*>(name);
        return (QAccessible::queryAccessibleInterface(readout)->text(QAccessible::Name) + " / " +
                readout->accessibleDescription())
            .toStdString();
    };
    struct Case {
        instrument::Unit unit;
        const char *rms, *x, *symbol, *name;
    };
    const Case cases[] = {
        {instrument::Unit::Microtesla, "1.48 µT rms", "20.0", "µT", "microtesla"},
        {instrument::Unit::Nanotesla, "1480 nT rms", "20000", "nT", "nanotesla"},
        {instrument::Unit::Milligauss, "14.8 mG rms", "200", "mG", "milligauss"},
        {instrument::Unit::Gauss, "0.0148 G rms", "0.2000", "G", "gauss"},
    };
    for (const Case& c : cases) {
        controls.chooseUnit(c.unit, false);
        const std::string said = std::string("Field along x, ") + c.x + " " + c.name +
                                 " / Field along the x axis in " + c.name;
        hum(1000, 1100, 50, 1.48 * std::sqrt(2.0));
        control->open();
        QTRY_COMPARE(control->screen()->rmsLabel()->text(), QString::fromUtf8(c.rms));
        control->close();
        QTRY_VERIFY(!shown());

        QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
        settle();
        auto* compass = window->findChild<QWidget*>(
            QString::fromLatin1(compass::CompassViewController::kClassName));
        ASSERT_NE(compass, nullptr);
        auto h = heading::Heading::of(20.0, -30.0, 10.0);
        service.deliver(h);
        settle();
        EXPECT_EQ(compass->findChild<QWidget*>("xLabel")->property("text").toString(),
                  QString::fromUtf8(c.x));
        EXPECT_EQ(compass->findChild<QLabel*>("unitLabel")->text(), QString::fromUtf8(c.symbol));
        EXPECT_EQ(spoken(compass, "xLabel"), said);
        EXPECT_EQ(spoken(compass, "hd"), "Heading, 0.0 degrees / Heading in degrees");
        QTest::mouseClick(compass->findChild<QPushButton*>("doneButton"), Qt::LeftButton);
        QTRY_VERIFY(!meter->modalViewController());
        EXPECT_EQ(spoken(window, "xLabel"), said);
    }
}

// A keyboard user is never trapped under the view: Tab stays on it, and Escape closes it even
// from a control of the meter's that kept the focus.
TEST_F(QtAcViewTest, TabStaysOnTheViewAndEscapeClosesItFromAnywhere) {
    start();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(); }, 3000));
    for (const Qt::Key k : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Tab}) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, k);
        focus = QApplication::focusWidget();
        ASSERT_TRUE(focus == control->screen() || control->screen()->isAncestorOf(focus))
            << "Tab went to " << (focus ? focus->objectName().toStdString() : "nothing");
    }
    auto* slider = widget<QWidget>("mySlider");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown(); }, 3000));
}

}  // namespace
}  // namespace fluxprobe_qt_test
