#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

class QSpacerItem;

namespace platform::qt {

// Lets a screen grow with its window while keeping its proportions. Qt's layouts already give
// the laid-out widgets their share of the room; this adds what layouts cannot do:
// - Text grows with the window (never below the interface file's own sizes): each widget's
//   font, the style sheet's lengths, fixed-size widgets and the fonts the logic sets on its
//   labels.
// - The free views (the dial, the compass rose and its marks), which the logic places in its
//   points, stay centred in the room the layout leaves for them (the spacer under them) and
//   grow or shrink to fill it. Each is moved through its view, so the logic's frames, hit tests and
//   gestures always match what is on screen; a view the user has moved keeps its place
//   relative to the room.
// The interface file's size is the design size, at which nothing changes.
class ScreenScaler : public QObject {
    Q_OBJECT

  public:
    // Attaches to a bound screen root, at its interface file's size; owned by root.
    static ScreenScaler* attach(QWidget* root);
    // The scaler of the screen w is on, or null.
    static ScreenScaler* of(const QWidget* w);
    // How much larger than designed the text of w's screen is drawn (1 when not scaled).
    static double fontScaleOf(const QWidget* w);

    // The room of the free views, in the coordinates of their parent.
    QRect area() const;
    // Takes a widget added to the screen after it was designed: its font grows with the rest.
    void adopt(QWidget* w);
    // Puts a free view back where the interface file placed it (at the current scale), untuned.
    void restore(QWidget* freeWidget);

    // Brings fonts and free views in line with the screen's size once the layouts have placed
    // its widgets (on the loop's next turn).
    void relayoutSoon();
    // Brings fonts and free views in line with the current size now (normally done once the
    // loop has laid the screen out after a resize).
    void relayout();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit ScreenScaler(QWidget* root);

    struct Free {
        QPointer<QWidget> widget;
        QPointF offset;  // centre from the room's centre, at design size
        QSizeF size;     // at design size
        int fontPixels;  // a text label's own font size at design size, else 0
    };

    void applyFontScale(double scale);
    // How much the free views grow to fill room, keeping their proportions.
    double fitOf(const QRect& room) const;
    void place(Free& free, QPointF centre, QSizeF size);
    QPointF centreOf(const Free& free) const;

    QWidget* root_;
    QSize design_;
    QPointer<QWidget> face_;  // the parent of the free views
    QSpacerItem* room_ = nullptr;
    QRect designRoom_;
    QRect designGroup_;  // the free views' bounding box at design size
    std::vector<Free> free_;
    QPointF lastRoomCentre_;
    double freeScale_ = 1.0;
    double fontScale_ = 1.0;
    double freeFontScale_ = 1.0;
    QPointer<QWidget> sheetHolder_;
    QString sheet_;
    std::vector<std::pair<QPointer<QWidget>, QFont>> ownFonts_;
    std::vector<std::pair<QPointer<QWidget>, QSize>> fixedSizes_;
    bool relayoutPosted_ = false;
};

}  // namespace platform::qt
