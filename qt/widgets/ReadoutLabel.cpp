#include "qt/widgets/ReadoutLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <cmath>

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
    const QList<QGlyphRun> before = runs_;
    const QPointF from = origin();
    layOut(shown());
    const int width = qCeil(size_.width());
    if (width > widest_) {
        widest_ = width;
        updateGeometry();
    }
    update(changedArea(before, from));
}

QRect ReadoutLabel::changedArea(const QList<QGlyphRun>& before, QPointF from) const {
    // A value's digits that stay keep their place: only the glyphs that differ are drawn again.
    if (before.size() != 1 || runs_.size() != 1 || from != origin()) return rect();
    const QRawFont font = runs_[0].rawFont();
    if (before[0].rawFont() != font) return rect();
    // Each list taken once: a glyph run hands out copies.
    const QList<quint32> was = before[0].glyphIndexes(), is = runs_[0].glyphIndexes();
    const QList<QPointF> wasAt = before[0].positions(), isAt = runs_[0].positions();
    QRectF changed;
    for (qsizetype i = 0; i < std::max(was.size(), is.size()); ++i) {
        const bool inWas = i < was.size(), inIs = i < is.size();
        if (inWas && inIs && was[i] == is[i] && wasAt[i] == isAt[i]) continue;
        if (inWas) changed |= font.boundingRect(was[i]).translated(from + wasAt[i]);
        if (inIs) changed |= font.boundingRect(is[i]).translated(from + isAt[i]);
    }
    return changed.toAlignedRect().adjusted(-1, -1, 1, 1) & rect();
}

QPointF ReadoutLabel::origin() const {
    const QRectF room = contentsRect();
    const QSizeF spare = room.size() - size_;
    const Qt::Alignment a = alignment_;
    return room.topLeft() + QPointF(a & Qt::AlignRight     ? spare.width()
                                    : a & Qt::AlignHCenter ? spare.width() / 2.0
                                                           : 0.0,
                                    a & Qt::AlignTop      ? 0.0
                                    : a & Qt::AlignBottom ? spare.height()
                                                          : spare.height() / 2.0);
}

void ReadoutLabel::layOut(const QString& text) {
    if (!rawFont_.isValid()) rawFont_ = QRawFont::fromFont(font());
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(text.size());
    positions.reserve(text.size());
    const qreal ascent = rawFont_.ascent();
    qreal x = 0;
    for (const QChar c : text) {
        auto glyph = glyphs_.constFind(c.unicode());
        if (glyph == glyphs_.cend()) {
            // Scripts that join or reorder, and marks, need the whole text laid out.
            const QChar::Script script = c.script();
            if (c.isSurrogate() || script < QChar::Script_Common ||
                script > QChar::Script_Cyrillic || !rawFont_.supportsCharacter(c))
                break;
            const QList<quint32> one = rawFont_.glyphIndexesForString(QString(c));
            if (one.size() != 1) break;
            glyph = glyphs_.insert(c.unicode(),
                                   {one[0], rawFont_.advancesForGlyphIndexes(one).value(0).x()});
        }
        indexes.append(glyph->index);
        positions.append(QPointF(x, ascent));
        x += glyph->advance;
    }
    runs_.clear();
    if (indexes.size() == text.size()) {
        QGlyphRun run;
        run.setRawFont(rawFont_);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        runs_.append(run);
        // As tall as a line Qt lays out.
        size_ = QSizeF(x, std::ceil(ascent + rawFont_.descent() + rawFont_.leading()));
        return;
    }
    // Not kerned, as the glyphs placed here are not: a value's digits keep their places.
    QFont unshaped = font();
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    QTextLayout layout(text, unshaped);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    runs_ = layout.glyphRuns();
    size_ =
        QSizeF(line.naturalTextWidth(), std::ceil(line.ascent() + line.descent() + line.leading()));
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
        rawFont_ = QRawFont();
        glyphs_.clear();
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
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QPointF from = origin();
    for (const QGlyphRun& run : runs_) painter.drawGlyphRun(from, run);
}

QString ReadoutLabel::spokenText() const {
    const QString name = accessibleName();
    if (name.isEmpty()) return shown();
    QString form = name + QStringLiteral(", %1");
    if (!unit_.isEmpty()) form += QLatin1Char(' ') + unit_;
    return spokenReadout(form, text_);
}

QString spokenReadout(const QString& spokenForm, const QString& text) {
    // The first number, with its sign when a minus comes right before it.
    static const QRegularExpression number(QStringLiteral(R"(-?\p{Nd}[\p{Nd}.]*)"));
    static const QRegularExpression point(QStringLiteral(R"(\A[A-Z]{1,3}\z)"));
    if (const QRegularExpressionMatch m = number.match(text); m.hasMatch())
        return spokenForm.arg(m.captured());
    if (const QString word = text.trimmed(); point.match(word).hasMatch())
        return spokenForm.arg(word);
    // A placeholder such as "--.-" before the first reading.
    return spokenForm.section(QLatin1Char(','), 0, 0) + QStringLiteral(", no reading");
}

}  // namespace platform::qt
