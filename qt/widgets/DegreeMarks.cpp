#include "qt/widgets/DegreeMarks.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {
constexpr const char* kCaptionProperty = "fluxprobeDegreeCaption";
}

bool DegreeMarks::isDegreeCaption(const QString& text) {
    static const QRegularExpression degrees(QStringLiteral("^\\d{1,3}\u00b0$"));
    return degrees.match(text).hasMatch();
}

DegreeMarks* DegreeMarks::attach(QWidget* root) {
    auto* marks = new DegreeMarks(root);  // owned by root
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (isInLayout(label) || !isDegreeCaption(label->text())) continue;
        label->setProperty(kCaptionProperty, label->text());
        if (label->accessibleName().isEmpty()) label->setAccessibleName(label->text());
        label->installEventFilter(marks);
    }
    return marks;
}

bool DegreeMarks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint) return false;
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label || !label->text().isEmpty()) return false;
    QPainter painter(label);
    const QString caption = label->property(kCaptionProperty).toString();
    if (glyphs_.paint(painter, *label, caption)) return true;
    label->style()->drawItemText(&painter, label->contentsRect(), int(label->alignment()),
                                 label->palette(), label->isEnabled(), caption,
                                 label->foregroundRole());
    return true;
}

}  // namespace platform::qt
