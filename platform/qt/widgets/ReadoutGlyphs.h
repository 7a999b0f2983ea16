#pragma once

#include <QFont>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QRawFont>
#include <QVector>
#include <array>
#include <cstdint>

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

  private:
    struct Glyph {
        quint32 index = 0;  // none: QLabel draws a text with this character
        bool known = false;
    };
    bool use(const QFont& font);
    const Glyph& glyphOf(QChar c);

    QFont font_;
    QRawFont raw_;
    qreal ascent_ = 0.0;
    qreal descent_ = 0.0;
    std::array<Glyph, 256> latin_{};
    QHash<char16_t, Glyph> others_;
    QVector<quint32> indexes_;
    QVector<QPointF> advances_;
    QVector<QPointF> positions_;
};

}  // namespace platform::qt
