#include "qt/Fade.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include "qt/widgets/FadeEffect.h"

namespace platform::qt {

void fade(QWidget* widget, QObject* context, double from, double to, std::function<void()> done) {
    auto* effect = new FadeEffect(widget);  // owned by the widget
    effect->setOpacity(from);
    widget->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", context);
    animation->setDuration(kFadeMilliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    QPointer<QWidget> target(widget);
    QObject::connect(animation, &QPropertyAnimation::finished, context,
                     [target, done = std::move(done)] {
                         if (target) target->setGraphicsEffect(nullptr);
                         if (done) done();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace platform::qt
