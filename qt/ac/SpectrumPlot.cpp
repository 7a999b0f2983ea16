#include "qt/ac/SpectrumPlot.h"

#include <QPainter>
#include <QPixmapCache>
#include <algorithm>
#include <cmath>

#include "instrument/Spectrum.h"
#include "qt/drawing/PainterContext.h"

namespace platform::qt {

namespace {

constexpr int kFontPixels = 10;
constexpr int kLowestDecade = -4;  // the top of the scale never goes below 10^-4 µT
constexpr int kHighestDecade = 4;
constexpr double kMainsHz[] = {50.0, 60.0};

const QColor kBackground(0x0b, 0x11, 0x14);
const QColor kGrid(0x1d, 0x27, 0x2d);
const QColor kText(0x8f, 0xa3, 0xad);

// The colours of the meter's axis readouts, and the amber of its alarm for the vector.
constexpr float kTraceColours[4][3] = {
    {1.0f, 0.42f, 0.38f}, {0.37f, 0.88f, 0.48f}, {0.44f, 0.66f, 1.0f}, {1.0f, 0.69f, 0.0f}};

QFont labelFont() {
    QFont font;
    font.setPixelSize(kFontPixels);
    return font;
}

// A step of 1, 2 or 5 times a power of ten that puts about five labels on span.
double niceStep(double span) {
    const double raw = span / 5.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / magnitude;
    return magnitude * (m < 1.5 ? 1.0 : m < 3.5 ? 2.0 : m < 7.5 ? 5.0 : 10.0);
}

// Plain numbers where they are short, powers of ten beyond.
QString decadeLabel(int decade) {
    if (decade < -4 || decade > 5) return QStringLiteral("1e%1").arg(decade);
    return QString::number(std::pow(10.0, decade), 'f', std::max(0, -decade));
}

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("spectrumPlot"));
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
    setAccessibleName(tr("Spectrum"));
    setAccessibleDescription(
        tr("Magnitude of the field against frequency, for x, y, z and the vector, on a "
           "logarithmic scale; 50 and 60 Hz are marked"));
    setFont(labelFont());
}

void SpectrumPlot::setUnit(instrument::Unit unit) {
    if (unit == unit_) return;
    unit_ = unit;
    update();
}

void SpectrumPlot::setSpectrum(const instrument::Spectrum& spectrum) {
    if (!spectrum.ready()) {
        hz_.clear();
        for (auto& trace : traces_) trace.clear();
        update();
        return;
    }
    hz_ = spectrum.hz;
    nyquist_ = spectrum.hz.back();
    for (std::size_t a = 0; a < 3; ++a) traces_[a] = spectrum.axes[a];
    traces_[3].resize(hz_.size());
    double highest = 0.0;
    for (std::size_t k = 0; k < hz_.size(); ++k) {
        traces_[3][k] = spectrum.total(k);
        highest = std::max(highest, traces_[3][k]);
    }
    // The scale follows the strongest bin, but not back and forth across one decade's edge.
    if (highest > 0.0) {
        const int needed = static_cast<int>(std::ceil(std::log10(highest)));
        if (needed > topDecade_ || needed <= topDecade_ - 2)
            topDecade_ = std::clamp(needed, kLowestDecade, kHighestDecade);
    }
    update();
}

QRectF SpectrumPlot::plotArea() const {
    const QFontMetrics metrics(font());
    const double left = metrics.horizontalAdvance(QStringLiteral("0.0001")) + 6.0;
    const double top = 1.5 * metrics.height() + 2.0;  // the unit and the mains labels above
    const double bottom = metrics.height() + 4.0;
    return QRectF(left, top, std::max(1.0, width() - left - 4.0),
                  std::max(1.0, height() - top - bottom));
}

QPixmap SpectrumPlot::scale() const {
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("fluxprobe-spectrum-scale/%1x%2@%3/%4/%5/%6")
                            .arg(width())
                            .arg(height())
                            .arg(ratio)
                            .arg(topDecade_)
                            .arg(nyquist_)
                            .arg(static_cast<int>(unit_));
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) return picture;

    picture = QPixmap(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(kBackground);
    QPainter painter(&picture);
    painter.setFont(font());
    const QRectF area = plotArea();
    const QFontMetrics metrics(font());
    {
        PainterContext context(painter);
        context.setAllowsAntialiasing(false);
        context.setLineWidth(1.0f);
        context.setRGBStrokeColor(kGrid.redF(), kGrid.greenF(), kGrid.blueF(), 1.0f);
        context.beginPath();
        for (int d = 0; d <= kDecades; ++d) {
            const float y =
                static_cast<float>(std::round(area.top() + d * area.height() / kDecades) + 0.5);
            context.moveToPoint(static_cast<float>(area.left()), y);
            context.addLineToPoint(static_cast<float>(area.right()), y);
        }
        if (nyquist_ > 0.0) {
            const double step = niceStep(nyquist_);
            for (double f = 0.0; f <= nyquist_ + 1e-9; f += step) {
                const float x =
                    static_cast<float>(std::round(area.left() + f / nyquist_ * area.width()) + 0.5);
                context.moveToPoint(x, static_cast<float>(area.top()));
                context.addLineToPoint(x, static_cast<float>(area.bottom()));
            }
        }
        context.strokePath();

        // The mains frequencies, dashed.
        context.setRGBStrokeColor(1.0f, 0.69f, 0.0f, 1.0f);
        context.beginPath();
        for (double mains : kMainsHz) {
            if (!(nyquist_ > mains)) continue;
            const float x =
                static_cast<float>(std::round(area.left() + mains / nyquist_ * area.width()) + 0.5);
            for (double y = area.top(); y < area.bottom(); y += 6.0) {
                context.moveToPoint(x, static_cast<float>(y));
                context.addLineToPoint(x, static_cast<float>(std::min(y + 3.0, area.bottom())));
            }
        }
        context.strokePath();
    }

    painter.setPen(kText);
    // Every unit is a power of ten of a microtesla: the same scale, its decades renamed.
    const int shift =
        static_cast<int>(std::lround(std::log10(instrument::fieldUnit(unit_).perMicrotesla)));
    for (int d = 0; d <= kDecades; ++d) {
        const double y = area.top() + d * area.height() / kDecades;
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, area.left() - 4.0, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, decadeLabel(topDecade_ - d + shift));
    }
    painter.drawText(QRectF(0, 0, area.left() - 4.0, metrics.height()),
                     Qt::AlignRight | Qt::AlignTop,
                     QString::fromUtf8(instrument::unitSymbol(unit_)));
    const QRectF unitBox(area.right() - metrics.horizontalAdvance(QStringLiteral("Hz")),
                         area.bottom() + 2.0, metrics.horizontalAdvance(QStringLiteral("Hz")),
                         metrics.height());
    painter.drawText(unitBox, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Hz"));
    if (nyquist_ > 0.0) {
        const double step = niceStep(nyquist_);
        for (double f = 0.0; f <= nyquist_ + 1e-9; f += step) {
            const QString text = QString::number(f, 'g', 6);
            const double w = metrics.horizontalAdvance(text);
            const QRectF box(area.left() + f / nyquist_ * area.width() - w / 2.0,
                             area.bottom() + 2.0, w, metrics.height());
            if (box.right() < unitBox.left() - 4.0) painter.drawText(box, Qt::AlignCenter, text);
        }
        // 50 to the left of its mark, 60 to the right, so that they never overlap.
        painter.setPen(QColor(0xff, 0xb0, 0x00));
        for (double mains : kMainsHz) {
            if (!(nyquist_ > mains)) continue;
            const double x = area.left() + mains / nyquist_ * area.width();
            const QString text = QString::number(mains, 'g', 3);
            const double w = metrics.horizontalAdvance(text);
            const bool left = mains < 55.0;
            painter.drawText(QRectF(left ? x - w - 2.0 : x + 3.0, 0, w, metrics.height()),
                             Qt::AlignCenter, text);
        }
    }
    painter.end();
    QPixmapCache::insert(key, picture);
    return picture;
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, scale());
    if (!hz_.empty() && nyquist_ > 0.0) drawTraces(painter);
}

void SpectrumPlot::drawTraces(QPainter& painter) const {
    const QRectF area = plotArea();
    PainterContext context(painter);
    context.setAllowsAntialiasing(false);
    const auto column = [&](double hz) {
        return static_cast<int>(std::floor(hz / nyquist_ * (area.width() - 1.0)));
    };
    const auto yOf = [&](double v) {
        const double decades = topDecade_ - std::log10(std::max(v, 1e-300));
        return std::clamp(area.top() + decades / kDecades * area.height(), area.top(),
                          area.bottom());
    };
    // Many bins to a pixel at high rates: each column shows its strongest bin. The vector goes
    // first and wider, so that it still shows around an axis that carries all of it.
    for (std::size_t t : {3, 0, 1, 2}) {
        const std::vector<double>& trace = traces_[t];
        context.setLineWidth(t == 3 ? 2.0f : 1.0f);
        context.setRGBStrokeColor(kTraceColours[t][0], kTraceColours[t][1], kTraceColours[t][2],
                                  1.0f);
        context.beginPath();
        bool started = false;
        std::size_t k = 0;
        while (k < hz_.size()) {
            const int c = column(hz_[k]);
            double strongest = trace[k];
            for (++k; k < hz_.size() && column(hz_[k]) == c; ++k)
                strongest = std::max(strongest, trace[k]);
            const auto x = static_cast<float>(area.left() + c + 0.5);
            const auto y = static_cast<float>(yOf(strongest));
            if (started)
                context.addLineToPoint(x, y);
            else
                context.moveToPoint(x, y);
            started = true;
        }
        context.strokePath();
    }
}

}  // namespace platform::qt
