#pragma once

#include <QLabel>

#include "heading/Heading.h"

class QSlider;

namespace platform::qt {

// A small label of the platform's own next to a threshold slider, saying where the alarm starts
// ("alarm above 100 µT") and following the slider as it moves. The threshold is the alarm
// rule's (instrument::alarmThreshold), as the meter compares it.
class ThresholdLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ThresholdLabel(QSlider* slider);

    // In unit, or in microtesla when it is null.
    static QString textFor(int sliderValue, const heading::FieldUnit* unit = nullptr);
    void setUnit(const heading::FieldUnit* unit);

  protected:
    // Keeps the text's left edge over the slider's as the row is laid out.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void fitWidestText();

    QSlider* slider_;
    const heading::FieldUnit* unit_ = nullptr;
};

// Puts a threshold label just above the slider (the slider's row gets a row above it), when the
// slider lies in a row of a layout; returns it (owned by the slider's parent), or null.
ThresholdLabel* addThresholdLabel(QSlider* slider);

}  // namespace platform::qt
