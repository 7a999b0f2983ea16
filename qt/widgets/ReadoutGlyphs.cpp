#include "qt/widgets/ReadoutGlyphs.h"

#include <QGlyphRun>
#include <QStyle>
#include <QWidget>
#include <cmath>

#include "qt/drawing/PixelCopy.h"

namespace platform::qt {

namespace {

// Characters that are one glyph each, left to right, with nothing to combine.
bool plainCharacter(QChar c) {
    if (c.isMark() || c.isSurrogate()) return false;
    const QChar::Direction d = c.direction();
    if (d == QChar::DirR || d == QChar::DirAL || d >= QChar::DirLRE) return false;
    const QChar::Script s = c.script();
    return s == QChar::Script_Common || s == QChar::Script_Latin || s == QChar::Script_Greek;
}

bool plainLabel(const QLabel& label, const QString& text) {
    return label.textFormat() != Qt::RichText && label.textFormat() != Qt::MarkdownText &&
           !text.contains(QLatin1Char('<')) && !text.contains(QLatin1Char('&')) &&
           !text.contains(QLatin1Char('\n')) && !label.wordWrap() &&
           (!label.text().isEmpty() || label.pixmap().isNull()) &&  // a text leaves no picture
           label.frameWidth() == 0 && label.indent() < 0 && label.isEnabled() &&
           label.layoutDirection() == Qt::LeftToRight &&
           !(label.textInteractionFlags() &
             (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable));
}

}  // namespace

bool ReadoutGlyphs::use(const QFont& font) {
    if (raw_.isValid() && font == font_) return true;
    font_ = font;
    raw_ = QRawFont::fromFont(font);
    latin_.fill(Glyph{});
    others_.clear();
    if (!raw_.isValid()) return false;
    ascent_ = raw_.ascent();
    descent_ = raw_.descent();
    return true;
}

const ReadoutGlyphs::Glyph& ReadoutGlyphs::glyphOf(QChar c) {
    Glyph& g = c.unicode() < latin_.size() ? latin_[c.unicode()] : others_[c.unicode()];
    if (g.known) return g;
    g.known = true;
    if (!plainCharacter(c)) return g;
    const QList<quint32> index = raw_.glyphIndexesForString(QString(c));
    if (index.size() == 1) g.index = index.front();
    return g;
}

bool ReadoutGlyphs::paint(QPainter& painter, const QLabel& label) {
    return paint(painter, label, label.text());
}

bool ReadoutGlyphs::place(const QLabel& label, const QString& text, QPointF& origin) {
    if (!plainLabel(label, text) || !use(label.font())) return false;
    indexes_.clear();
    positions_.clear();
    if (text.isEmpty()) return true;
    indexes_.resize(text.size());
    positions_.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph& g = glyphOf(text[i]);
        if (g.index == 0) return false;
        indexes_[i] = g.index;
    }
    // The advances with the font's kerning between neighbours, as shaping would apply it.
    advances_.resize(text.size());
    if (!raw_.advancesForGlyphIndexes(indexes_.constData(), advances_.data(),
                                      static_cast<int>(text.size()), QRawFont::KernedAdvances))
        return false;
    qreal x = 0.0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        positions_[i] = QPointF(x, 0.0);
        x += advances_[i].x();
    }

    // Placed as QPainter::drawText places one line in the label's rectangle.
    const int margin = label.margin();
    const QRectF room = QRectF(label.contentsRect()).adjusted(margin, margin, -margin, -margin);
    const Qt::Alignment align = QStyle::visualAlignment(Qt::LeftToRight, label.alignment());
    const qreal height = ascent_ + descent_;
    qreal dx = 0.0, dy = 0.0;
    if (align & Qt::AlignRight)
        dx = room.width() - x;
    else if (align & Qt::AlignHCenter)
        dx = (room.width() - x) / 2.0;
    if (align & Qt::AlignBottom)
        dy = room.height() - height;
    else if (align & Qt::AlignVCenter)
        dy = (room.height() - height) / 2.0;

    origin = QPointF(room.left() + dx, room.top() + dy + ascent_);
    return true;
}

bool ReadoutGlyphs::paint(QPainter& painter, const QLabel& label, const QString& text) {
    QPointF origin;
    if (!place(label, text, origin)) return false;
    if (indexes_.isEmpty()) return true;
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(indexes_);
    run.setPositions(positions_);
    painter.save();
    // QWidget::palette() is in the colour group of the widget's state, as a style option's is.
    painter.setPen(QPen(label.palette().brush(label.foregroundRole()), 1.0));
    painter.drawGlyphRun(origin, run);
    painter.restore();
    return true;
}

namespace {

// A widget tells where its paint under way goes only to itself and to QPainter.
struct PaintTarget : QWidget {
    static QPaintDevice* of(const QWidget& w, QPoint* offset) {
        return (w.*(&PaintTarget::redirected))(offset);
    }
};

}  // namespace

bool ReadoutGlyphs::paintDirectly(const QLabel& label, const QImage& beneath,
                                  const QRegion& exposed) {
    // Qt sends the paint event with its target, the widget's offset in it and the clip set up.
    QPoint offset;
    QPaintDevice* device = PaintTarget::of(label, &offset);
    if (!device || device->devType() != QInternal::Image) return false;
    auto& pixels = *static_cast<QImage*>(device);
    const qreal ratio = pixels.devicePixelRatio();
    if ((pixels.format() != QImage::Format_RGB32 &&
         pixels.format() != QImage::Format_ARGB32_Premultiplied) ||
        ratio != label.devicePixelRatioF() || ratio != std::floor(ratio) || beneath.depth() != 32 ||
        beneath.hasAlphaChannel() || beneath.devicePixelRatio() != ratio ||
        beneath.size() != (QSizeF(label.size()) * ratio).toSize())
        return false;
    const QColor colour = label.palette().brush(label.foregroundRole()).color();
    if (label.palette().brush(label.foregroundRole()).style() != Qt::SolidPattern ||
        colour.alpha() != 255)
        return false;
    QPointF origin;
    if (!place(label, label.text(), origin)) return false;
    masks_.use(raw_, ratio);
    const QPointF at = -QPointF(offset) * ratio;
    for (qsizetype i = 0; i < indexes_.size(); ++i)
        if (!masks_.blendable(indexes_[i], at + (origin + positions_[i]) * ratio)) return false;

    // The part of the label this paint may change, in the pixels; a whole number of them to a
    // unit.
    const QPoint topLeft = at.toPoint();
    const auto scale = static_cast<int>(ratio);
    QRegion clip;
    for (const QRect& r : exposed& label.rect())
        clip += QRect(r.topLeft() * scale + topLeft, r.size() * scale);
    clip &= pixels.rect();
    copyPixels(beneath, clip.translated(-topLeft), pixels.bits(), pixels.bytesPerLine(), topLeft);
    for (qsizetype i = 0; i < indexes_.size(); ++i)
        masks_.blend(pixels, indexes_[i], at + (origin + positions_[i]) * ratio, colour.rgba(),
                     clip);
    return true;
}

}  // namespace platform::qt
