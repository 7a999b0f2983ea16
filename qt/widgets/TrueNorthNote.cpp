#include "qt/widgets/TrueNorthNote.h"

#include <QAbstractButton>
#include <memory>

#include "qt/interface/WindowParts.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/UnderHeader.h"
#include "qt/widgets/WrapAtSpaces.h"

namespace platform::qt {

void TrueNorthNote::attachTo(QWidget* window, std::function<QString()> why) {
    auto* meter =
        window ? WindowParts::of(window).named<ScreenWidget>("FluxprobeViewController") : nullptr;
    if (!meter || !why) return;
    QObject::connect(meter, &ScreenWidget::overlaid, meter, [why](QWidget* overlay) {
        if (!WindowParts::of(overlay).named<ReadoutLabel>("hd")) return;  // not a compass
        auto note = std::make_unique<TrueNorthNote>(overlay, why);
        if (insertUnderHeader(overlay, note.get())) note.release();  // the compass owns it now
    });
}

TrueNorthNote::TrueNorthNote(QWidget* compass, std::function<QString()> why)
    : compass_(compass),
      heading_(WindowParts::of(compass).named<ReadoutLabel>("hd")),
      magnetic_(WindowParts::of(compass).named<QAbstractButton>("engkey")),
      why_(std::move(why)) {
    setObjectName(QStringLiteral("trueNorthNote"));
    setWordWrap(true);
    setStyleSheet(QStringLiteral("color: #ffb000;"));
    setAccessibleName(tr("No true heading"));
    hide();
    timer_.setInterval(kCheckEveryMs);
    connect(&timer_, &QTimer::timeout, this, &TrueNorthNote::check);
    timer_.start();
    check();
}

void TrueNorthNote::check() {
    if (!compass_) return;
    const ReadoutLabel* heading = heading_;
    const QAbstractButton* magnetic = magnetic_;
    // The switch on is magnetic north.
    const bool trueNorth = magnetic && !magnetic->isChecked();
    const QString why = trueNorth && heading && heading->text() == QStringLiteral("--.-\u00b0")
                            ? why_()
                            : QString();
    const QString text = why.isEmpty() ? QString() : tr("No true heading: %1").arg(why);
    if (text != said_) {
        said_ = text;
        setAccessibleDescription(text);
        showText();
    }
    setVisible(!text.isEmpty());
}

void TrueNorthNote::showText() {
    const QString lines = wrapAtSpaces(said_, fontMetrics(), contentsRect().width());
    if (lines != text()) setText(lines);
}

void TrueNorthNote::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showText();
}

}  // namespace platform::qt
