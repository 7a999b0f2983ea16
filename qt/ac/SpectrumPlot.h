#pragma once

#include <QPixmap>
#include <QWidget>
#include <array>
#include <vector>

#include "instrument/Units.h"

namespace instrument {
struct Spectrum;
}

namespace platform::qt {

// The live spectrum: each axis's magnitude (x red, y green, z blue) and the vector's (amber) on
// a logarithmic scale of five decades, against frequency from 0 Hz to the Nyquist frequency,
// with 50 and 60 Hz marked. The traces go through the graph's drawing context; the scale, its
// labels and the marks are a picture kept while the size, the frequencies and the decades stay.
class SpectrumPlot : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kDecades = 5;

    explicit SpectrumPlot(QWidget* parent = nullptr);

    // Shows the bins of a ready spectrum; any other leaves the scale without traces.
    void setSpectrum(const instrument::Spectrum& spectrum);
    // The unit the scale is labelled in; the spectrum itself comes in µT.
    void setUnit(instrument::Unit unit);

    QSize sizeHint() const override { return {300, 180}; }
    QSize minimumSizeHint() const override { return {160, 100}; }

    // The top of the scale, as a power of ten in µT.
    int topDecade() const { return topDecade_; }
    double nyquist() const { return nyquist_; }
    // Where the traces lie: the widget less its labels.
    QRectF plotArea() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap scale() const;
    void drawTraces(QPainter& painter) const;

    std::vector<double> hz_;
    std::array<std::vector<double>, 4> traces_;  // x, y, z and the vector
    double nyquist_ = 0.0;
    int topDecade_ = 1;
    instrument::Unit unit_ = instrument::Unit::Microtesla;
};

}  // namespace platform::qt
