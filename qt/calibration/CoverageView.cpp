#include "qt/calibration/CoverageView.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace platform::qt {

namespace {

const QColor kReached(0x5f, 0xe0, 0x7a);
const QColor kMissing(0x2a, 0x36, 0x3c);
const QColor kEdge(0x12, 0x19, 0x1d);
// The captions sit on the screen's dark panel: light enough for 4.5:1 and more.
const QColor kCaption(0xd8, 0xe2, 0xe7);

// The sector (0..7, clockwise from the top edge) of the bin direction's part along the screen.
int sectorOf(const heading::Vector3& d) {
    const double a = std::atan2(d.x, d.y) * 4.0 / std::numbers::pi;  // 0 at +y, clockwise
    return (static_cast<int>(std::lround(a)) + 8) % 8;
}

}  // namespace

CoverageView::CoverageView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 100);
    setAccessibleName(tr("Directions covered"));
}

void CoverageView::setBins(const heading::calibration::DirectionBins& bins) {
    bins_ = bins;
    update();
}

void CoverageView::paintEvent(QPaintEvent*) {
    using heading::calibration::DirectionBins;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QStringList captions{tr("front"), tr("edges"), tr("back")};
    const int captionHeight = fontMetrics().height() + 4;
    const double cell = width() / 3.0;
    const double radius = std::max(8.0, std::min(cell, height() - captionHeight - 8.0) / 2 - 6);
    for (int rosette = 0; rosette < 3; ++rosette) {
        const int level = 1 - rosette;  // z of the bins it shows: +1, 0, -1
        const QPointF centre(cell * (rosette + 0.5), (height() - captionHeight) / 2.0);
        const QRectF outer(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        const double inner = radius * 0.38;
        for (std::size_t i = 0; i < DirectionBins::kCount; ++i) {
            const heading::Vector3 d = DirectionBins::direction(i);
            const int z = d.z > 0.1 ? 1 : (d.z < -0.1 ? -1 : 0);
            if (z != level) continue;
            p.setPen(QPen(kEdge, 2));
            p.setBrush(bins_.hit(i) ? kReached : kMissing);
            if (std::fabs(d.x) < 0.1 && std::fabs(d.y) < 0.1) {  // straight out or in
                p.drawEllipse(centre, inner, inner);
                continue;
            }
            // A ring sector of 45° around the bin's direction; Qt counts anticlockwise from 3
            // o'clock.
            const double start = 90.0 - sectorOf(d) * 45.0 - 22.5;
            QPainterPath path;
            path.arcMoveTo(outer, start);
            path.arcTo(outer, start, 45.0);
            const QRectF in(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner);
            path.arcTo(in, start + 45.0, -45.0);
            path.closeSubpath();
            p.drawPath(path);
        }
        p.setPen(kCaption);
        p.drawText(QRectF(cell * rosette, centre.y() + radius + 6, cell, captionHeight),
                   Qt::AlignCenter, captions[rosette]);
    }
}

}  // namespace platform::qt
