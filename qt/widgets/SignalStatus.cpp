#include "qt/widgets/SignalStatus.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "heading/HeadingService.h"
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

// The screen's own banner, wherever in it its row is; not that of a screen presented over it.
QLabel* bannerOf(QWidget* screen) {
    for (QLabel* banner : screen->findChildren<QLabel*>(QString::fromLatin1(kBannerName))) {
        QWidget* owner = banner->parentWidget();
        while (owner && !qobject_cast<ScreenWidget*>(owner)) owner = owner->parentWidget();
        if (owner == screen) return banner;
    }
    return nullptr;
}

// In the header, centred, but clear of the screen's title.
void placeBanner(QLabel* banner, QWidget* screen) {
    banner->adjustSize();
    int x = (screen->width() - banner->width()) / 2;
    if (auto* title = screen->findChild<QWidget*>(QStringLiteral("titleLabel"));
        title && title->isVisible())
        x = std::max(x, title->mapTo(screen, QPoint(title->width(), 0)).x() + 6);
    x = std::clamp(x, 0, std::max(0, screen->width() - banner->width() - 4));
    banner->move(x, 4);
}

}  // namespace

SignalStatus::SignalStatus(const heading::HeadingService& service, QWidget* window)
    : window_(window), service_(service) {
    sinceSample_.start();
    checker_.setInterval(kCheckEveryMs);
    connect(&checker_, &QTimer::timeout, this, &SignalStatus::check);
    checker_.start();
}

void SignalStatus::sampleArrived(double timestamp) {
    sinceSample_.restart();
    limit_.sample(timestamp);
    stopped_ = false;
    ended_ = false;
    if (stale_) setStale(false, {});
}

void SignalStatus::readingFailed(const heading::LocationError& error) {
    ended_ = error.code == heading::LocationError::kEnded;
    stopped_ = error.code == heading::LocationError::kDenied;
    setStale(true, staleText());
}

QString SignalStatus::staleText() const {
    if (ended_) return QStringLiteral("No signal \u2014 the replay has ended");
    if (stopped_) return QStringLiteral("No signal \u2014 the sensor is not read");
    // The guided calibration takes every sample while it runs: nothing is wrong with the source.
    return service_.calibrating() ? QStringLiteral("Calibrating\u2026")
                                  : QStringLiteral("No signal \u2014 trying again");
}

void SignalStatus::check() {
    limit_.setRate(service_.sourceRate());
    // Once stale, again each time: a calibration begun or ended, or a screen opened since.
    if (stale_ || limit_.stale(static_cast<double>(sinceSample_.elapsed()) / 1000.0))
        setStale(true, staleText());
}

void SignalStatus::setStale(bool stale, const QString& text) {
    stale_ = stale;
    text_ = text;
    showOnScreens();
}

void SignalStatus::showOnScreens() {
    if (!window_) return;
    // Nothing is measured any more: the alarm's waves do not stay up over the last sample (nor
    // come back with a frame that still showed it).
    if (ended_)
        for (QWidget* waves : window_->findChildren<QWidget*>(QStringLiteral("wavesview")))
            waves->hide();
    for (QWidget* w : window_->findChildren<QWidget*>())
        if (isReadout(w)) dim(w, stale_);
    for (ScreenWidget* screen : window_->findChildren<ScreenWidget*>()) {
        auto* banner = bannerOf(screen);
        if (!banner && !stale_) continue;
        if (!banner) {
            banner = new QLabel(screen);  // owned by the screen
            banner->setObjectName(QString::fromLatin1(kBannerName));
            banner->setStyleSheet(QString::fromLatin1(kBannerStyle));
            banner->setAttribute(Qt::WA_TransparentForMouseEvents);
            banner->setAccessibleName(QStringLiteral("Signal status"));
            insertUnderHeader(screen, banner, Qt::AlignHCenter);
        }
        if (banner->text() != text_) banner->setText(text_);
        banner->setVisible(stale_);
        if (!stale_) continue;
        // Made after a screen was presented over this one, it would lie on top of that screen.
        ScreenWidget::raiseBelowOverlay(banner);
        if (isInLayout(banner)) continue;
        placeBanner(banner, screen);
        ScreenWidget::raiseBelowOverlay(banner);
    }
}

}  // namespace platform::qt
