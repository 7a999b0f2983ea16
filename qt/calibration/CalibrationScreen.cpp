#include "qt/calibration/CalibrationScreen.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "heading/calibration/FitVerdict.h"
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

QLabel* namedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

}  // namespace

CalibrationScreen::CalibrationScreen(heading::calibration::CalibrationTap& tap,
                                     std::optional<double> reference, QWidget* parent)
    : QDialog(parent), tap_(tap), collector_(reference), reference_(reference) {
    setObjectName(QStringLiteral("calibrationScreen"));
    setWindowTitle(tr("Calibrate the compass"));
    // Every text at least 4.5:1 against the dark panel; the verdict's colours too.
    setStyleSheet(QStringLiteral(
        "#calibrationScreen { background: #12191d; } QLabel { color: #d8e2e7; } "
        "#calibrationTitle { color: #8fa3ad; font-weight: bold; } #calibrationStatus { color: "
        "#ffb000; } #calibrationVerdict { font-weight: bold; }"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("CALIBRATE THE COMPASS"), this);
    title->setObjectName(QStringLiteral("calibrationTitle"));
    layout->addWidget(title);

    auto* collecting = new QWidget(this);
    auto* steps = new QVBoxLayout(collecting);
    steps->setContentsMargins(0, 0, 0, 0);
    auto* instruction = new QLabel(
        tr("Hold the device away from magnets, steel and cables, and turn it slowly through every "
           "direction: screen up and screen down, each edge towards the floor, as if drawing a "
           "figure eight in the air."),
        collecting);
    instruction->setWordWrap(true);
    coverage_ = new CoverageView(collecting);
    coverageLabel_ = namedLabel("coverageLabel", collecting);
    residualLabel_ = namedLabel("residualLabel", collecting);
    statusLabel_ = namedLabel("calibrationStatus", collecting);
    auto* cancel = new QDialogButtonBox(QDialogButtonBox::Cancel, collecting);
    connect(cancel, &QDialogButtonBox::rejected, this, &QDialog::reject);
    steps->addWidget(instruction);
    steps->addWidget(coverage_, 1);
    steps->addWidget(coverageLabel_);
    steps->addWidget(residualLabel_);
    steps->addWidget(statusLabel_);
    steps->addWidget(cancel);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(collecting);
    pages_->addWidget(makeResultPage());
    layout->addWidget(pages_, 1);
    resize(320, 420);

    timer_.setInterval(kRefitMs);
    connect(&timer_, &QTimer::timeout, this, &CalibrationScreen::refresh);
    refresh();
}

QWidget* CalibrationScreen::makeResultPage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    verdictLabel_ = namedLabel("calibrationVerdict", page);
    offsetLabel_ = namedLabel("calibrationOffset", page);
    radiusLabel_ = namedLabel("calibrationRadius", page);
    qualityLabel_ = namedLabel("calibrationQuality", page);
    auto* buttons = new QDialogButtonBox(page);
    auto* save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveCalibration"));
    save->setDefault(true);
    auto* again = buttons->addButton(tr("Try again"), QDialogButtonBox::ResetRole);
    again->setObjectName(QStringLiteral("tryCalibrationAgain"));
    connect(save, &QPushButton::clicked, this, &CalibrationScreen::save);
    connect(again, &QPushButton::clicked, this, &CalibrationScreen::tryAgain);
    column->addWidget(verdictLabel_);
    column->addWidget(offsetLabel_);
    column->addWidget(radiusLabel_);
    column->addWidget(qualityLabel_);
    column->addStretch(1);
    column->addWidget(buttons);
    return page;
}

CalibrationScreen::~CalibrationScreen() {
    release();
}

void CalibrationScreen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!showsResult()) take();
}

void CalibrationScreen::take() {
    tap_.engage(collector_);
    timer_.start();
}

void CalibrationScreen::release() {
    timer_.stop();
    tap_.release();
}

void CalibrationScreen::done(int result) {
    release();
    QDialog::done(result);
}

bool CalibrationScreen::showsResult() const {
    return pages_->currentIndex() == 1;
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
        release();
        showResult(*fit.calibration);
        return;
    }
    if (fit.accepted() && !fit.advice.empty())
        statusLabel_->setText(sentence(fit.advice));
    else if (fit.accepted())
        statusLabel_->setText(tr("Nearly there: keep turning to cover more directions."));
    else
        statusLabel_->setText(sentence(fit.refusal));
}

void CalibrationScreen::showResult(const heading::calibration::Calibration& c) {
    using namespace heading::calibration;
    result_ = c;
    const FitVerdict judged = judgeFit(c.quality, reference_);
    const QString word = QString::fromLatin1(verdictName(judged.verdict));
    static constexpr const char* kColours[] = {"#5fe07a", "#ffb000", "#ff8a80"};
    verdictLabel_->setStyleSheet(
        QStringLiteral("color: %1;")
            .arg(QLatin1String(kColours[static_cast<int>(judged.verdict)])));
    verdictLabel_->setText(judged.reason.empty()
                               ? tr("Calibration: %1.").arg(word)
                               : tr("Calibration: %1. %2").arg(word, sentence(judged.reason)));
    offsetLabel_->setText(tr("Offset: %1, %2, %3 µT")
                              .arg(c.offset.x, 0, 'f', 1)
                              .arg(c.offset.y, 0, 'f', 1)
                              .arg(c.offset.z, 0, 'f', 1));
    const double fitted = c.quality.fittedRadius > 0 ? c.quality.fittedRadius : c.quality.radius;
    radiusLabel_->setText(reference_ ? tr("Field: %1 µT; expected here %2 µT")
                                           .arg(fitted, 0, 'f', 1)
                                           .arg(*reference_, 0, 'f', 1)
                                     : tr("Field: %1 µT").arg(fitted, 0, 'f', 1));
    qualityLabel_->setText(tr("Residual: %1 of the field. Directions covered: %2.")
                               .arg(percent(c.quality.residualPercent))
                               .arg(percent(c.quality.coveragePercent)));
    pages_->setCurrentIndex(1);
}

void CalibrationScreen::save() {
    if (!result_) return;
    const auto calibration = *result_;
    emit calibrated(calibration);
    accept();
}

void CalibrationScreen::tryAgain() {
    result_.reset();
    collector_.restart();
    pages_->setCurrentIndex(0);
    refresh();
    take();
}

}  // namespace platform::qt
