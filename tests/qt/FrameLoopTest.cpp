#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <cmath>

#include "QtMeterFixture.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/ReadoutLabel.h"

namespace fluxprobe_qt_test {
namespace {

// Counts events of one type sent to the window's widgets, or to one of them; paints only where
// they reach into within (in that widget's coordinates), when given.
class EventCounter : public QObject {
  public:
    EventCounter(QWidget* window, QEvent::Type type, QWidget* only = nullptr, QRect within = {})
        : window_(window), only_(only), type_(type), within_(within) {
        qApp->installEventFilter(this);
    }
    ~EventCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_)
            if (auto* w = qobject_cast<QWidget*>(watched);
                w && w->window() == window_ && (!only_ || w == only_) &&
                (within_.isEmpty() ||
                 static_cast<QPaintEvent*>(event)->region().intersects(within_)))
                ++count;
        return false;
    }

  private:
    QWidget* window_;
    QWidget* only_;
    QEvent::Type type_;
    QRect within_;
};

// Counts the paints of one widget and the area they covered.
class RegionCounter : public QObject {
  public:
    explicit RegionCounter(QWidget* widget) : widget_(widget) { widget->installEventFilter(this); }
    ~RegionCounter() override { widget_->removeEventFilter(this); }
    int paints = 0;
    long area = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area += long(r.width()) * r.height();
        }
        return false;
    }

  private:
    QWidget* widget_;
};

// The program's frame loop: with nothing new nothing is painted, a sample's texts and graph
// land in one frame, a new readout value lays nothing out, and the redraws of the graph and of
// the readouts leave the styled frames beneath them alone.
TEST_F(QtMeterTest, FramesComeOnlyWithChangesOneASampleAndReadoutsLayNothingOut) {
    launch();
    platform::qt::FrameClock clock(window, 5);
    deliver(12.5, -3.25, 40.0);  // the readouts' first values may make room for themselves
    QTest::qWait(100);

    const long idle = clock.frames();
    QTest::qWait(200);
    EXPECT_EQ(clock.frames(), idle) << "a frame with nothing new";

    EventCounter layouts(window, QEvent::LayoutRequest);
    // The dial turns over the screen's background; the graph and the readouts lie beside it.
    auto* screen = widget<QWidget>("FluxprobeViewController");
    auto* graph = widget<QWidget>("graphView");
    EventCounter beneathGraph(window, QEvent::Paint, screen,
                              QRect(graph->mapTo(screen, QPoint(0, 0)), graph->size()));
    EventCounter beneathReadout(window, QEvent::Paint, widget<QWidget>("lcdPanel"));
    constexpr int kSamples = 20;
    for (int i = 1; i <= kSamples; ++i) {
        deliver(10.0 + i * 0.1, -3.0 - i * 0.1, 41.0 + i * 0.1);
        QTest::qWait(15);
    }
    QTest::qWait(50);
    const long frames = clock.frames() - idle;
    EXPECT_GE(frames, 1);
    EXPECT_LE(frames, kSamples) << "a sample's changes were spread over two frames";
    EXPECT_EQ(layouts.count, 0);
    EXPECT_EQ(beneathGraph.count, 0);
    EXPECT_EQ(beneathReadout.count, 0) << "a new value repainted the panel beneath it";
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("xLabel")->text(),
              QString::fromUtf8("X \u00b5T:12.0"));
    EXPECT_EQ(widget<platform::qt::ReadoutLabel>("zLabel")->text(),
              QString::fromUtf8("Z \u00b5T:43.0"));
}

// The graph repaints the bands its traces cross, not the whole plot, and what the screen then
// shows is what a whole redraw would show: no trace left behind where it moved away from.
TEST_F(QtMeterTest, TheGraphRepaintsWhereItsTracesAreAndLeavesNothingBehind) {
    launch();
    platform::qt::FrameClock clock(window, 5);
    auto* host = widget<QWidget>("graphView");
    const long hostArea = long(host->width()) * host->height();

    struct Step {
        const char* what;
        double amplitude;  // µT the traces swing by
        double maxShare;   // of the plot a frame may repaint
    };
    for (const Step& step :
         {Step{"a swing over most of the plot", 110.0, 1.0},
          Step{"a still field after it", 0.0, 1.0}, Step{"a still field", 0.0, 0.25}}) {
        RegionCounter painted(host);
        for (int i = 0; i < 160; ++i) {  // more than the graph keeps
            const double s = step.amplitude * std::sin(i * 0.1);
            deliver(s, -s / 2.0, 30.0 + s / 4.0);
            if (i % 4 == 3) QTest::qWait(8);
        }
        QTest::qWait(40);
        ASSERT_GT(painted.paints, 0) << step.what;
        EXPECT_LE(double(painted.area) / painted.paints, step.maxShare * double(hostArea))
            << step.what;
        const QImage shown = window->screen()
                                 ->grabWindow(window->winId())
                                 .toImage()
                                 .copy(QRect(host->mapTo(window, QPoint(0, 0)), host->size()))
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage whole = host->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown, whole) << step.what;
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
