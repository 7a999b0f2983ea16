#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;

namespace instrument {
class AcMonitor;
class Instrument;
}  // namespace instrument

namespace platform::qt {

class SpectrumPlot;

// The AC view, presented over the meter: the RMS of the field's alternating part, its strongest
// frequency, and the live spectrum, in the instrument's unit, refreshed at most kRefreshMs apart
// while it is shown. Done or Escape asks for it to be closed.
class AcScreen : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 100;

    AcScreen(instrument::AcMonitor& monitor, const instrument::Instrument& instrument,
             QWidget* parent = nullptr);

    // Analyses the latest samples, if any came since the last time, and shows the result.
    void refresh();
    // Asked at each refresh: why no sample will come again (a replay's end), or empty. Once it
    // says so, the view shows no figure and no spectrum, but that text.
    void setEnded(std::function<QString()> ended) { ended_ = std::move(ended); }

    QLabel* rmsLabel() const { return rms_; }
    QLabel* frequencyLabel() const { return frequency_; }
    QLabel* statusLabel() const { return status_; }
    SpectrumPlot* plot() const { return plot_; }

  signals:
    void doneRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    instrument::AcMonitor& monitor_;
    const instrument::Instrument& instrument_;
    QTimer timer_;
    std::function<QString()> ended_;
    bool showsEnd_ = false;
    std::uint64_t shownSamples_ = UINT64_MAX;
    QLabel* rms_;
    QLabel* frequency_;
    QLabel* status_;
    SpectrumPlot* plot_;
    QPushButton* done_;
};

}  // namespace platform::qt
