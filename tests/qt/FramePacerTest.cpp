#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "qt/widgets/FramePacer.h"

namespace fluxprobe_qt_test {
namespace {

// A window that remembers what it showed at each paint.
class Canvas : public QWidget {
  public:
    int value = 0;
    int painted = -1;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override {
        painted = value;
        ++paints;
    }
};

TEST(FramePacer, ChangesFasterThanFramesPaintOncePerFrameAndTheLastIsPainted) {
    Canvas window;
    window.resize(100, 60);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    platform::qt::FramePacer pacer(&window, 20);
    const int before = window.paints;

    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 2000; ++i) {
        window.value = i;
        window.update();
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    QTest::qWait(60);

    const int paints = window.paints - before;
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, elapsed / 20 + 3) << "over " << elapsed << " ms";
    EXPECT_EQ(window.painted, 2000) << "the last change was not painted";
    EXPECT_GT(pacer.framesPutOff(), 0);
}

TEST(FramePacer, AHeldLayoutPassRunsBeforeTheFrame) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);  // owned by the window
    auto* label = new QLabel(QStringLiteral("x"));
    layout->addWidget(label);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    platform::qt::FramePacer pacer(&window, 20);

    const int widthBefore = label->width();
    for (int i = 0; i < 50; ++i) {
        label->setText(QString(i + 1, QLatin1Char('W')));
        QCoreApplication::processEvents();
    }
    QTest::qWait(60);
    EXPECT_GT(label->width(), widthBefore);
    EXPECT_GE(label->width(), label->sizeHint().width());
}

// A frame's own changes may need a layout pass (a readout grows, nested two layouts deep): it
// is done in that frame, not in a frame of its own that would hold back the next one.
TEST(FramePacer, AFramesOwnLayoutPassIsPartOfIt) {
    QWidget window;
    auto* outer = new QVBoxLayout(&window);  // owned by the window, as below
    auto* row = new QWidget;
    auto* inner = new QHBoxLayout(row);
    auto* label = new QLabel(QStringLiteral("x"));
    inner->addWidget(label);
    outer->addWidget(row);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    platform::qt::FramePacer pacer(&window, 20);
    QTest::qWait(60);

    const long before = pacer.framesPainted();
    pacer.beforeEachFrame([label] { label->setText(QStringLiteral("WWWWWWWWWWWW")); });
    pacer.requestFrame();
    QTest::qWait(100);
    EXPECT_EQ(pacer.framesPainted() - before, 1);
    EXPECT_GE(label->width(), label->sizeHint().width());
}

}  // namespace
}  // namespace fluxprobe_qt_test
