#include "qt/widgets/ReadoutLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTransform>
#include <QtMath>
#include <algorithm>

#include "qt/widgets/ParentPaint.h"

namespace platform::qt {

namespace {

// A readout's name is made when a screen reader asks for it, from the text shown then: a
// readout changes a thousand times a second, and a name kept up to date costs at each change.
class ReadoutAccessible : public QAccessibleWidget {
  public:
    explicit ReadoutAccessible(ReadoutLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<ReadoutLabel*>(widget())->spokenText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* readoutInterface(const QString&, QObject* object) {
    auto* label = qobject_cast<ReadoutLabel*>(object);
    return label ? new ReadoutAccessible(label) : nullptr;
}

}  // namespace

ReadoutLabel::ReadoutLabel(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(readoutInterface);
        return true;
    }();
    (void)installed;
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    staticText_.setTextFormat(Qt::PlainText);
}

void ReadoutLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    textChanged();
    // Only a listening screen reader needs telling; it then asks for the name.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ReadoutLabel::setPlaceholderText(const QString& text) {
    if (text == placeholder_) return;
    placeholder_ = text;
    if (text_.isEmpty()) textChanged();
}

void ReadoutLabel::setUnit(const QString& unit) {
    if (unit == unit_) return;
    if (!unit_.isEmpty()) {
        QString description = accessibleDescription();
        if (description.contains(unit_)) setAccessibleDescription(description.replace(unit_, unit));
    }
    unit_ = unit;
}

void ReadoutLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void ReadoutLabel::textChanged() {
    staticText_.setText(shown());
    // Laid out once, at the scale it is painted at: the paint draws this very layout.
    const qreal ratio = devicePixelRatioF();
    staticText_.prepare(QTransform::fromScale(ratio, ratio), textFont());
    const int width = qCeil(staticText_.size().width());
    if (width > widest_) {
        widest_ = width;
        updateGeometry();
    }
    update();
}

QFont ReadoutLabel::textFont() const {
    // Numbers and marks need no shaping: laid out without it a value costs a third less.
    QFont f = font();
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QSize ReadoutLabel::sizeHint() const {
    const QMargins m = contentsMargins();
    // A pixel to spare on each side for kerning and rounding, as a label keeps.
    return QSize(widest_ + 2 + m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom());
}

QSize ReadoutLabel::minimumSizeHint() const {
    return sizeHint();
}

void ReadoutLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // A new font starts the widest text afresh.
        widest_ = 0;
        staticText_ = QStaticText();
        staticText_.setTextFormat(Qt::PlainText);
        textChanged();
        updateGeometry();
    }
    if (kept_.changedBy(event)) update();
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    // Empty and see-through, it has nothing to draw: a mark left empty costs no painter.
    if (shown().isEmpty() && !testAttribute(Qt::WA_OpaquePaintEvent)) return;
    QPainter painter(this);
    kept_.paintBeneath(this, painter, event->region());
    const QString& text = shown();
    if (text.isEmpty()) return;
    const QRect room = contentsRect();
    const QSizeF size = staticText_.size();
    qreal x = room.left();
    if (alignment_ & Qt::AlignRight)
        x = room.right() + 1 - size.width();
    else if (alignment_ & Qt::AlignHCenter)
        x = room.left() + (room.width() - size.width()) / 2.0;
    qreal y = room.top() + (room.height() - size.height()) / 2.0;
    if (alignment_ & Qt::AlignTop)
        y = room.top();
    else if (alignment_ & Qt::AlignBottom)
        y = room.bottom() + 1 - size.height();
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.setFont(textFont());  // the layout's own, or it is laid out again
    painter.drawStaticText(QPointF(x, y), staticText_);
}

QString ReadoutLabel::spokenText() const {
    const QString name = accessibleName();
    if (name.isEmpty()) return shown();
    QString form = name + QStringLiteral(", %1");
    if (!unit_.isEmpty()) form += QLatin1Char(' ') + unit_;
    return spokenReadout(form, text_);
}

QString spokenReadout(const QString& spokenForm, const QString& text) {
    // By hand rather than by regular expression: it runs for every question of a screen reader.
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool sign = text[i] == QLatin1Char('-') && i + 1 < n && text[i + 1].isDigit();
        if (!sign && !text[i].isDigit()) continue;
        qsizetype end = i + 1;
        while (end < n && (text[end].isDigit() || text[end] == QLatin1Char('.'))) ++end;
        return spokenForm.arg(text.mid(i, end - i));
    }
    const QString word = text.trimmed();
    const bool point =
        !word.isEmpty() && word.size() <= 3 && std::all_of(word.begin(), word.end(), [](QChar c) {
            return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
        });
    if (point) return spokenForm.arg(word);
    // A placeholder such as "--.-" before the first reading.
    return spokenForm.section(QLatin1Char(','), 0, 0) + QStringLiteral(", no reading");
}

}  // namespace platform::qt
