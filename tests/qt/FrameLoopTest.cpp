#include <QLabel>
#include <QTest>

#include "QtMeterFixture.h"
#include "platform/qt/widgets/FramePacer.h"
#include "platform/qt/widgets/PeerBatch.h"

namespace fluxprobe_qt_test {
namespace {

// Counts events of one type sent to the window's widgets, or to one of them.
class EventCounter : public QObject {
  public:
    EventCounter(QWidget* window, QEvent::Type type, QWidget* only = nullptr)
        : window_(window), only_(only), type_(type) {
        qApp->installEventFilter(this);
    }
    ~EventCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_)
            if (auto* w = qobject_cast<QWidget*>(watched);
                w && w->window() == window_ && (!only_ || w == only_))
                ++count;
        return false;
    }

  private:
    QWidget* window_;
    QWidget* only_;
    QEvent::Type type_;
};

// The program's frame loop: with nothing new nothing is painted, a sample's texts and graph
// land in one frame, a new readout value lays nothing out, and the graph's redraws leave its
// styled frame beneath alone.
TEST_F(QtMeterTest, FramesComeOnlyWithChangesOneASampleAndReadoutsLayNothingOut) {
    launch();
    platform::qt::FramePacer pacer(window, 5);
    platform::qt::PeerBatch batch;
    pacer.carry(batch);
    deliver(12.5, -3.25, 40.0);  // the readouts' first values may make room for themselves
    QTest::qWait(100);

    const long idle = pacer.framesPainted();
    QTest::qWait(200);
    EXPECT_EQ(pacer.framesPainted(), idle) << "a frame with nothing new";

    EventCounter layouts(window, QEvent::LayoutRequest);
    EventCounter beneathGraph(window, QEvent::Paint, widget<QWidget>("graphView"));
    constexpr int kSamples = 20;
    for (int i = 1; i <= kSamples; ++i) {
        deliver(10.0 + i * 0.1, -3.0 - i * 0.1, 41.0 + i * 0.1);
        QTest::qWait(15);
    }
    QTest::qWait(50);
    const long frames = pacer.framesPainted() - idle;
    EXPECT_GE(frames, 1);
    EXPECT_LE(frames, kSamples) << "a sample's changes were spread over two frames";
    EXPECT_EQ(layouts.count, 0);
    EXPECT_EQ(beneathGraph.count, 0);
    EXPECT_EQ(widget<QLabel>("xLabel")->text(), QString::fromUtf8("X \u00b5T:12.0"));
    EXPECT_EQ(widget<QLabel>("zLabel")->text(), QString::fromUtf8("Z \u00b5T:43.0"));
}

}  // namespace
}  // namespace fluxprobe_qt_test
