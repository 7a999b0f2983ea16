#include "qt/calibration/CalibrationFlow.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

#include "heading/Callbacks.h"
#include "heading/calibration/CalibrationFile.h"
#include "heading/calibration/CalibrationFit.h"
#include "qt/calibration/CalibrationScreen.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

CalibrationFlow::CalibrationFlow(heading::HeadingService& service, heading::HeadingSession& session,
                                 heading::calibration::CalibrationTap& tap)
    : service_(service), session_(session), tap_(tap) {}

CalibrationFlow::~CalibrationFlow() {
    delete screen_.data();  // gives the samples back to the screens
}

CalibrationScreen* CalibrationFlow::screen() const {
    return screen_;
}

void CalibrationFlow::attachTo(QWidget* window) {
    window_ = window;
    if (!window) return;
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(kShortcut)), window);
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, &CalibrationFlow::open);
    // Next to the title, where no control of the screens' own sits.
    if (auto* header = WindowParts::of(window).named<QHBoxLayout>("headerRow")) {
        // A button like the screen's own, growing with the window as they do.
        auto* button = new QPushButton(tr("Calibrate"), window);
        button->setObjectName(QStringLiteral("calibrateButton"));
        button->setToolTip(tr("Calibrate the compass (%1)").arg(QString::fromLatin1(kShortcut)));
        connect(button, &QPushButton::clicked, this, &CalibrationFlow::open);
        header->insertWidget(1, button);
        if (ScreenScaler* scaler = ScreenScaler::of(button)) scaler->adopt(button);
    }
}

void CalibrationFlow::open() {
    if (!service_.headingAvailable()) {  // the meter says "No Compass!" already
        heading::warnOnStderr("there is no magnetometer to calibrate");
        return;
    }
    if (screen_ && screen_->isVisible()) {
        screen_->raise();
        return;
    }
    // The one before stays until now, closed, so that a screenshot at exit can still show it.
    delete screen_.data();
    std::optional<double> reference = reference_ ? reference_() : std::nullopt;
    if (!reference) reference = session_.referenceField();
    screen_ = new CalibrationScreen(tap_, reference, window_);
    connect(screen_, &CalibrationScreen::calibrated, this, &CalibrationFlow::keep);
    screen_->open();
}

void CalibrationFlow::keep(const heading::calibration::Calibration& calibration) {
    const std::string summary = heading::calibration::summaryLine(calibration);
    std::string message;
    try {
        const std::string path = session_.saveCalibration(calibration);
        message = "calibration kept in " + path + ": " + summary;
    } catch (const heading::calibration::CalibrationError& e) {
        message = std::string(e.what()) + "; it is in force for this run only (" + summary + ")";
    }
    heading::warnOnStderr(message);
    // Said in the window too: headings are corrected from now on.
    emit kept(QStringLiteral("Calibrated: headings are corrected (CAL). ") +
              QString::fromStdString(message.substr(0, 1)).toUpper() +
              QString::fromStdString(message.substr(1)));
}

}  // namespace platform::qt
