#include "platform/qt/widgets/ReadoutText.h"

#include <QBoxLayout>
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

}  // namespace

bool setReadoutText(QLabel& label, const QString& text, qsizetype& widest) {
    if (label.text() == text) return false;
    const bool fits = text.size() <= widest && !label.wordWrap();
    widest = std::max(widest, text.size());
    inPlace = fits;
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
