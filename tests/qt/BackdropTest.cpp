#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <functional>

#include "ImageDifference.h"
#include "qt/widgets/Backdrop.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::Backdrop;

// A styled screen with a framed face, a picture and a label partly under an opaque widget.
struct Scene {
    Scene() {
        window.resize(240, 200);
        window.setStyleSheet(
            "#face { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #b6c8a8, "
            "stop:1 #203040); border: 3px solid #05080a; border-radius: 12px; }"
            "QLabel { color: #ff5a4f; font-size: 14px; font-weight: bold; }"
            "#picture { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, "
            "stop:0 #ffb000, stop:1 transparent); }");
        face->setObjectName("face");
        face->setGeometry(10, 10, 220, 180);
        picture->setObjectName("picture");
        picture->setGeometry(30, 20, 120, 120);
        marker->setGeometry(70, 14, 40, 24);
        marker->setAlignment(Qt::AlignCenter);
        opaque->setAttribute(Qt::WA_OpaquePaintEvent);
        opaque->setGeometry(35, 25, 90, 90);
        window.show();
        QApplication::processEvents();
    }

    // What the window shows where the opaque widget is, with the widget hidden.
    QImage truth() {
        opaque->hide();
        const QImage image =
            window.grab(QRect(opaque->mapTo(&window, QPoint(0, 0)), opaque->size())).toImage();
        opaque->show();
        return image;
    }

    QWidget window;
    QFrame* face = new QFrame(&window);
    QLabel* picture = new QLabel(face);
    QLabel* marker = new QLabel(QStringLiteral("N"), face);
    QWidget* opaque = new QWidget(face);
    Backdrop* backdrop = new Backdrop(opaque);
};

TEST(Backdrop, ShowsWhatLiesBeneathAndFollowsItsChanges) {
    Scene scene;
    const struct {
        const char* what;
        std::function<void(Scene&)> change;
    } changes[] = {
        {"as shown", [](Scene&) {}},
        {"new text",
         [](Scene& s) { s.marker->setText("NNW"), Backdrop::contentChanged(s.marker); }},
        {"moved", [](Scene& s) { s.opaque->move(60, 40); }},
        {"marker moved", [](Scene& s) { s.marker->move(100, 50); }},
        {"picture hidden", [](Scene& s) { s.picture->hide(); }},
        {"style", [](Scene& s) { s.marker->setStyleSheet("color: #5fe07a;"); }},
        {"resized", [](Scene& s) { s.opaque->resize(150, 140); }},
        {"frame resized", [](Scene& s) { s.face->resize(200, 150); }},
        {"marker under", [](Scene& s) { s.marker->stackUnder(s.picture); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        scene.backdrop->beneath();  // drawn before the change
        c.change(scene);
        QApplication::processEvents();
        const QImage shown = scene.backdrop->beneath();  // before truth() hides the widget
        EXPECT_LE(largestDifference(shown, scene.truth()), 1);
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
