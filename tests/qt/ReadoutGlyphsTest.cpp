#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

#include "ImageDifference.h"
#include "qt/widgets/ReadoutGlyphs.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::ReadoutGlyphs;

QImage panel(QSize size, qreal ratio = 1.0) {
    return filledImage(size, ratio, QColor(182, 200, 168));
}

// Paints the label's readout without a painter, as an opaque readout does in its paint event.
class Direct : public QObject {
  public:
    Direct(QLabel& label, QImage beneath) : label_(label), beneath_(std::move(beneath)) {
        label.installEventFilter(this);
    }
    bool painted = false;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        painted = glyphs_.paintDirectly(label_, beneath_, static_cast<QPaintEvent*>(e)->region());
        return painted;
    }

  private:
    QLabel& label_;
    QImage beneath_;
    ReadoutGlyphs glyphs_;
};

// A readout drawn from kept glyphs, with a painter or straight into the pixels, looks as QLabel
// draws it; what needs a layout is left to QLabel.
TEST(ReadoutGlyphs, DrawsPlainReadoutsAsTheLabelWouldAndLeavesTheRest) {
    struct Case {
        const char* text;
        Qt::Alignment align;
        int pixels;
        bool bold;
        bool drawn;
        qreal ratio = 1.0;  // of the screen
    };
    for (const Case& c : {
             Case{"12.0\u00b0", Qt::AlignRight | Qt::AlignVCenter, 24, true, true},
             Case{"X \u00b5T:-4.2", Qt::AlignLeft | Qt::AlignVCenter, 13, false, true},
             Case{"NW", Qt::AlignCenter, 40, true, true},
             Case{"359.9\u00b0", Qt::AlignRight | Qt::AlignVCenter, 24, true, true, 2.0},
             Case{"\u2212"
                  "88.8 \u00b5T",
                  Qt::AlignLeft | Qt::AlignBottom, 17, false, true},
             Case{"<b>1</b>", Qt::AlignLeft, 13, false, false},
             Case{"\u0661\u0662", Qt::AlignLeft, 13, false, false},
             Case{"e\u0301", Qt::AlignLeft, 13, false, false},
         }) {
        SCOPED_TRACE(c.text);
        QLabel label(QString::fromUtf8(c.text));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(c.pixels);
        font.setBold(c.bold);
        label.setFont(font);
        label.setAlignment(c.align);
        label.setMargin(2);
        label.resize(label.sizeHint() + QSize(31, 17));

        QImage expected = panel(label.size(), c.ratio);
        label.render(&expected, QPoint(), QRegion(), QWidget::DrawChildren);
        QImage drawn = panel(label.size(), c.ratio);
        QPainter painter(&drawn);
        EXPECT_EQ(ReadoutGlyphs().paint(painter, label), c.drawn);
        painter.end();
        if (c.drawn)
            EXPECT_LE(largestDifference(drawn, expected), 0);
        else
            EXPECT_EQ(drawn, panel(label.size())) << "painted what it left to the label";

        // Into a larger picture, at an offset, and only inside what the paint may change.
        QImage direct = panel(label.size() + QSize(20, 10), c.ratio);
        const QRegion exposed = QRegion(label.rect()) - QRect(0, 0, 9, label.height() / 2);
        {
            Direct filter(label,
                          panel(label.size(), c.ratio).convertToFormat(QImage::Format_RGB32));
            label.render(&direct, QPoint(13, 7), exposed, QWidget::DrawChildren);
            // A label off screen has the pixel ratio 1: at another, a painter paints it.
            EXPECT_EQ(filter.painted, c.drawn && c.ratio == 1.0);
        }
        QImage shown = panel(label.size() + QSize(20, 10), c.ratio);
        label.render(&shown, QPoint(13, 7), exposed, QWidget::DrawChildren);
        EXPECT_LE(largestDifference(direct, shown), 0);
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
