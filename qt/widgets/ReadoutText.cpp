#include "qt/widgets/ReadoutText.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <algorithm>

namespace platform::qt {

namespace {

bool inPlace = false;  // main thread only, like every widget

template <class Base>
class ReadoutAwareLayout : public Base {
  public:
    using Base::Base;
    void invalidate() override {
        if (!inPlace) Base::invalidate();
    }
};

// As Qt's interface loader makes them: a nested layout has no parent until it is added.
template <class L>
QLayout* make(QObject* parent) {
    if (auto* widget = qobject_cast<QWidget*>(parent)) return new ReadoutAwareLayout<L>(widget);
    return new ReadoutAwareLayout<L>();
}

// The room a one-line text needs. Characters are measured one by one, which needs no shaping,
// with a pixel to spare on each side for kerning and rounding.
int roomNeeded(const QLabel& label, const QString& text) {
    const QFontMetrics metrics = label.fontMetrics();
    int width = 2;
    for (const QChar c : text) width += metrics.horizontalAdvance(c);
    return width;
}

// A readout that had to grow keeps that width, so the next value as wide changes in place
// instead of laying out again: a layout gives a label exactly its text's width, and the sum of
// advances with the pixels to spare is more than that. The room is given back with a new font.
void keepRoom(QLabel& label, int textWidth, ReadoutRoom& room) {
    if (!room.kept) room.ownMinimum = label.minimumWidth();
    room.kept = true;
    room.keptFor = label.font();
    const int chrome = label.width() - label.contentsRect().width() + 2 * label.margin();
    label.setMinimumWidth(std::max(label.minimumWidth(), textWidth + chrome));
}

void giveRoomBackOnNewFont(QLabel& label, ReadoutRoom& room) {
    if (!room.kept || room.keptFor == label.font()) return;
    room.kept = false;
    label.setMinimumWidth(room.ownMinimum);
}

}  // namespace

bool setReadoutText(QLabel& label, const QString& text, ReadoutRoom& room) {
    if (label.text() == text) return false;
    if (label.wordWrap() || text.contains(QLatin1Char('\n'))) {
        label.setText(text);
        return true;
    }
    giveRoomBackOnNewFont(label, room);
    const int needed = roomNeeded(label, text);
    inPlace = needed <= label.contentsRect().width() - 2 * label.margin();
    if (!inPlace) keepRoom(label, needed, room);
    label.setText(text);
    inPlace = false;
    return true;
}

QLayout* makeReadoutAwareLayout(const QString& className, QObject* parent) {
    if (className == QLatin1String("QHBoxLayout")) return make<QHBoxLayout>(parent);
    if (className == QLatin1String("QVBoxLayout")) return make<QVBoxLayout>(parent);
    if (className == QLatin1String("QGridLayout")) return make<QGridLayout>(parent);
    if (className == QLatin1String("QFormLayout")) return make<QFormLayout>(parent);
    return nullptr;
}

}  // namespace platform::qt
