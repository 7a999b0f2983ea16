#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>

#include "ImageDifference.h"
#include "platform/qt/widgets/ReadoutGlyphs.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::ReadoutGlyphs;

QImage panel(QSize size, qreal ratio = 1.0) {
    return filledImage(size, ratio, QColor(182, 200, 168));
}

// A readout drawn from kept glyphs looks as QLabel draws it; what needs a layout is left to
// QLabel.
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
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
