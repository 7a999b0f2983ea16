#include "platform/qt/widgets/ReadoutText.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>

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

// Whether text fits the label's room as it stands. Characters are measured one by one, which
// needs no shaping, with a pixel to spare on each side for kerning and rounding.
bool fitsAsItStands(const QLabel& label, const QString& text) {
    if (label.wordWrap() || text.contains(QLatin1Char('\n'))) return false;
    const QFontMetrics metrics = label.fontMetrics();
    int width = 2;
    for (const QChar c : text) width += metrics.horizontalAdvance(c);
    return width <= label.contentsRect().width() - 2 * label.margin();
}

}  // namespace

bool setReadoutText(QLabel& label, const QString& text) {
    if (label.text() == text) return false;
    inPlace = fitsAsItStands(label, text);
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
