#pragma once

#include <QDialog>
#include <QTimer>
#include <optional>

#include "heading/calibration/CalibrationCollector.h"
#include "heading/calibration/CalibrationTap.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace platform::qt {

class CoverageView;

// The guided calibration: what to do, which directions are covered so far, the live coverage
// and residual, and Cancel. While it is shown it takes every sample as the sensor gave it; it
// refits a few times a second and, once a full fit is accepted, shows the result with a plain
// verdict: Save reports it and closes, Try again starts over.
class CalibrationScreen : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRefitMs = 250;

    CalibrationScreen(heading::calibration::CalibrationTap& tap, std::optional<double> reference,
                      QWidget* parent = nullptr);
    ~CalibrationScreen() override;

    const heading::calibration::CalibrationCollector& collector() const { return collector_; }
    // Refits now and shows the result; the timer calls it.
    void refresh();
    // The result page's buttons.
    void save();
    void tryAgain();
    bool showsResult() const;

  signals:
    void calibrated(const heading::calibration::Calibration& calibration);

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void release();
    void take();
    QWidget* makeResultPage();
    void showResult(const heading::calibration::Calibration& calibration);

    heading::calibration::CalibrationTap& tap_;
    heading::calibration::CalibrationCollector collector_;
    QTimer timer_;
    CoverageView* coverage_;
    QLabel* coverageLabel_;
    QLabel* residualLabel_;
    QLabel* statusLabel_;
    std::optional<double> reference_;
    std::optional<heading::calibration::Calibration> result_;
    QStackedWidget* pages_;
    QLabel* offsetLabel_;
    QLabel* radiusLabel_;
    QLabel* qualityLabel_;
    QLabel* verdictLabel_;
};

}  // namespace platform::qt
