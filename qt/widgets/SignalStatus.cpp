#include "qt/widgets/SignalStatus.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "qt/interface/WindowParts.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/UnderHeader.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

constexpr const char* kBannerName = "signalStatus";

const char* const kBannerStyle =
    "color: #1a1200; background: #ffb000; border: 1px solid #05080a; border-radius: 4px;"
    "padding: 1px 6px; font-weight: bold; font-size: 11px;";

// A laid-out readout; the compass's marks stay as they are.
bool isReadout(const QWidget* w) {
    return qobject_cast<const ReadoutLabel*>(w) && isInLayout(w);
}

void dim(QWidget* w, bool dimmed) {
    // No other opacity effect is ever put on a readout.
    const bool isDimmed = qobject_cast<QGraphicsOpacityEffect*>(w->graphicsEffect()) != nullptr;
    if (dimmed == isDimmed) return;
    auto* effect = dimmed ? new QGraphicsOpacityEffect(w) : nullptr;  // owned by the widget
    if (effect) effect->setOpacity(SignalStatus::kDimmedOpacity);
    w->setGraphicsEffect(effect);
}

// Every screen bound in window, and the window's own parts, if it has any.
std::vector<WindowParts*> partsIn(const QWidget* window) {
    std::vector<WindowParts*> in;
    for (WindowParts* parts : WindowParts::all())
        if (parts->root() == window || window->isAncestorOf(parts->root())) in.push_back(parts);
    return in;
}

// In the header, centred, but clear of the screen's title.
void placeBanner(QLabel* banner, QWidget* screen) {
    banner->adjustSize();
    int x = (screen->width() - banner->width()) / 2;
    if (auto* title = WindowParts::of(screen).named<QWidget>("titleLabel");
        title && title->isVisible())
        x = std::max(x, title->mapTo(screen, QPoint(title->width(), 0)).x() + 6);
    x = std::clamp(x, 0, std::max(0, screen->width() - banner->width() - 4));
    banner->move(x, 4);
}

}  // namespace

SignalStatus::SignalStatus(heading::SignalWatch& watch, QWidget* window)
    : watch_(watch), window_(window) {
    watch_.onChange([this] { showOnScreens(); });
    checker_.setInterval(kCheckEveryMs);
    connect(&checker_, &QTimer::timeout, this, &SignalStatus::check);
    checker_.start();
}

SignalStatus::~SignalStatus() {
    watch_.onChange({});
}

void SignalStatus::check() {
    watch_.check();
    // Once stale, again each time: a screen opened since gets its line too.
    if (watch_.isStale()) showOnScreens();
}

void SignalStatus::showOnScreens() {
    if (!window_) return;
    const bool stale = watch_.isStale();
    const QString text = statusText();
    // Nothing is measured any more: the alarm's waves do not stay up over the last sample (nor
    // come back with a frame that still showed it).
    const std::vector<WindowParts*> in = partsIn(window_);
    for (WindowParts* parts : in) {
        if (watch_.hasEnded())
            if (auto* waves = parts->named<QWidget>("wavesview")) waves->hide();
        for (QWidget* w : parts->widgets<QWidget>())
            if (isReadout(w)) dim(w, stale);
    }
    for (WindowParts* parts : in) {
        auto* screen = qobject_cast<ScreenWidget*>(parts->root());
        if (!screen || screen == window_) continue;
        QLabel* banner = parts->signalBanner;
        if (!banner && !stale) continue;
        if (!banner) {
            banner = new QLabel(screen);  // owned by the screen
            banner->setObjectName(QString::fromLatin1(kBannerName));
            banner->setStyleSheet(QString::fromLatin1(kBannerStyle));
            banner->setAttribute(Qt::WA_TransparentForMouseEvents);
            banner->setAccessibleName(QStringLiteral("Signal status"));
            insertUnderHeader(screen, banner, Qt::AlignHCenter);
            parts->signalBanner = banner;
        }
        if (banner->text() != text) banner->setText(text);
        banner->setVisible(stale);
        if (!stale) continue;
        // Made after a screen was presented over this one, it would lie on top of that screen.
        ScreenWidget::raiseBelowOverlay(banner);
        if (isInLayout(banner)) continue;
        placeBanner(banner, screen);
        ScreenWidget::raiseBelowOverlay(banner);
    }
}

}  // namespace platform::qt
