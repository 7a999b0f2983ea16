#pragma once

#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QWidget>

#include "qt/widgets/ParentPaint.h"

namespace platform::qt {

// A line of text that changes with every sample: a value, or a mark that keeps showing its
// placeholder while the logic leaves it empty. The text is drawn as Qt glyph runs in the
// widget's own area: a value of digits and signs is placed from glyphs looked up once, which
// costs about a fifth of laying it out anew at every sample. The widget is as wide as the
// widest text it has shown at its font (at least its first), so a new value repaints only its
// glyphs that changed and never asks for a layout; only a wider one lays the row out, once.
//
// Laid out beside its siblings, it paints its own background: a kept picture of what Qt
// paints beneath it (the screen's face, a styled panel), drawn again only for a new size, place,
// device pixel ratio or style. Where that picture would be see-through, Qt paints beneath it as
// for any widget.
class ReadoutLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)
    Q_PROPERTY(QString unit READ unit WRITE setUnit)

  public:
    explicit ReadoutLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    // Shown while the text is empty.
    QString placeholderText() const { return placeholder_; }
    void setPlaceholderText(const QString& text);
    // The unit a screen reader says after the value ("microtesla"). A new one also replaces
    // the old one where the accessible description names it ("... in microtesla").
    QString unit() const { return unit_; }
    void setUnit(const QString& unit);

    // What a screen reader says: the accessible name with the value and unit ("Total field,
    // 48.3 microtesla"), or the text shown for a readout without a name.
    QString spokenText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    const QString& shown() const { return text_.isEmpty() ? placeholder_ : text_; }
    void textChanged();
    void layOut(const QString& text);
    // Where the text is drawn from, as aligned in the contents.
    QPointF origin() const;
    // Where the glyphs now differ from before, drawn from from: all of the widget unless both
    // are one run of glyphs in the same font, from the same place.
    QRect changedArea(const QList<QGlyphRun>& before, QPointF from) const;

    QString text_;
    QString placeholder_;
    QString unit_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    // The text shown, as glyphs placed from the left edge: a character at a time from glyphs_
    // where each stands alone (digits, signs, Latin letters), else by Qt's text layout.
    QList<QGlyphRun> runs_;
    QSizeF size_;
    struct Glyph {
        quint32 index;
        qreal advance;
    };
    QRawFont rawFont_;  // of font(), and glyphs_ found in it once each
    QHash<char16_t, Glyph> glyphs_;
    int widest_ = 0;  // the widest text shown at the font, in pixels
    KeptPicture kept_;
};

// What a screen reader says for a readout showing text: spokenForm (with %1 for the number or
// the compass point in text) filled in, or "…, no reading" while it shows none.
QString spokenReadout(const QString& spokenForm, const QString& text);

}  // namespace platform::qt
