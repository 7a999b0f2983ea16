#include "qt/widgets/ThresholdLabel.h"

#include <QBoxLayout>
#include <QEvent>
#include <QSlider>
#include <algorithm>

#include "instrument/Alarm.h"
#include "platform/Format.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

ThresholdLabel::ThresholdLabel(QSlider* slider) : slider_(slider) {
    setObjectName(QStringLiteral("thresholdLabel"));
    setText(textFor(slider->value()));
    setAccessibleName(QStringLiteral("Alarm threshold"));
    setAccessibleDescription(
        QStringLiteral("The alarm sounds while the total field is above this"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    fitWidestText();
    connect(slider, &QSlider::valueChanged, this,
            [this](int value) { setText(textFor(value, unit_)); });
    slider->installEventFilter(this);
}

void ThresholdLabel::fitWidestText() {
    // Sized for the widest text, so that moving the slider never lays the row out again.
    setMinimumWidth(indent() + fontMetrics().horizontalAdvance(textFor(slider_->maximum(), unit_)));
}

void ThresholdLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitWidestText();
}

bool ThresholdLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        const int indent = std::max(0, slider_->x() - x());
        if (indent != this->indent()) {
            setIndent(indent);
            fitWidestText();
        }
    }
    return false;
}

QString ThresholdLabel::textFor(int sliderValue, const heading::FieldUnit* unit) {
    const double threshold =
        static_cast<double>(instrument::alarmThreshold(static_cast<float>(sliderValue)));
    if (unit)
        return QStringLiteral("alarm above %1 %2")
            .arg(QString::fromStdString(
                     platform::format(unit->format, threshold * unit->perMicrotesla)),
                 QString::fromUtf8(unit->symbol));
    return QStringLiteral("alarm above %1 \u00b5T").arg(threshold, 0, 'f', 0);
}

void ThresholdLabel::setUnit(const heading::FieldUnit* unit) {
    unit_ = unit;
    setText(textFor(slider_->value(), unit_));
    fitWidestText();
}

ThresholdLabel* addThresholdLabel(QSlider* slider) {
    QWidget* parent = slider->parentWidget();
    QLayout* top = parent ? parent->layout() : nullptr;
    QLayout* row = top ? layoutHolding(top, slider) : nullptr;
    int index = -1;
    auto* column =
        row && row != top ? qobject_cast<QBoxLayout*>(layoutHolding(top, row, &index)) : nullptr;
    if (!column) return nullptr;
    auto* label = new ThresholdLabel(slider);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);  // an indent only shifts it sideways
    column->insertWidget(index, label);  // owned by the layout's widget from now on
    return label;
}

}  // namespace platform::qt
