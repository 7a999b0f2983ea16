#include "qt/calibration/CalibrationScreen.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/calibration/CoverageView.h"

namespace platform::qt {

namespace {

QString percent(double value) {
    return QString::number(value, 'f', value < 10 ? 1 : 0) + QLatin1Char('%');
}

QString sentence(const std::string& text) {
    QString s = QString::fromStdString(text);
    if (!s.isEmpty()) s[0] = s[0].toUpper();
    return s + QLatin1Char('.');
}

}  // namespace

CalibrationScreen::CalibrationScreen(heading::HeadingService& service,
                                     std::optional<double> reference, QWidget* parent)
    : QDialog(parent), service_(service), collector_(reference) {
    setObjectName(QStringLiteral("calibrationScreen"));
    setWindowTitle(tr("Calibrate the compass"));
    setStyleSheet(
        QStringLiteral("#calibrationScreen { background: #12191d; } QLabel { color: "
                       "#d8e2e7; } #calibrationTitle { color: #8fa3ad; font-weight: "
                       "bold; } #calibrationStatus { color: #ffb000; }"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("CALIBRATE THE COMPASS"), this);
    title->setObjectName(QStringLiteral("calibrationTitle"));
    auto* instruction = new QLabel(
        tr("Hold the device away from magnets, steel and cables, and turn it slowly through every "
           "direction: screen up and screen down, each edge towards the floor, as if drawing a "
           "figure eight in the air."),
        this);
    instruction->setWordWrap(true);
    coverage_ = new CoverageView(this);
    coverageLabel_ = new QLabel(this);
    coverageLabel_->setObjectName(QStringLiteral("coverageLabel"));
    residualLabel_ = new QLabel(this);
    residualLabel_->setObjectName(QStringLiteral("residualLabel"));
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("calibrationStatus"));
    statusLabel_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addWidget(title);
    layout->addWidget(instruction);
    layout->addWidget(coverage_, 1);
    layout->addWidget(coverageLabel_);
    layout->addWidget(residualLabel_);
    layout->addWidget(statusLabel_);
    layout->addWidget(buttons);
    resize(320, 420);

    timer_.setInterval(kRefitMs);
    connect(&timer_, &QTimer::timeout, this, &CalibrationScreen::refresh);
    refresh();
}

CalibrationScreen::~CalibrationScreen() {
    release();
}

void CalibrationScreen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    service_.setCalibrationTap([this](const heading::Heading& raw) { collector_.add(raw); });
    timer_.start();
}

void CalibrationScreen::release() {
    timer_.stop();
    service_.setCalibrationTap({});
}

void CalibrationScreen::done(int result) {
    release();
    QDialog::done(result);
}

void CalibrationScreen::refresh() {
    const auto& fit = collector_.kept() > 0 ? collector_.refit() : collector_.latest();
    coverage_->setBins(fit.bins);
    coverageLabel_->setText(tr("Directions covered: %1 (%2 samples)")
                                .arg(percent(fit.quality.coveragePercent))
                                .arg(collector_.kept()));
    residualLabel_->setText(
        fit.accepted() || fit.quality.residualPercent > 0
            ? tr("Residual: %1 of the field").arg(percent(fit.quality.residualPercent))
            : tr("Residual: not fitted yet"));
    if (collector_.done()) {
        statusLabel_->setText(tr("Calibrated."));
        const auto calibration = *fit.calibration;
        release();
        emit calibrated(calibration);
        accept();
        return;
    }
    if (fit.accepted())
        statusLabel_->setText(tr("Nearly there: keep turning to cover more directions."));
    else
        statusLabel_->setText(sentence(fit.refusal));
}

}  // namespace platform::qt
