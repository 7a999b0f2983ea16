#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

#include "FakePositionSource.h"
#include "ImageDifference.h"
#include "LayoutRequests.h"
#include "QtMeterFixture.h"
#include "compass/CompassViewController.h"
#include "compass/globals.h"
#include "heading/HeadingMath.h"
#include "heading/model/FieldQuery.h"
#include "heading/model/GeographicFieldModel.h"
#include "heading/model/TrueNorthStage.h"
#include "qt/DataFiles.h"
#include "qt/positioning/PositionWatcher.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/TurningPicture.h"
#include "qt/widgets/WidgetPeer.h"

namespace fluxprobe_qt_test {
namespace {

using compass::CompassViewController;

class QtCompassTest : public QtMeterTest {
  protected:
    void SetUp() override {
        compass::val = 0.0f;
        compass::sw = 0;
    }

    void reading(double x, double y, double z, double magnetic, double trueHeading = -1.0) {
        service.deliver(heading::Heading::of(x, y, z, magnetic, trueHeading));
        settle();
    }

    // Clicks the meter's compass button and returns the compass screen it opened.
    std::weak_ptr<CompassViewController> open() {
        QTest::mouseClick(widget<QPushButton>("compassButton"), Qt::LeftButton);
        settle();
        auto screen =
            std::dynamic_pointer_cast<CompassViewController>(meter->modalViewController());
        EXPECT_TRUE(screen);
        root = window->findChild<QWidget*>(QString::fromLatin1(CompassViewController::kClassName));
        EXPECT_NE(root, nullptr);
        return screen;
    }

    template <class W>
    W* onCompass(const char* name) const {
        W* w = root ? root->findChild<W*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QString text(const char* name) const {
        return platform::qt::labelText(onCompass<QWidget>(name));
    }

    void closeWithDone() {
        QTest::mouseClick(onCompass<QPushButton>("doneButton"), Qt::LeftButton);
        root = nullptr;
    }

    QWidget* root = nullptr;
};

TEST_F(QtCompassTest, OpensFromTheMeterFollowsReadingsAndIsGoneAfterDone) {
    launch();
    std::weak_ptr<CompassViewController> first = open();
    ASSERT_FALSE(first.expired());
    QTRY_VERIFY(root->isVisible());
    EXPECT_EQ(text("n1"), QStringLiteral("N"));

    // Both screens follow the same reading.
    reading(3.0, 4.0, 12.0, 135.0);
    EXPECT_EQ(meter->magnitudeLabel()->text(), "13.0");
    EXPECT_EQ(text("magnitudeLabel"), QStringLiteral("SE"));
    EXPECT_EQ(text("hd"), QStringLiteral("135.0\u00b0"));
    EXPECT_EQ(text("xLabel"), QStringLiteral("3.0"));
    EXPECT_EQ(text("zLabel"), QStringLiteral("12.0"));
    EXPECT_TRUE(text("n1").isEmpty());
    EXPECT_TRUE(text("p24").isEmpty());

    // The switch starts on magnetic north; turning it off chooses true north.
    auto* engkey = onCompass<QCheckBox>("engkey");
    ASSERT_TRUE(engkey->isChecked());
    QTest::mouseClick(engkey, Qt::LeftButton, {}, QPoint(20, engkey->height() / 2));  // the knob
    EXPECT_EQ(compass::sw, 1);
    QTRY_COMPARE(openAlerts().size(), std::size_t{1});
    EXPECT_EQ(openAlerts().front()->windowTitle(), QStringLiteral("Compass Status"));
    EXPECT_EQ(openAlerts().front()->text(), QStringLiteral("True North Enabled"));
    openAlerts().front()->close();
    EXPECT_EQ(text("hd"), QStringLiteral("135.0\u00b0"));  // until the next reading
    reading(0.0, 0.0, 0.0, 10.0, 200.0);
    EXPECT_EQ(text("hd"), QStringLiteral("200.0\u00b0"));
    EXPECT_EQ(text("magnitudeLabel"), QStringLiteral("S"));

    closeWithDone();
    QTRY_VERIFY(first.expired());  // once the fade-out has finished
    EXPECT_FALSE(meter->modalViewController());
    EXPECT_EQ(service.listenerCount(), 1u);
    reading(1.0, 2.0, 2.0, 45.0);
    EXPECT_EQ(meter->magnitudeLabel()->text(), "3.0");

    // A new screen, still on true north.
    std::weak_ptr<CompassViewController> second = open();
    ASSERT_FALSE(second.expired());
    EXPECT_FALSE(onCompass<QCheckBox>("engkey")->isChecked());  // shows true north in force
    reading(0.0, 0.0, 0.0, 10.0, 300.0);
    EXPECT_EQ(text("hd"), QStringLiteral("300.0\u00b0"));
    EXPECT_EQ(text("magnitudeLabel"), QStringLiteral("NW"));
    closeWithDone();
    QTRY_VERIFY(second.expired());
    EXPECT_EQ(service.listenerCount(), 1u);
}

// True north on a live sensor: unknown ("--.-°", no point, the dial where it was) until the
// device knows where it is, then the magnetic heading plus the model's declination there.
TEST_F(QtCompassTest, TrueNorthIsUnknownWithoutALocationAndTheModelsWithOne) {
    heading::TrueNorthStage trueNorth(
        [] { return platform::qt::loadFieldModel(QStringLiteral(FLUXPROBE_FIELD_MODEL_DIR)); },
        std::nullopt, {});
    launch();
    layRoad({.trueNorth = &trueNorth});
    open();
    QTRY_VERIFY(root->graphicsEffect() == nullptr);  // faded in
    compass::sw = 1;
    reading(0.0, 0.0, 0.0, 100.0, 130.0);
    auto* dial = onCompass<QWidget>("iv");
    const QPixmap turned = dial->grab();
    reading(0.0, 0.0, 0.0, 100.0);  // no true heading
    EXPECT_EQ(text("hd"), QStringLiteral("--.-\u00b0"));
    EXPECT_EQ(text("magnitudeLabel"), QString());
    EXPECT_EQ(dial->grab().toImage(), turned.toImage());

    // The location service answers.
    auto locator = std::make_unique<FakeSource>();
    FakeSource* fake = locator.get();
    platform::qt::PositionWatcher watcher(
        std::move(locator), [&trueNorth](const heading::Location& l) { trueNorth.locate(l); });
    watcher.start();
    const heading::Location sydney{-33.87, 151.21, 0.0};
    fake->tell(sydney.latitude, sydney.longitude);
    reading(0.0, 0.0, 0.0, 200.0);
    const double declination =
        heading::GeographicFieldModel(FLUXPROBE_FIELD_MODEL_DIR)
            .evaluate(sydney, heading::decimalYear(std::chrono::system_clock::now()))
            .declination;
    const float shown = static_cast<float>(heading::normalizeDegrees(200.0 + declination));
    EXPECT_EQ(text("hd"), QString::asprintf("%.1f\u00b0", static_cast<double>(shown)));
    EXPECT_EQ(text("magnitudeLabel"), QStringLiteral("SW"));  // about 213 degrees
    closeWithDone();
}

TEST(TurnThreshold, ATurnIsDrawnOnceItMovesAPixelByHalfAPixel) {
    using platform::AffineTransform;
    using platform::makeRotation;
    using platform::qt::turnMovesLessThanHalfAPixel;
    const double degree = std::acos(-1.0) / 180.0;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        AffineTransform drawn, now;
        double radius, ratio;
        bool unseen;
    };
    const Case cases[] = {
        {makeRotation(1.0f), makeRotation(1.0f), 99, 1, true},
        {makeRotation(0.0f), makeRotation(float(0.2 * degree)), 99, 1, true},   // 0.35 px
        {makeRotation(0.0f), makeRotation(float(0.3 * degree)), 99, 1, false},  // 0.52 px
        {makeRotation(0.0f), makeRotation(float(-0.3 * degree)), 99, 1, false},
        {makeRotation(0.0f), makeRotation(float(0.2 * degree)), 99, 2, false},   // 0.7 device px
        {makeRotation(0.0f), makeRotation(float(0.2 * degree)), 283, 1, false},  // more reach
        {makeRotation(0.0f), makeRotation(float(0.3 * degree)), 70, 1, true},    // ink nearer
        {makeRotation(3.0f), makeRotation(float(3.0 + 0.1 * degree)), 99, 1, true},
        {AffineTransform{}, AffineTransform{1.01f, 0, 0, 1.01f, 0, 0}, 99, 1, false},  // grows
        {AffineTransform{}, AffineTransform{1, 0, 0, 0.99f, 0, 0}, 99, 1, false},      // squeezed
        {AffineTransform{}, AffineTransform{1, 0, 0, 1, 30, -20}, 99, 1, true},        // moved only
        {AffineTransform{}, AffineTransform{nan, 0, 0, 1, 0, 0}, 99, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(turnMovesLessThanHalfAPixel(c.drawn, c.now, c.radius, c.ratio), c.unseen)
            << c.now.a << " " << c.now.b << " radius " << c.radius << " ratio " << c.ratio;
}

// Counts the paints a widget receives, and the area they cover.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;
    long area = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        ++paints;
        for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
            area += long(r.width()) * r.height();
        return false;
    }
};

TEST_F(QtCompassTest, TheDialIsRedrawnOnlyForTurnsThatShow) {
    launch();
    open();
    auto* iv = onCompass<QLabel>("iv");
    ASSERT_NE(iv, nullptr);
    QTRY_VERIFY(root->graphicsEffect() == nullptr);
    reading(20.0, 20.0, -30.0, 10.0);
    const QRect placed = iv->geometry();
    PaintCounter counter(iv);
    // The 140-pixel dial's ink reaches about 70 pixels out: 0.2 degrees moves it about a quarter
    // of a pixel, which is not drawn, however many small steps it comes in.
    for (int i = 1; i <= 10; ++i) reading(20.0, 20.0, -30.0, 10.0 + 0.02 * i);
    EXPECT_EQ(counter.paints, 0);
    if (iv->geometry() == placed) {
        // Small steps add up against the turn last drawn: 0.6 degrees in all shows.
        reading(20.0, 20.0, -30.0, 10.6);
        EXPECT_GE(counter.paints, 1) << "the dial fell behind the heading";
    }
    const int before = counter.paints;
    reading(20.0, 20.0, -30.0, 90.0);
    EXPECT_GE(counter.paints, before + 1);
    EXPECT_EQ(iv->geometry(), placed);  // laid out on the scale, the rose turns in its place
}

TEST_F(QtCompassTest, ATurnOfTheDialRepaintsOnlyWhereItsInkSweeps) {
    launch();
    open();
    auto* iv = onCompass<platform::qt::TurningPicture>("iv");
    ASSERT_NE(iv, nullptr);
    QTRY_VERIFY(root->isVisible() && root->graphicsEffect() == nullptr);
    reading(20.0, 20.0, -30.0, 10.0);

    PaintCounter dial(iv);
    // The rose keeps its place on the scale, painting the scale beneath it itself, so nothing
    // else is painted beneath it; a turn repaints the bands where its ink was and is, less than
    // the circle it reaches, leaving nothing behind however many turns come between frames.
    const QRect box = iv->geometry();
    for (int i = 0; i < 60; ++i) {
        reading(20.0, 20.0, -30.0, 100.0 + 4.7 * i);
        if (i % 7 == 0) QTest::qWait(20);
    }
    QTest::qWait(20);
    reading(20.0, 20.0, -30.0, 62.0);  // 45 degrees on: the old tips lie outside the new reach
    EXPECT_EQ(iv->geometry(), box);
    EXPECT_GE(dial.paints, 4);
    EXPECT_TRUE(iv->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_LT(iv->inkRadius(), box.width() / 2.0 + 1.0);
    EXPECT_LT(dial.area / std::max(dial.paints, 1), 3.0 * iv->inkRadius() * iv->inkRadius());
    const QImage onScreen = window->screen()
                                ->grabWindow(window->winId())
                                .toImage()
                                .copy(QRect(iv->mapTo(window, QPoint(0, 0)), iv->size()));
    const QImage fresh = window->grab(QRect(iv->mapTo(window, QPoint(0, 0)), iv->size())).toImage();
    EXPECT_LE(largestDifference(onScreen, fresh), 16);
    closeWithDone();
}

// A readout on the face paints what lies beneath it itself, though the face takes its colour
// from the screen: a new value repaints the readout, not the face and the screen under it.
TEST_F(QtCompassTest, ANewValueRepaintsTheReadoutAlone) {
    launch();
    open();
    QTRY_VERIFY(root->isVisible() && root->graphicsEffect() == nullptr);
    reading(20.0, 20.0, -30.0, 10.0);
    auto* label = onCompass<QWidget>("xLabel");
    PaintCounter beneath(label->parentWidget()), readout(label);
    // A new digit repaints where the glyphs that differ were and are, not the whole readout,
    // leaving nothing of a longer value behind.
    for (double x : {21.0, 21.8, 24.0, 24.8, 4.8}) {
        reading(x, 20.0, -30.0, 10.0);
        QTest::qWait(20);
    }
    EXPECT_GE(readout.paints, 4);
    EXPECT_EQ(beneath.paints, 0);
    EXPECT_LT(readout.area / readout.paints, label->width() * label->height() / 2);
    const QRect box(label->mapTo(window, QPoint(0, 0)), label->size());
    const QImage onScreen = window->screen()->grabWindow(window->winId()).toImage().copy(box);
    EXPECT_LE(largestDifference(onScreen, window->grab(box).toImage()), 16);
    closeWithDone();
}

// A readout paints over a picture of its panel, so while the screen fades in that picture must
// not be drawn through the fade a second time: its edge matches the panel beside it, mid-fade
// and faded in.
TEST_F(QtCompassTest, AReadoutMatchesItsPanelWhileTheScreenFades) {
    launch();
    reading(20.0, 20.0, -30.0, 10.0);
    open();
    auto* hd = onCompass<platform::qt::ReadoutLabel>("hd");
    ASSERT_NE(hd, nullptr);
    for (const bool fading : {true, false}) {
        if (fading) {
            QTest::qWait(platform::qt::QtPlatform::kFadeMilliseconds / 3);
            ASSERT_NE(root->graphicsEffect(), nullptr);
        } else {
            QTRY_VERIFY(root->graphicsEffect() == nullptr);
        }
        reading(20.0, 20.0, -30.0, fading ? 20.0 : 30.0);
        QTest::qWait(30);
        const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
        const QPoint edge = hd->mapTo(window, QPoint(0, 1));
        const QRgb inside = shown.pixel(edge), beside = shown.pixel(edge - QPoint(1, 0));
        EXPECT_LE(std::abs(qGray(inside) - qGray(beside)), 6)
            << (fading ? "mid-fade" : "faded in") << ": " << std::hex << inside << " beside "
            << beside;
    }
    closeWithDone();
}

TEST_F(QtCompassTest, TheDialTurnsAboutItsCentre) {
    launch();
    std::weak_ptr<CompassViewController> screen = open();
    auto* iv = onCompass<QLabel>("iv");
    ASSERT_NE(iv, nullptr);
    QTRY_VERIFY(iv->isVisible());
    const QPoint centre = iv->geometry().center();
    reading(20.0, 20.0, -30.0, 45.0);
    // Turned by 45 degrees, the rose turns inside its place, centred where it was.
    EXPECT_EQ(iv->size(), QSize(140, 140));
    EXPECT_LE((iv->geometry().center() - centre).manhattanLength(), 2);

    // For people: FLUXPROBE_SCREENSHOT_DIR=docs keeps a picture of the compass in use.
    const QString dir = qEnvironmentVariable("FLUXPROBE_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QTRY_VERIFY(root->graphicsEffect() == nullptr);  // faded in completely
        for (int i = 0; i < 150; ++i) {
            const double t = i / 150.0;
            reading(-18.0 + 6.0 * std::sin(6.0 * t), 27.5 + 4.0 * std::cos(5.0 * t),
                    -38.4 + 3.0 * std::sin(9.0 * t), 40.0 + 200.0 * t * t);
        }
        reading(-18.2, 27.9, -38.4, 238.6);
        settle();
        EXPECT_TRUE(window->grab().save(QDir(dir).filePath(QStringLiteral("compass.png")), "PNG"));
    }
    closeWithDone();
    QTRY_VERIFY(screen.expired());
}

TEST_F(QtCompassTest, CoversTheMeterAtAnySizeWithoutLayingItOutAgain) {
    launch();
    open();
    QTRY_VERIFY(root->isVisible() && root->graphicsEffect() == nullptr);  // faded in
    auto* meterRoot = window->findChild<QWidget*>(QStringLiteral("FluxprobeViewController"));
    ASSERT_NE(meterRoot, nullptr);
    const QSize start = window->size();
    for (QSize size : {start + QSize(60, 40), start - QSize(20, 30), start}) {
        window->resize(size);
        settle();
        EXPECT_EQ(root->geometry(), meterRoot->rect()) << size.width() << "x" << size.height();
    }

    // New texts on the compass lay out the compass, not the meter under it nor the window.
    platform::qt::FrameClock clock(nullptr, 1000);
    LayoutRequests meterLayouts;
    meterRoot->installEventFilter(&meterLayouts);
    for (double heading : {10.0, 123.4, 359.9}) {
        reading(1.5, -200.25, 3.0, heading);
        clock.flush();
        settle();
    }
    EXPECT_EQ(text("hd"), QStringLiteral("359.9\u00b0"));
    EXPECT_EQ(meterLayouts.count, 0);
    meterRoot->removeEventFilter(&meterLayouts);
    closeWithDone();
}

}  // namespace
}  // namespace fluxprobe_qt_test
