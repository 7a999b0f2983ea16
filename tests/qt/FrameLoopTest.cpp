#include <QLabel>
#include <QTest>

#include "QtMeterFixture.h"
#include "platform/qt/widgets/FramePacer.h"
#include "platform/qt/widgets/PeerBatch.h"

namespace fluxprobe_qt_test {
namespace {

// Counts the layout passes asked of the window's widgets.
class LayoutRequests : public QObject {
  public:
    explicit LayoutRequests(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~LayoutRequests() override { qApp->removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest)
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() == window_) ++count;
        return false;
    }

  private:
    QWidget* window_;
};

// The program's frame loop: with nothing new nothing is painted, a sample's texts and graph
// land in one frame, and a new readout value lays nothing out.
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

    LayoutRequests layouts(window);
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
    EXPECT_EQ(widget<QLabel>("xLabel")->text(), QString::fromUtf8("X \u00b5T:12.0"));
    EXPECT_EQ(widget<QLabel>("zLabel")->text(), QString::fromUtf8("Z \u00b5T:43.0"));
}

}  // namespace
}  // namespace fluxprobe_qt_test
