#include "platform/qt/widgets/ReadoutText.h"

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

constexpr char kOwnMinimum[] = "readoutOwnMinimumWidth";
constexpr char kKeptFor[] = "readoutRoomKeptFor";

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
void keepRoom(QLabel& label, int textWidth) {
    if (!label.property(kOwnMinimum).isValid())
        label.setProperty(kOwnMinimum, label.minimumWidth());
    label.setProperty(kKeptFor, label.font());
    const int chrome = label.width() - label.contentsRect().width() + 2 * label.margin();
    label.setMinimumWidth(std::max(label.minimumWidth(), textWidth + chrome));
}

void giveRoomBackOnNewFont(QLabel& label) {
    const QVariant keptFor = label.property(kKeptFor);
    if (!keptFor.isValid() || keptFor.value<QFont>() == label.font()) return;
    label.setProperty(kKeptFor, QVariant());
    label.setMinimumWidth(label.property(kOwnMinimum).toInt());
}

}  // namespace

bool setReadoutText(QLabel& label, const QString& text) {
    if (label.text() == text) return false;
    if (label.wordWrap() || text.contains(QLatin1Char('\n'))) {
        label.setText(text);
        return true;
    }
    giveRoomBackOnNewFont(label);
    const int needed = roomNeeded(label, text);
    inPlace = needed <= label.contentsRect().width() - 2 * label.margin();
    if (!inPlace) keepRoom(label, needed);
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
