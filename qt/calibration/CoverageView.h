#pragma once

#include <QWidget>
#include <array>

#include "heading/calibration/DirectionBins.h"

namespace platform::qt {

// Which directions the field has been seen in so far, as three rosettes: out of the front
// (a centre and eight around it), along the edges (eight round a ring) and out of the back.
// A bin the turning has reached is filled in.
class CoverageView : public QWidget {
    Q_OBJECT
  public:
    explicit CoverageView(QWidget* parent = nullptr);

    void setBins(const heading::calibration::DirectionBins& bins);
    bool hit(std::size_t bin) const { return bins_.hit(bin); }

    QSize sizeHint() const override { return {300, 120}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    heading::calibration::DirectionBins bins_;
};

}  // namespace platform::qt
