#pragma once

#include <QFont>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QRawFont>
#include <QVector>
#include <array>
#include <cstdint>

#include "qt/widgets/GlyphMasks.h"

namespace platform::qt {

// Paints a readout label's text from glyphs it keeps, as QLabel would paint it.
//
// QLabel lays its text out and shapes it again at every paint. A readout repaints with each new
// value, and its text is a few digits, letters and signs that need no shaping: each character is
// one glyph of the label's own font, placed by the kerned advances before it. Anything else
// (rich text, wrapping, a frame, a character the font lacks, a right-to-left script) is left to
// QLabel.
class ReadoutGlyphs {
  public:
    // Paints label's text on painter (already on the label); false, painting nothing, when
    // QLabel must paint it.
    bool paint(QPainter& painter, const QLabel& label);
    // The same with text in place of the label's own.
    bool paint(QPainter& painter, const QLabel& label, const QString& text);
    // Inside label's paint event for exposed, paints beneath (opaque, of the label's size at its
    // pixel ratio) and label's text over it straight into the pixels being painted, without a
    // painter. False, having painted nothing, where a painter must paint them.
    bool paintDirectly(const QLabel& label, const QImage& beneath, const QRegion& exposed);

  private:
    struct Glyph {
        quint32 index = 0;  // none: QLabel draws a text with this character
        bool known = false;
    };
    bool use(const QFont& font);
    const Glyph& glyphOf(QChar c);
    // Fills indexes_ and positions_ for text in label, and where the first glyph's origin lies
    // on the baseline; false when QLabel must draw it.
    bool place(const QLabel& label, const QString& text, QPointF& origin);

    QFont font_;
    QRawFont raw_;
    qreal ascent_ = 0.0;
    qreal descent_ = 0.0;
    std::array<Glyph, 256> latin_{};
    QHash<char16_t, Glyph> others_;
    QVector<quint32> indexes_;
    QVector<QPointF> advances_;
    QVector<QPointF> positions_;
    GlyphMasks masks_;
};

}  // namespace platform::qt
