#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <limits>
#include <set>
#include <thread>

#include "QtMeterFixture.h"
#include "qt/widgets/NoSensorHint.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/WrapAtSpaces.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::QtPlatform;

TEST_F(QtMeterTest, StartUpShowsTheMeterInItsWindow) {
    launch();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "fluxprobe");
    auto* screen = widget<platform::qt::ScreenWidget>("FluxprobeViewController");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->owner(), meter);
    for (const char* name : {"magnitudeLabel", "xLabel", "yLabel", "zLabel", "fluxprobeview"})
        EXPECT_TRUE(widget<QWidget>(name)->isVisible()) << name;
    EXPECT_FALSE(widget<QWidget>("wavesview")->isVisible());
    EXPECT_EQ(window->findChild<QLabel*>("noSensorHint"), nullptr);
    EXPECT_EQ(meter->mySlider()->value(), 40.0f);
    EXPECT_EQ(meter->mySlider()->maximumValue(), 200.0f);
    EXPECT_EQ(service.listenerCount(), 1u);
}

TEST_F(QtMeterTest, SamplesSetTheReadoutsAndTheWavesAsTheScreenSays) {
    launch();
    struct Case {
        int slider;
        double x, y, z;
        const char *xText, *magnitude;
        bool waves;
    };
    const Case cases[] = {
        {40, 3, 4, 12, "X \u00b5T:3.0", "13.0", false},
        {40, 0, 0, 100, "X \u00b5T:0.0", "100.0", false},  // equal to the threshold: no alarm
        {40, 0, 0, 100.1, "X \u00b5T:0.0", "100.1", true},
        {40, -0.04, 0, 0, "X \u00b5T:-0.0", "0.0", false},
        {0, 0, 0, 70, "X \u00b5T:0.0", "70.0", true},  // the slider moved by the user
        {200, 0, 150, 200, "X \u00b5T:0.0", "250.0", false},
    };
    auto* slider = widget<QSlider>("mySlider");
    for (const Case& c : cases) {
        slider->setValue(c.slider);
        deliver(c.x, c.y, c.z);
        settle();
        EXPECT_EQ(widget<platform::qt::ReadoutLabel>("xLabel")->text().toStdString(), c.xText);
        EXPECT_EQ(widget<platform::qt::ReadoutLabel>("magnitudeLabel")->text().toStdString(),
                  c.magnitude);
        EXPECT_EQ(widget<QWidget>("wavesview")->isVisible(), c.waves) << c.magnitude;
    }
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("yLabel")->text(),
              QString::fromUtf8("Y \u00b5T:150.0"));
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("zLabel")->text(),
              QString::fromUtf8("Z \u00b5T:200.0"));
    // Hiding and showing the waves leaves the rest of the layout where it was.
    EXPECT_GT(widget<QWidget>("titleLabel")->width(), 0);
}

TEST_F(QtMeterTest, TheReadoutFontIsTheSevenSegmentFace) {
    launch();
    deliver(1, 2, 3);
    settle();
    const QFont font = widget<platform::qt::ReadoutLabel>("magnitudeLabel")->font();
    EXPECT_EQ(QFontInfo(font).family(), "DSEG7 Classic");
    EXPECT_EQ(font.pixelSize(), 20);
}

TEST_F(QtMeterTest, SamplesPostedFromAnotherThreadArriveInOrderOnTheLoop) {
    launch();
    std::thread reader([this] {
        for (int i = 1; i <= 50; ++i) platform->post([this, i] { deliver(i, 0, 0); });
    });
    reader.join();
    EXPECT_EQ(service.samplesDelivered(), 0u);  // nothing runs until the loop does
    settle();
    EXPECT_EQ(service.samplesDelivered(), 50u);
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("xLabel")->text(),
              QString::fromUtf8("X \u00b5T:50.0"));
}

TEST_F(QtMeterTest, TheGraphPlotsAtTheSizeTheLayoutGivesIt) {
    launch();
    auto* host = widget<platform::qt::PlotWidget>("graphView");
    auto graph = meter->graphView();
    EXPECT_EQ(graph->bounds().size.width, host->width());
    EXPECT_EQ(graph->bounds().size.height, host->height());
    window->resize(480, 720);
    settle();
    EXPECT_GT(host->width(), 400);
    EXPECT_EQ(graph->bounds().size.width, host->width());
    EXPECT_EQ(graph->bounds().size.height, host->height());
}

TEST_F(QtMeterTest, ManySamplesBetweenTwoPaintsCostOnePaint) {
    launch();
    const long before = QtPlatform::paintsOf(*meter->graphView());
    EXPECT_GE(before, 1);
    for (int i = 0; i < 1000; ++i) deliver(i % 50, -(i % 30), 10);
    settle();
    const long paints = QtPlatform::paintsOf(*meter->graphView()) - before;
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, 2);
    EXPECT_FALSE(meter->graphView()->needsDisplay());
}

TEST_F(QtMeterTest, SamplesOfAnySizeAreShownAndPlottedWithoutHarm) {
    launch();
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double extremes[][3] = {{1e300, -1e300, 0}, {nan, 1, 2}, {inf, -inf, 1e30}, {5, 5, 5}};
    for (int round = 0; round < 40; ++round)
        for (const auto& s : extremes) deliver(s[0], s[1], s[2]);
    settle();
    const QImage shot = window->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("xLabel")->text(),
              QString::fromUtf8("X \u00b5T:5.0"));
    EXPECT_GE(QtPlatform::paintsOf(*meter->graphView()), 2);
}

// Counts the pixels of the graph that are clearly red, green or blue.
struct TraceColours {
    int red = 0, green = 0, blue = 0;
    std::size_t distinct = 0;
};

TraceColours traceColours(const QImage& image, QRect area) {
    TraceColours c;
    std::set<QRgb> seen;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            seen.insert(p.rgb());
            if (p.red() > 200 && p.green() < 60 && p.blue() < 60) ++c.red;
            if (p.green() > 200 && p.red() < 60 && p.blue() < 60) ++c.green;
            if (p.blue() > 200 && p.red() < 60 && p.green() < 60) ++c.blue;
        }
    }
    c.distinct = seen.size();
    return c;
}

TEST_F(QtMeterTest, AScreenshotShowsTheThreeTracesInTheirColours) {
    launch();
    for (int i = 0; i < 150; ++i) deliver(60.0, -60.0, 5.0 * (i % 7));
    settle();
    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    auto* host = widget<QWidget>("graphView");
    const QRect area(host->mapTo(window, QPoint(0, 0)) * shot.devicePixelRatio(),
                     host->size() * shot.devicePixelRatio());
    const TraceColours c = traceColours(shot, area);
    // Each trace is two pixels wide across the whole graph.
    EXPECT_GT(c.red, area.width());
    EXPECT_GT(c.green, area.width());
    EXPECT_GT(c.blue, area.width());
    const TraceColours whole = traceColours(shot, shot.rect());
    EXPECT_GT(whole.distinct, 50u) << "the window looks blank";
    // The traces land in the graph's own place in the window, and nowhere else (red is left
    // out: the alarm's waves are red too).
    EXPECT_EQ(whole.green, c.green);
    EXPECT_EQ(whole.blue, c.blue);
}

TEST_F(QtMeterTest, WithoutAMagnetometerTheNoCompassAlertOpens) {
    launch(/*magnetometer=*/false);
    const auto alerts = openAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    QMessageBox* box = alerts[0];
    EXPECT_EQ(box->windowTitle(), "No Compass!");
    EXPECT_EQ(box->text(), "This device does not have the ability to measure magnetic fields.");
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons()[0]->text(), "OK");
    EXPECT_TRUE(window->isVisible());  // the alert does not block the loop or hide the meter
    // Nothing will be measured: every plot shows its scale only.
    const auto plots = window->findChildren<platform::qt::PlotWidget*>();
    EXPECT_FALSE(plots.isEmpty());
    for (const auto* plot : plots)
        EXPECT_TRUE(plot->showsNoData()) << plot->objectName().toStdString();
    // Under the title, the meter says what to try instead.
    auto* hint = widget<QLabel>("noSensorHint");
    const QString option = QStringLiteral("--heading-source=simulated");
    EXPECT_EQ(hint->text().replace('\n', ' '), "No magnetometer found \u2014 try " + option);
    EXPECT_TRUE(hint->isVisible());
    // Narrower than the line, it wraps between words, never inside the option.
    for (const int width : {120, 200, 260, 2000}) {
        const QStringList lines =
            platform::qt::wrapAtSpaces(QString::fromUtf8(platform::qt::NoSensorHint::kText),
                                       hint->fontMetrics(), width)
                .split('\n');
        EXPECT_TRUE(lines.contains(option) || lines.back().endsWith(" " + option)) << width;
        for (const QString& line : lines)
            EXPECT_TRUE(hint->fontMetrics().horizontalAdvance(line) <= width || line == option)
                << line.toStdString();
        EXPECT_EQ(lines.size() == 1, width == 2000);
    }
    window->resize(280, 440);
    settle();
    EXPECT_TRUE(hint->text().split('\n').contains(option) || hint->text().endsWith(" " + option))
        << hint->text().toStdString();
    auto* title = widget<QWidget>("titleLabel");
    EXPECT_GE(hint->mapTo(window, QPoint()).y(),
              title->mapTo(window, QPoint(0, title->height())).y());
    QPointer<QMessageBox> gone(box);
    box->buttons()[0]->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(service.listenerCount(), 0u);
}

}  // namespace
}  // namespace fluxprobe_qt_test

namespace fluxprobe_qt_test {
namespace {

// The interface files use Qt's own widgets and ours: no Designer plugin (nor the Qt Quick it
// would bring) is loaded with them.
TEST_F(QtMeterTest, LoadsNoDesignerPlugin) {
    launch();
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("/designer/")) << "a Designer plugin is loaded";
    EXPECT_FALSE(mapped.contains("libQt6Quick")) << "Qt Quick is loaded";
}

}  // namespace
}  // namespace fluxprobe_qt_test
