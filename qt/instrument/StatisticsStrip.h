#pragma once

#include <QLabel>
#include <QTimer>

namespace instrument {
class Instrument;
}

namespace platform::qt {

// The extremes since the last reset, in the chosen unit: min, max and mean of each axis and of
// the total, and when the total peaked. Always of the field as measured, as the run's summary
// is: while zeroed it says so, since the readouts then show the change. Refreshed a few times a
// second while shown, never per sample.
class StatisticsStrip : public QLabel {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 250;

    StatisticsStrip(const instrument::Instrument& instrument, QWidget* parent = nullptr);

    // Writes the figures as they are now.
    void refresh();
    // The text refresh writes, without markup.
    QString plainText() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    const instrument::Instrument& instrument_;
    QTimer timer_;
};

}  // namespace platform::qt
