#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QLabel>
#include <QWidget>

#include "platform/qt/widgets/ReadoutText.h"

namespace {

using platform::qt::makeReadoutAwareLayout;
using platform::qt::setReadoutText;

// A readout gets the room its text needs, however many characters the texts before it had, and a
// text that fits what it has changes it in place.
TEST(ReadoutText, EveryTextGetsTheRoomItNeedsAndOnlyThatLaysOut) {
    struct Case {
        const char* before;
        const char* after;
        bool inPlace;
    };
    for (const Case& c : {Case{"NE", "SW", false}, Case{"-88.8", "1.0", true},
                          Case{"N", "NW", false}, Case{"12.5", "12.4", true}}) {
        QWidget window;
        auto* layout = static_cast<QBoxLayout*>(
            makeReadoutAwareLayout(QStringLiteral("QHBoxLayout"), &window));
        auto* label = new QLabel;  // owned by the window
        label->setFont(QFont(QStringLiteral("DejaVu Sans"), 30));
        layout->addWidget(label);
        layout->addStretch();
        window.show();
        setReadoutText(*label, QString::fromLatin1(c.before));
        layout->activate();
        const int before = label->width();
        setReadoutText(*label, QString::fromLatin1(c.after));
        layout->activate();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << c.before << " then " << c.after;
        if (c.inPlace) {
            EXPECT_EQ(label->width(), before) << c.before << " then " << c.after;
        }
    }
}

}  // namespace
