#include "qt/ac/AcScreen.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "instrument/AcMonitor.h"
#include "instrument/Instrument.h"
#include "qt/ac/SpectrumPlot.h"

namespace platform::qt {

namespace {

QLabel* label(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

AcScreen::AcScreen(instrument::AcMonitor& monitor, const instrument::Instrument& instrument,
                   QWidget* parent)
    : QWidget(parent), monitor_(monitor), instrument_(instrument) {
    setObjectName(QStringLiteral("acScreen"));
    setAccessibleName(tr("AC field"));
    setAttribute(Qt::WA_OpaquePaintEvent);  // it paints its own background
    setStyleSheet(QStringLiteral(
        "QLabel { color: #d8e2e7; }"
        "#acTitle { color: #8fa3ad; font-weight: bold; }"
        "#acRmsLabel { color: #e8eef2; font-weight: bold; }"
        "#acFrequencyLabel { color: #ffb000; font-weight: bold; }"
        "#acStatusLabel { color: #8fa3ad; }"
        "QPushButton { color: #e8eef2; background: #2b3a42; border: 1px solid #05080a;"
        " border-radius: 6px; padding: 6px 10px; }"
        "QPushButton:pressed { background: #40545e; }"
        "QPushButton:focus { border: 2px solid #ffb000; }"));

    auto* title = label("acTitle", this);
    title->setText(tr("AC FIELD"));
    rms_ = label("acRmsLabel", this);
    rms_->setAccessibleName(tr("AC field RMS"));
    frequency_ = label("acFrequencyLabel", this);
    frequency_->setAccessibleName(tr("Dominant frequency"));
    status_ = label("acStatusLabel", this);
    status_->setWordWrap(true);
    plot_ = new SpectrumPlot(this);
    auto* legend = label("acLegend", this);
    legend->setTextFormat(Qt::RichText);
    legend->setText(
        QStringLiteral("<span style='color:#ff6b61'>x</span> <span style='color:#5fe07a'>y</span> "
                       "<span style='color:#6fa8ff'>z</span> <span style='color:#ffb000'>|B|</span>"
                       " <span style='color:#8fa3ad'>rms per bin</span>"));
    done_ = new QPushButton(tr("Done"), this);
    done_->setObjectName(QStringLiteral("acDoneButton"));
    done_->setAccessibleDescription(tr("Closes the AC view"));
    connect(done_, &QPushButton::clicked, this, &AcScreen::doneRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    layout->addWidget(title);
    layout->addWidget(rms_);
    layout->addWidget(frequency_);
    layout->addWidget(status_);
    layout->addWidget(plot_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(legend, 1);
    bottom->addWidget(done_);
    layout->addLayout(bottom);

    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &AcScreen::refresh);
}

void AcScreen::refresh() {
    const QString ended = ended_ ? ended_() : QString();
    if (monitor_.samples() == shownSamples_ && ended.isEmpty() == !showsEnd_) return;
    shownSamples_ = monitor_.samples();
    showsEnd_ = !ended.isEmpty();
    const instrument::Spectrum& s = monitor_.spectrum();
    const instrument::Unit unit = instrument_.unit();
    const QString rms =
        QStringLiteral(" %1 rms").arg(QString::fromUtf8(instrument::unitSymbol(unit)));
    if (showsEnd_) {
        // Ended means ended: no figure stays up as if it were still measured.
        rms_->setText(QStringLiteral("--") + rms);
        frequency_->setText(QStringLiteral("-- Hz"));
        status_->setText(ended);
        plot_->setUnit(unit);
        plot_->setSpectrum(instrument::Spectrum{});
        return;
    }
    if (s.ready()) {
        rms_->setText(QString::fromStdString(instrument::formatFigure(s.acRms, unit)) + rms);
        frequency_->setText(s.dominantHz
                                ? QString::number(*s.dominantHz, 'f', 1) + QStringLiteral(" Hz")
                                : QStringLiteral("-- Hz"));
        status_->setText(tr("%1 samples/s, the last %2 s")
                             .arg(s.rate, 0, 'f', s.rate < 100 ? 1 : 0)
                             .arg(static_cast<double>(s.size) / s.rate, 0, 'f', 2));
    } else {
        rms_->setText(QStringLiteral("--") + rms);
        frequency_->setText(QStringLiteral("-- Hz"));
        const std::string_view why = instrument::describe(s.status);
        status_->setText(shownSamples_ == 0
                             ? tr("No samples yet")
                             : QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())));
    }
    plot_->setUnit(unit);
    plot_->setSpectrum(s);
}

void AcScreen::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), QColor(0x12, 0x19, 0x1d));  // the meter's background
}

void AcScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shownSamples_ = UINT64_MAX;
    refresh();
    timer_.start();
}

void AcScreen::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

void AcScreen::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        done_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AcScreen::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The figures grow with the window, never below their first size.
    QFont big = font();
    big.setPixelSize(std::max(26, height() / 14));
    rms_->setFont(big);
    frequency_->setFont(big);
}

}  // namespace platform::qt
