#pragma once

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdlib>

namespace fluxprobe_qt_test {

// An image of size (in device-independent pixels) at a pixel ratio, all one colour.
inline QImage filledImage(QSize size, qreal ratio, const QColor& colour) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(colour);
    return image;
}

// The largest difference of any channel of any pixel; images of different sizes differ by 256.
inline int largestDifference(const QImage& x, const QImage& y) {
    const QImage a = x.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = y.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (int row = 0; row < a.height(); ++row) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(row));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(row));
        for (int col = 0; col < a.width(); ++col)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(int((pa[col] >> shift) & 0xff) -
                                                 int((pb[col] >> shift) & 0xff)));
    }
    return worst;
}

}  // namespace fluxprobe_qt_test
