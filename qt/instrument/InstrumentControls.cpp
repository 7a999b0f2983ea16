#include "qt/instrument/InstrumentControls.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QShortcut>
#include <QWidget>

#include "heading/HeadingSession.h"
#include "instrument/Instrument.h"
#include "qt/instrument/InstrumentBar.h"
#include "qt/instrument/StatisticsStrip.h"
#include "qt/instrument/StatusToast.h"
#include "qt/instrument/WindowRecording.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/ThresholdLabel.h"

namespace platform::qt {

namespace {

const QString kUnitSetting = QStringLiteral("units");

}  // namespace

InstrumentControls::InstrumentControls(instrument::Instrument& instrument,
                                       heading::HeadingSession& session, QSettings& settings,
                                       std::optional<instrument::Unit> unit,
                                       const QString& documents)
    : instrument_(instrument),
      session_(session),
      settings_(settings),
      recording_(std::make_unique<WindowRecording>(session, documents)) {
    if (!unit) unit = instrument::parseUnit(settings_.value(kUnitSetting).toString().toStdString());
    instrument_.setUnit(unit.value_or(instrument::Unit::Microtesla));
    recordingClock_.setInterval(500);
    connect(&recordingClock_, &QTimer::timeout, this, &InstrumentControls::showState);
    connect(recording_.get(), &WindowRecording::changed, this, &InstrumentControls::showState);
}

InstrumentControls::~InstrumentControls() {
    // The bar and strip belong to the window; they go with it, or here if it outlives us.
    delete bar_.data();
    delete strip_.data();
    delete toast_.data();
}

QString InstrumentControls::message() const {
    return toast_ ? toast_->saying() : QString();
}

void InstrumentControls::say(const QString& text) {
    if (toast_) toast_->say(text);
    showState();
}

InstrumentBar* InstrumentControls::bar() const {
    return bar_;
}

StatisticsStrip* InstrumentControls::strip() const {
    return strip_;
}

bool InstrumentControls::isRecording() const {
    return recording_->isRecording();
}

void InstrumentControls::attachTo(QWidget* window) {
    window_ = window;
    if (!window) return;
    bar_ = new InstrumentBar(window);
    strip_ = new StatisticsStrip(instrument_, window);
    strip_->hide();
    toast_ = new StatusToast(window);
    // Under the title, inside the meter's column; else at the top of the window.
    QBoxLayout* column = WindowParts::of(window).named<QBoxLayout>("screenLayout");
    int at = 1;
    if (!column) {
        column = qobject_cast<QBoxLayout*>(window->layout());
        at = 0;
    }
    if (column) {
        column->insertWidget(at, bar_);
        column->insertWidget(at + 1, strip_);
    }
    // Their text grows with the window as the screen's own does.
    if (ScreenScaler* scaler = ScreenScaler::of(bar_)) {
        for (QWidget* w : bar_->parts()) scaler->adopt(w);
        scaler->adopt(strip_);
    }

    connect(bar_, &InstrumentBar::holdToggled, this, &InstrumentControls::toggleHold);
    connect(bar_, &InstrumentBar::zeroPressed, this, &InstrumentControls::zero);
    connect(bar_, &InstrumentBar::zeroCleared, this, &InstrumentControls::clearZero);
    connect(bar_, &InstrumentBar::recordToggled, this, &InstrumentControls::toggleRecording);
    connect(bar_, &InstrumentBar::stripToggled, this, &InstrumentControls::toggleStrip);
    connect(bar_, &InstrumentBar::statisticsReset, this, &InstrumentControls::resetStatistics);
    connect(bar_, &InstrumentBar::unitChosen, this, [this](const QString& key) {
        if (auto unit = instrument::parseUnit(key.toStdString())) chooseUnit(*unit, true);
    });

    const struct {
        QKeySequence keys;
        void (InstrumentControls::*act)();
    } keys[] = {
        {QKeySequence(Qt::Key_H), &InstrumentControls::toggleHold},
        {QKeySequence(Qt::Key_Z), &InstrumentControls::zero},
        {QKeySequence(Qt::SHIFT | Qt::Key_Z), &InstrumentControls::clearZero},
        {QKeySequence(Qt::Key_S), &InstrumentControls::toggleStrip},
        {QKeySequence(Qt::Key_R), &InstrumentControls::resetStatistics},
        {QKeySequence(Qt::CTRL | Qt::Key_R), &InstrumentControls::toggleRecording},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(k.keys, window);
        connect(shortcut, &QShortcut::activated, this, k.act);
    }
    // The compass is made each time it opens: its readouts learn the unit as it appears.
    if (auto* meter = WindowParts::of(window).named<ScreenWidget>("FluxprobeViewController"))
        connect(meter, &ScreenWidget::overlaid, this, &InstrumentControls::speakUnit);
    // A replay must not pass for a live sensor: its file is named in the title.
    if (const std::string& file = session_.replayFile(); !file.empty())
        window->setWindowTitle(tr("fluxprobe \u2014 replay of %1")
                                   .arg(QFileInfo(QString::fromStdString(file)).fileName()));
    applyUnit();
    showState();
}

void InstrumentControls::toggleHold() {
    instrument_.setHeld(!instrument_.held());
    showState();
}

void InstrumentControls::zero() {
    if (!instrument_.zero()) say(tr("No sample to zero on yet"));
    showState();
}

void InstrumentControls::clearZero() {
    instrument_.clearZero();
    showState();
}

void InstrumentControls::toggleStrip() {
    if (!strip_) return;
    strip_->setVisible(strip_->isHidden());
    if (bar_) bar_->showStripShown(!strip_->isHidden());
}

void InstrumentControls::resetStatistics() {
    instrument_.resetStatistics();
    if (strip_ && !strip_->isHidden()) strip_->refresh();
}

void InstrumentControls::toggleRecording() {
    say(recording_->toggle());
}

void InstrumentControls::chooseUnit(instrument::Unit unit, bool remember) {
    instrument_.setUnit(unit);
    if (remember) settings_.setValue(kUnitSetting, QString::fromLatin1(instrument::unitKey(unit)));
    applyUnit();
}

void InstrumentControls::applyUnit() {
    const instrument::Unit unit = instrument_.unit();
    if (bar_) bar_->showUnit(QString::fromLatin1(instrument::unitKey(unit)));
    if (strip_ && !strip_->isHidden()) strip_->refresh();
    if (!window_) return;
    // The caption beside the total and the alarm's line speak the same unit as the readouts.
    const WindowParts& parts = WindowParts::of(window_);
    if (auto* caption = parts.named<QLabel>("unitLabel"))
        caption->setText(QString::fromUtf8(instrument::unitSymbol(unit)));
    if (ThresholdLabel* alarm = parts.thresholdLabel)
        alarm->setUnit(unit == instrument::Unit::Microtesla ? nullptr
                                                            : &instrument::fieldUnit(unit));
    speakUnit(window_);
}

void InstrumentControls::speakUnit(QWidget* screen) {
    const QString spoken = QString::fromLatin1(instrument::unitName(instrument_.unit()));
    // Only the field's readouts: a heading stays in degrees.
    for (auto* readout : WindowParts::of(screen).widgets<ReadoutLabel>())
        if (instrument::unitNamed(readout->unit().toStdString())) readout->setUnit(spoken);
}

void InstrumentControls::showState() {
    // The strip says at once whether its figures are of the field or beside a zero.
    if (strip_ && !strip_->isHidden()) strip_->refresh();
    const bool recording = recording_->isRecording();
    if (recording && !recordingClock_.isActive()) recordingClock_.start();
    if (!recording) recordingClock_.stop();
    if (!bar_) return;
    const int seconds = static_cast<int>(recording_->seconds());
    const QString mark = QStringLiteral("%1:%2 \u00b7 %3")
                             .arg(seconds / 60)
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                             .arg(recording_->samples());
    QStringList source;
    if (session_.calibrated()) source << QStringLiteral("CAL");
    if (!session_.replayFile().empty()) source << QStringLiteral("REPLAY");
    bar_->showSourceMarks(source);
    bar_->showState(instrument_.held(), instrument_.relative(), recording, mark);
}

}  // namespace platform::qt
