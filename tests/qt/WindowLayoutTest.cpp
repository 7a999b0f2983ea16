#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QGraphicsEffect>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStaticText>
#include <QTest>
#include <QWindow>

#include "ImageDifference.h"
#include "QtMeterFixture.h"
#include "compass/globals.h"
#include "heading/calibration/CalibrationCollector.h"
#include "qt/widgets/AlertBox.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/SignalStatus.h"
#include "qt/widgets/TrueNorthNote.h"
#include "qt/widgets/WidgetPeer.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::AlertBox;
using platform::qt::ScreenScaler;

// Waits up to 3 s for a condition, processing events meanwhile.
template <class F>
bool eventually(F condition) {
    return QTest::qWaitFor(condition, 3000);
}

class QtWindowTest : public QtMeterTest {
  protected:
    void SetUp() override {
        compass::val = 0.0f;
        compass::sw = 0;
    }

    QWidget* meterRoot() const { return widget<QWidget>("FluxprobeViewController"); }
    QWidget* compassRoot() const {
        return window->findChild<QWidget*>(QStringLiteral("CompassViewController"));
    }

    void openCompass() {
        QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] {
            return compassRoot() && compassRoot()->isVisible() && !compassRoot()->graphicsEffect();
        }));
    }

    void resizeTo(QSize size) {
        window->resize(size);
        ASSERT_TRUE(eventually([&] { return window->size() == size; }));
        settle();
    }

    static QRect in(const QWidget* w, const QWidget* window) {
        return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    }

    // The laid-out widgets of a screen lie inside the window and never on each other.
    void expectTidy(QWidget* root, const char* where) {
        const QRect all = window->rect();
        std::vector<QWidget*> laidOut;
        for (QWidget* w : root->findChildren<QWidget*>())
            if (w->isVisible() && platform::qt::isInLayout(w) && !w->size().isEmpty())
                laidOut.push_back(w);
        for (QWidget* w : laidOut) {
            EXPECT_TRUE(all.contains(in(w, window)))
                << where << ": " << qPrintable(w->objectName());
            for (QWidget* v : laidOut) {
                if (v == w || w->isAncestorOf(v) || v->isAncestorOf(w)) continue;
                EXPECT_FALSE(in(w, window).intersects(in(v, window)))
                    << where << ": " << qPrintable(w->objectName()) << " and "
                    << qPrintable(v->objectName());
            }
        }
    }

    // A free view stays centred in the room the layout leaves it, and inside the window.
    void expectCentred(QWidget* free, const char* where) {
        ScreenScaler* scaler = ScreenScaler::of(free);
        ASSERT_NE(scaler, nullptr);
        const QPointF room = QRectF(scaler->area()).center();
        const QPointF centre = QRectF(free->geometry()).center();
        EXPECT_LE(std::abs(room.x() - centre.x()), 1.0) << where;
        EXPECT_LE(std::abs(room.y() - centre.y()), 1.0) << where;
        EXPECT_TRUE(window->rect().contains(in(free, window))) << where;
    }
};

TEST_F(QtWindowTest, TheNoCompassAlertIsLegibleAndFitsTheWindow) {
    launch(/*magnetometer=*/false);
    ASSERT_TRUE(eventually([&] { return openAlerts().size() == std::size_t{1}; }));
    auto* box = qobject_cast<AlertBox*>(openAlerts().front());
    ASSERT_NE(box, nullptr);
    EXPECT_GE(platform::qt::contrastRatio(box->textColor(), box->backgroundColor()), 4.5);
    EXPECT_LE(box->width(), window->width());
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->text(), "This device does not have the ability to measure magnetic fields.");
    // Nothing was measured, so the graph shows its scale but no trace.
    const QImage graph = widget<QWidget>("graphView")->grab().toImage();
    int coloured = 0;
    // The graph is drawn over its near-black rounded frame, which no trace colour is.
    for (int y = 0; y < graph.height(); ++y)
        for (int x = 0; x < graph.width(); ++x) {
            const QColor c = graph.pixelColor(x, y);
            coloured += c.saturation() > 128 && c.value() > 64 ? 1 : 0;
        }
    EXPECT_EQ(coloured, 0);
    // The colours are those painted: the text's own colour shows on the box.
    const QImage picture = box->grab().toImage();
    EXPECT_EQ(picture.pixelColor(picture.width() - 3, 3), box->backgroundColor());
}

// The graph's rounded corners show the screen's face around them, on the meter and on the
// compass over it, not a colour of the graph's own.
TEST_F(QtWindowTest, TheGraphsCornersShowTheFaceAroundThem) {
    launch();
    for (const bool compass : {false, true}) {
        if (compass) openCompass();
        QWidget* screen = compass ? compassRoot() : meterRoot();
        auto* graph = screen->findChild<QWidget*>(QStringLiteral("graphView"));
        ASSERT_NE(graph, nullptr);
        const QImage shown = window->grab().toImage();
        const QPoint corner = graph->mapTo(window, QPoint(0, 0));
        EXPECT_EQ(shown.pixel(corner), shown.pixel(corner - QPoint(1, 1)))
            << qPrintable(screen->objectName());
    }
}

TEST_F(QtWindowTest, AConfirmationCarriesAnInformationIcon) {
    launch();
    openCompass();
    compassRoot()->findChild<QCheckBox*>(QStringLiteral("engkey"))->click();
    ASSERT_TRUE(eventually([&] { return openAlerts().size() == std::size_t{1}; }));
    EXPECT_EQ(openAlerts().front()->icon(), QMessageBox::Information);
    EXPECT_GE(platform::qt::contrastRatio(
                  static_cast<AlertBox*>(openAlerts().front())->textColor(),
                  static_cast<AlertBox*>(openAlerts().front())->backgroundColor()),
              4.5);
}

TEST_F(QtWindowTest, ScreensGrowWithTheWindowAndGesturesFollow) {
    launch();
    deliver(10, 20, 30);
    QLabel* dial = widget<QLabel>("fluxprobeview");
    const int designFont =
        widget<platform::qt::ReadoutLabel>("xLabel")->font().pixelSize() > 0
            ? widget<platform::qt::ReadoutLabel>("xLabel")->font().pixelSize()
            : widget<platform::qt::ReadoutLabel>("xLabel")->fontInfo().pixelSize();
    for (const QSize size : {QSize(320, 480), QSize(640, 960), QSize(900, 700), QSize(280, 440)}) {
        const std::string where =
            std::to_string(size.width()) + "x" + std::to_string(size.height());
        resizeTo(size);
        expectTidy(meterRoot(), where.c_str());
        expectCentred(dial, where.c_str());
        // The logic's frame is the widget's: a drag from the dial's edge pulls its centre there.
        const QPoint grip = dial->geometry().center() + QPoint(dial->width() / 4, 0);
        QWindow* handle = window->windowHandle();
        const QPoint at = meterRoot()->mapTo(window, grip);
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QTest::mouseMove(handle, at + QPoint(0, 3));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at + QPoint(0, 3));
        settle();
        const platform::Point c = meter->fluxprobeview()->center();
        EXPECT_NEAR(c.x, grip.x(), 1.0) << where;
        EXPECT_NEAR(c.y, grip.y() + 3, 1.0) << where;
        // Double-click puts it back in the middle of its room.
        QTest::mouseDClick(dial, Qt::LeftButton);
        settle();
        expectCentred(dial, where.c_str());
    }
    resizeTo(QSize(640, 960));
    EXPECT_GT(widget<platform::qt::ReadoutLabel>("xLabel")->fontInfo().pixelSize(),
              designFont * 3 / 2);
    EXPECT_GT(dial->width(), 200);

    openCompass();
    QWidget* scale = compassRoot()->findChild<QWidget*>(QStringLiteral("compassScale"));
    QWidget* rose = compassRoot()->findChild<QWidget*>(QStringLiteral("iv"));
    for (const QSize size : {QSize(900, 700), QSize(320, 480)}) {
        const std::string where = "compass " + std::to_string(size.width());
        resizeTo(size);
        expectTidy(compassRoot(), where.c_str());
        expectCentred(scale, where.c_str());
        // The rose lies on the scale, centred, 7/11 of it across.
        EXPECT_LE((rose->geometry().center() - scale->rect().center()).manhattanLength(), 2)
            << where;
        EXPECT_NEAR(rose->width(), scale->width() * 7 / 11, 1) << where;
    }
}

TEST_F(QtWindowTest, ReadingsThatStopAreShownAsStaleUntilTheNextSample) {
    launch();
    const platform::qt::SignalStatus* status = platform->signalStatus();
    ASSERT_NE(status, nullptr);
    auto* total = widget<platform::qt::ReadoutLabel>("magnitudeLabel");
    auto banner = [&] { return meterRoot()->findChild<QLabel*>(QStringLiteral("signalStatus")); };
    deliver(0, 30, 40);
    EXPECT_FALSE(status->isStale());

    resizeTo(QSize(280, 440));
    service.fail(heading::LocationError{heading::LocationError::kLocationUnknown, {}});
    settle();
    ASSERT_NE(banner(), nullptr);
    EXPECT_TRUE(banner()->isVisible());
    // The banner's row leaves the dial less room: it shrinks into it, clear of the readouts.
    QWidget* dial = widget<QWidget>("fluxprobeview");
    expectCentred(dial, "under the banner");
    EXPECT_FALSE(in(dial, window).intersects(in(widget<QWidget>("yLabel"), window)));
    EXPECT_EQ(banner()->text(), QStringLiteral("No signal \u2014 trying again"));
    EXPECT_NE(total->graphicsEffect(), nullptr);
    EXPECT_EQ(total->text(), QStringLiteral("50.0"));  // the last value stays

    deliver(0, 30, 40);
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_EQ(total->graphicsEffect(), nullptr);

    // A replay that has ended is not tried again, and the silence after it says so.
    service.fail(heading::LocationError{heading::LocationError::kEnded, {}});
    settle();
    EXPECT_EQ(banner()->text(), QStringLiteral("No signal \u2014 the replay has ended"));
    deliver(0, 30, 40);
    EXPECT_FALSE(banner()->isVisible());

    // Silence for a second is an outage too, and the compass says so as well.
    openCompass();
    ASSERT_TRUE(eventually([&] { return status->isStale(); }));
    ASSERT_TRUE(eventually([&] {
        return compassRoot()->findChild<QLabel*>(QStringLiteral("signalStatus")) &&
               compassRoot()->findChild<QLabel*>(QStringLiteral("signalStatus"))->isVisible();
    }));
    deliver(0, 30, 40);
    EXPECT_FALSE(status->isStale());

    // While the guided calibration takes the samples the meter says so, not "No signal".
    heading::calibration::CalibrationCollector collector;
    calibrationTap.engage(collector);
    deliver(0, 30, 40);
    ASSERT_TRUE(eventually([&] { return status->isStale(); }));
    EXPECT_EQ(banner()->text(), QStringLiteral("Calibrating\u2026"));
    calibrationTap.release();
    ASSERT_TRUE(eventually(
        [&] { return banner()->text() == QStringLiteral("No signal \u2014 trying again"); }));
}

TEST_F(QtWindowTest, TheThresholdLabelFollowsTheSlider) {
    launch();
    auto* threshold = widget<QLabel>("thresholdLabel");
    auto* slider = widget<QSlider>("mySlider");
    EXPECT_EQ(threshold->text(), QStringLiteral("alarm above 100 \u00b5T"));
    slider->setValue(155);
    EXPECT_EQ(threshold->text(), QStringLiteral("alarm above 215 \u00b5T"));
}

TEST_F(QtWindowTest, EveryControlWorksFromTheKeyboard) {
    launch();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* slider = widget<QSlider>("mySlider");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(meter->mySlider()->value(), 41.0f);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(meter->mySlider()->value(), 41.0f + float(slider->pageStep()));

    // Tab reaches the compass button; Return presses it.
    QWidget* focus = slider;
    for (int i = 0; i < 5 && focus->objectName() != QLatin1String("compassButton"); ++i) {
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
    }
    ASSERT_EQ(focus->objectName(), QStringLiteral("compassButton"));
    QTest::keyClick(focus, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return compassRoot() && compassRoot()->isVisible(); }));
    // Tab goes round the compass's own controls, never into the meter under it.
    for (int i = 0; i < 6; ++i) {
        QWidget* from = QApplication::focusWidget();
        ASSERT_NE(from, nullptr);
        QTest::keyClick(from, i % 3 == 2 ? Qt::Key_Backtab : Qt::Key_Tab);
        QWidget* to = QApplication::focusWidget();
        ASSERT_TRUE(to && compassRoot()->isAncestorOf(to))
            << "Tab went to " << (to ? to->objectName().toStdString() : "nothing");
    }

    auto* north = compassRoot()->findChild<QCheckBox*>(QStringLiteral("engkey"));
    north->setFocus();
    QTest::keyClick(north, Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return openAlerts().size() == std::size_t{1}; }));
    EXPECT_EQ(compass::sw, 1);
    openAlerts().front()->close();
    settle();

    // Escape closes the compass, as Done does.
    auto* done = compassRoot()->findChild<QPushButton*>(QStringLiteral("doneButton"));
    done->setFocus();
    QTest::keyClick(done, Qt::Key_Escape);
    ASSERT_TRUE(eventually([&] { return !meter->modalViewController(); }));

    // The dial takes focus, ringed in the focus colour, and Home puts it back untouched.
    QLabel* dial = widget<QLabel>("fluxprobeview");
    const auto ringed = [dial] {
        const QImage image = dial->grab().toImage();
        const QColor mark = dial->palette().color(QPalette::Highlight);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == mark;
        return count > image.width();
    };
    EXPECT_FALSE(ringed());
    meter->fluxprobeview()->setCenter({40, 300});
    meter->fluxprobeview()->setTransform(platform::makeRotation(1.0f));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    dial->setFocus();
    ASSERT_TRUE(dial->hasFocus());
    EXPECT_TRUE(ringed());
    QTest::keyClick(dial, Qt::Key_Home);
    settle();
    EXPECT_TRUE(meter->fluxprobeview()->transform().isIdentity());
    EXPECT_NEAR(meter->fluxprobeview()->center().x, meterRoot()->width() / 2.0, 1.0);
}

// The compass says why it shows "--.-°" for true north, and nothing once there is a heading.
TEST_F(QtWindowTest, TrueNorthWithoutAHeadingSaysWhy) {
    launch();
    QString why = QStringLiteral("no location: give --location=LAT,LON or --declination=DEG");
    platform::qt::TrueNorthNote::attachTo(window, [&why] { return why; });
    openCompass();
    auto* note = compassRoot()->findChild<platform::qt::TrueNorthNote*>();
    ASSERT_NE(note, nullptr);
    auto* magnetic = compassRoot()->findChild<QCheckBox*>(QStringLiteral("engkey"));
    magnetic->click();  // true north
    ASSERT_TRUE(eventually([&] { return !openAlerts().empty(); }));
    openAlerts().front()->close();
    const struct {
        double trueHeading;
        bool magnetic;
        const char* why;
        bool shown;
    } cases[] = {
        {-1, false, "no location: give --location=LAT,LON or --declination=DEG", true},
        {-1, false, "", false},  // nothing to say: no note
        {12.5, false, "the field model does not cover today's date", false},
        {-1, true, "the field model does not cover today's date", false},
    };
    for (const auto& c : cases) {
        if (magnetic->isChecked() != c.magnetic) {
            magnetic->click();
            ASSERT_TRUE(eventually([&] { return !openAlerts().empty(); }));
            openAlerts().front()->close();
        }
        why = QString::fromUtf8(c.why);
        service.deliver(heading::Heading::of(0, 20, -44, 10.0, c.trueHeading));
        EXPECT_TRUE(eventually([&] { return note->isVisible() == c.shown; })) << c.why;
        if (c.shown) {
            EXPECT_EQ(note->saying(), QStringLiteral("No true heading: ") + why);
        }
    }
    if (const QByteArray dir = qgetenv("FLUXPROBE_SHOT_DIR"); !dir.isEmpty()) {
        magnetic->click();
        eventually([&] { return !openAlerts().empty(); });
        openAlerts().front()->close();
        why = QStringLiteral("no location: give --location=LAT,LON or --declination=DEG");
        service.deliver(heading::Heading::of(0, 20, -44, 10.0, -1));
        eventually([&] { return note->isVisible(); });
        settle();
        QTest::qWait(100);
        window->grab().save(QString::fromUtf8(dir) + QStringLiteral("/true-north.png"));
    }
}

TEST_F(QtWindowTest, EveryWidgetHasANameAndReadoutsSayTheirValue) {
    launch();
    deliver(0, 30, 40);
    openCompass();
    deliver(0, 30, 40);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->inherits("QFocusFrame")) continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(face, nullptr);
        EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
            << w->metaObject()->className() << " " << qPrintable(w->objectName());
    }
    auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
    };
    EXPECT_EQ(name(widget<platform::qt::ReadoutLabel>("magnitudeLabel")),
              "Total field, 50.0 microtesla");
    EXPECT_EQ(name(widget<platform::qt::ReadoutLabel>("xLabel")), "Field along x, 0.0 microtesla");
    EXPECT_EQ(name(compassRoot()->findChild<platform::qt::ReadoutLabel*>("hd")),
              "Heading, 0.0 degrees");
    EXPECT_EQ(name(compassRoot()->findChild<platform::qt::ReadoutLabel*>("magnitudeLabel")),
              "Compass point, N");

    // The degree numbers stay on the rose although the compass empties them.
    auto* mark = compassRoot()->findChild<platform::qt::ReadoutLabel*>(QStringLiteral("p6"));
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->text().isEmpty());
    const QImage picture = mark->grab().toImage();
    const QColor corner = picture.pixelColor(0, 0);
    bool drawn = false;
    for (int y = 0; y < picture.height() && !drawn; ++y)
        for (int x = 0; x < picture.width() && !drawn; ++x)
            drawn = picture.pixelColor(x, y) != corner;
    EXPECT_TRUE(drawn) << "no 90° drawn";
}

}  // namespace
}  // namespace fluxprobe_qt_test

namespace fluxprobe_qt_test {
namespace {

TEST(SpokenReadout, SaysTheNumberTheWordOrThatThereIsNone) {
    struct Case {
        const char *form, *text, *said;
    };
    const Case cases[] = {
        {"Total field, %1 microtesla", "48.3", "Total field, 48.3 microtesla"},
        {"Field along x, %1 microtesla", "X \u00b5T:-4.3", "Field along x, -4.3 microtesla"},
        {"Field along x, %1 microtesla", "X \u00b5T:--", "Field along x, no reading"},
        {"Total field, %1 microtesla", "--.-", "Total field, no reading"},
        {"Heading, %1 degrees", "359.9\u00b0", "Heading, 359.9 degrees"},
        {"Compass point, %1", "NE", "Compass point, NE"},
        {"Compass point, %1", "", "Compass point, no reading"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::qt::spokenReadout(QString::fromUtf8(c.form), QString::fromUtf8(c.text))
                      .toStdString(),
                  c.said)
            << c.text;
}

// A readout places a value's glyphs itself where each stands alone, and leaves the rest to Qt's
// text layout: either way it shows what Qt draws, in its own font or a fallback, in order.
TEST(ReadoutText, ShowsWhatQtDrawsForTheSameText) {
    struct Case {
        const char *family, *text;
    };
    const Case cases[] = {
        {"DSEG7 Classic", "48.3"},
        {"DSEG7 Classic", "-12.0 \u00b5T"},
        {"DejaVu Sans", "X \u00b5T:-4.1"},
        {"DejaVu Sans", "359.9\u00b0 NE"},
        {"DejaVu Sans", "\u05e9\u05dc\u05d5\u05dd 5"},
    };
    for (const Case& c : cases) {
        platform::qt::ReadoutLabel readout;
        readout.setFont(QFont(QString::fromLatin1(c.family), 20));
        readout.setText(QString::fromUtf8(c.text));
        readout.resize(readout.sizeHint());
        const QImage shown = readout.grab().toImage();
        QImage drawn = filledImage(readout.size(), shown.devicePixelRatio(),
                                   readout.palette().color(QPalette::Window));
        {
            QPainter painter(&drawn);
            QFont font = readout.font();  // not kerned: digits keep their places as values change
            font.setStyleStrategy(QFont::PreferNoShaping);
            painter.setFont(font);
            painter.setPen(readout.palette().color(QPalette::WindowText));
            QStaticText text(readout.text());
            text.prepare(QTransform(), font);
            painter.drawStaticText(QPointF(0, (readout.height() - text.size().height()) / 2), text);
        }
        EXPECT_LE(largestDifference(shown, drawn), 16) << c.text;
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
