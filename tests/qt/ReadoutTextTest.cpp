#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QLabel>
#include <QWidget>

#include "LayoutRequests.h"
#include "qt/widgets/ReadoutText.h"

namespace {

using fluxprobe_qt_test::LayoutRequests;
using platform::qt::makeReadoutAwareLayout;
using platform::qt::setReadoutText;

// A readout gets the room its text needs, however many characters the texts before it had; a
// text that fits what it has, or is as wide as one it had, changes it in place; a smaller font
// gives the room back.
TEST(ReadoutText, EveryTextGetsTheRoomItNeedsAndOnlyThatLaysOut) {
    struct Case {
        const char* before;
        const char* after;
        bool inPlace;
    };
    for (const Case& c :
         {Case{"NE", "SW", false}, Case{"-88.8", "1.0", true}, Case{"N", "NW", false},
          Case{"12.5", "12.4", true}, Case{"23.9\u00b0", "24.0\u00b0", true}}) {
        QWidget window;
        auto* layout = static_cast<QBoxLayout*>(
            makeReadoutAwareLayout(QStringLiteral("QHBoxLayout"), &window));
        auto* label = new QLabel;  // owned by the window
        platform::qt::ReadoutRoom room;
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(24);
        font.setBold(true);
        label->setFont(font);
        layout->addWidget(label);
        layout->addStretch();
        window.show();
        setReadoutText(*label, QString::fromUtf8(c.before), room);
        layout->activate();
        const int before = label->width();
        QCoreApplication::sendPostedEvents(&window, QEvent::LayoutRequest);
        LayoutRequests requests;
        window.installEventFilter(&requests);
        setReadoutText(*label, QString::fromUtf8(c.after), room);
        QCoreApplication::sendPostedEvents(&window, QEvent::LayoutRequest);
        EXPECT_EQ(requests.count == 0, c.inPlace) << c.before << " then " << c.after;
        layout->activate();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << c.before << " then " << c.after;
        if (c.inPlace) {
            EXPECT_EQ(label->width(), before) << c.before << " then " << c.after;
        }
        font.setPixelSize(8);
        label->setFont(font);
        setReadoutText(*label, QStringLiteral("W"), room);
        layout->activate();
        EXPECT_LT(label->width(), before / 2) << c.before << " then " << c.after;
    }
}

}  // namespace
