#include "qt/ac/AcControl.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

#include "qt/Fade.h"
#include "qt/ac/AcScreen.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/ScreenWidget.h"

namespace platform::qt {

AcControl::AcControl(instrument::AcMonitor& monitor, const instrument::Instrument& instrument)
    : monitor_(monitor), instrument_(instrument) {}

AcControl::~AcControl() {
    delete screen_.data();  // it reads the monitor, which may go before the window does
}

void AcControl::attachTo(QWidget* window) {
    if (!window) return;
    const WindowParts& parts = WindowParts::of(window);
    auto* compass = parts.named<QAbstractButton>("compassButton");
    auto* row = parts.named<QHBoxLayout>("controlsRow");
    if (!compass || !row) return;
    for (QWidget* w = compass->parentWidget(); w && !meter_; w = w->parentWidget())
        if (qobject_cast<ScreenWidget*>(w)) meter_ = w;

    // Beside the compass's button, the other screen the meter opens.
    auto* button = new QPushButton(tr("AC"), compass->parentWidget());
    button->setObjectName(QStringLiteral("acButton"));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setToolTip(tr("The alternating field: RMS, frequency and spectrum (%1)")
                           .arg(QString::fromLatin1(kShortcut)));
    button->setAccessibleName(tr("AC"));
    button->setAccessibleDescription(
        tr("Opens the AC view: the RMS and frequency of the alternating field, and its spectrum"));
    row->insertWidget(row->indexOf(compass), button);
    // Its text grows with the window as the compass's does.
    if (ScreenScaler* scaler = ScreenScaler::of(button)) scaler->adopt(button);
    // In the Tab order too: just before the compass's button.
    if (QWidget* before = compass->previousInFocusChain(); before && before != button)
        QWidget::setTabOrder(before, button);
    connect(button, &QPushButton::clicked, this, &AcControl::open);
    button_ = button;

    auto* key = new QShortcut(QKeySequence(QString::fromLatin1(kShortcut)), window);
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, &AcControl::open);
}

void AcControl::open() {
    auto* meter = qobject_cast<ScreenWidget*>(meter_.data());
    if (!meter) return;
    if (screen_ && screen_->isVisible() && !closing_) {
        screen_->raise();
        return;
    }
    // Only from the meter itself: not from under the compass.
    if (!screen_ || !screen_->isVisible())
        if (button_ && ScreenWidget::isCovered(button_)) return;
    if (!screen_) {
        screen_ = new AcScreen(monitor_, instrument_);
        screen_->setEnded(ended_);
        connect(screen_, &AcScreen::doneRequested, this, &AcControl::close);
    }
    closing_ = false;
    meter->setOverlay(screen_);
    screen_->show();
    screen_->setFocus();
    fade(screen_, this, 0.0, 1.0, nullptr);
}

void AcControl::close() {
    if (!screen_ || !screen_->isVisible() || closing_) return;
    closing_ = true;
    // The meter shows from now on: bring it up to date first.
    if (FrameClock* clock = FrameClock::current()) clock->releaseHeld();
    QPointer<AcScreen> target = screen_;
    fade(screen_, this, 1.0, 0.0, [this, target] {
        if (!closing_) return;  // opened again while it faded
        closing_ = false;
        if (target) target->hide();
        if (button_) button_->setFocus();
    });
}

}  // namespace platform::qt
