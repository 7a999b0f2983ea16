#include "qt/instrument/InstrumentBar.h"

#include <QActionGroup>
#include <QGridLayout>
#include <QMenu>
#include <QToolButton>

#include "instrument/Units.h"
#include "qt/widgets/KeyboardAccess.h"

namespace platform::qt {

InstrumentBar::InstrumentBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("instrumentBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setStyleSheet(QStringLiteral(
        "QToolButton { color: #e8eef2; background: #2b3a42; border: 1px solid #05080a;"
        " border-radius: 5px; padding: 2px 7px; }"
        "QToolButton:checked { background: #ffb000; color: #12191d; }"
        "QToolButton:focus { border: 2px solid #ffb000; }"
        "QToolButton::menu-indicator { image: none; width: 0; }"
        "#recordButton { color: #ff3b30; }"
        "#recordButton:checked { background: #ff3b30; color: #ffffff; }"
        "#instrumentMarks { color: #ffb000; font-weight: bold; }"));

    hold_ = button(QStringLiteral("holdButton"), tr("Hold"), tr("Freeze what is shown (H)"));
    hold_->setCheckable(true);
    zero_ = button(QStringLiteral("zeroButton"), tr("Zero"),
                   tr("Show the change from now on (Z); a long press or Shift+Z clears it"));
    record_ = button(QStringLiteral("recordButton"), QStringLiteral("\u25cf"),
                     tr("Record to the Documents folder (Ctrl+R)"));
    record_->setCheckable(true);
    record_->setAccessibleName(tr("Record"));
    more_ = button(QStringLiteral("instrumentMenuButton"), QStringLiteral("\u22ef"),
                   tr("Units and statistics"));
    more_->setAccessibleName(tr("More"));
    more_->setPopupMode(QToolButton::InstantPopup);

    menu_ = new QMenu(this);
    QMenu* units = unitsMenu_ = menu_->addMenu(tr("Units"));
    units_ = new QActionGroup(this);
    using instrument::Unit;
    for (Unit unit : {Unit::Microtesla, Unit::Nanotesla, Unit::Milligauss, Unit::Gauss}) {
        QAction* a = units->addAction(QString::fromUtf8(instrument::unitSymbol(unit)));
        a->setCheckable(true);
        a->setData(QString::fromLatin1(instrument::unitKey(unit)));
        units_->addAction(a);
    }
    strip_ = menu_->addAction(tr("Statistics"));
    strip_->setCheckable(true);
    strip_->setShortcut(QKeySequence(Qt::Key_S));
    strip_->setShortcutContext(Qt::WidgetShortcut);  // shown only: the window binds the key
    QAction* reset = menu_->addAction(tr("Reset statistics"));
    reset->setShortcut(QKeySequence(Qt::Key_R));
    reset->setShortcutContext(Qt::WidgetShortcut);
    QAction* clear = menu_->addAction(tr("Clear zero"));
    clear->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Z));
    clear->setShortcutContext(Qt::WidgetShortcut);
    more_->setMenu(menu_);

    marksLabel_ = new QLabel(this);
    marksLabel_->setObjectName(QStringLiteral("instrumentMarks"));
    marksLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    marksLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setHorizontalSpacing(4);
    grid_->setVerticalSpacing(2);
    int column = 0;
    for (QToolButton* b : {hold_, zero_, record_, more_}) grid_->addWidget(b, 0, column++);
    grid_->setColumnStretch(4, 1);
    grid_->addWidget(marksLabel_, 0, 4);
    // Space and Enter press the focused button.
    KeyboardAccess::attach(this);

    connect(hold_, &QToolButton::clicked, this, &InstrumentBar::holdToggled);
    connect(record_, &QToolButton::clicked, this, &InstrumentBar::recordToggled);
    connect(zero_, &QToolButton::pressed, this, [this] { zeroPress_.start(); });
    connect(zero_, &QToolButton::released, this, [this] {
        if (zeroPress_.isValid() && zeroPress_.elapsed() >= kLongPressMs)
            emit zeroCleared();
        else
            emit zeroPressed();
        zeroPress_.invalidate();
    });
    connect(units_, &QActionGroup::triggered, this,
            [this](QAction* a) { emit unitChosen(a->data().toString()); });
    connect(strip_, &QAction::triggered, this, &InstrumentBar::stripToggled);
    connect(reset, &QAction::triggered, this, &InstrumentBar::statisticsReset);
    connect(clear, &QAction::triggered, this, &InstrumentBar::zeroCleared);
}

QToolButton* InstrumentBar::button(const QString& name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(tip);
    b->setAccessibleDescription(tip);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

void InstrumentBar::showState(bool held, bool relative, bool recording,
                              const QString& recordingMark) {
    hold_->setChecked(held);
    record_->setChecked(recording);
    held_ = held;
    relative_ = relative;
    recording_ = recording;
    recordingMark_ = recordingMark;
    QStringList marks;
    if (held) marks << QStringLiteral("HOLD");
    if (relative) marks << QStringLiteral("REL");
    if (recording) marks << QStringLiteral("REC ") + recordingMark;
    marks << sourceMarks_;
    const QString text = marks.join(QLatin1Char(' '));
    if (text != marks_) {
        marks_ = text;
        marksLabel_->setText(text);
        placeMarks();
    }
}

void InstrumentBar::showSourceMarks(const QStringList& marks) {
    sourceMarks_ = marks;
    showState(held_, relative_, recording_, recordingMark_);
}

void InstrumentBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeMarks();
}

void InstrumentBar::placeMarks() {
    int buttons = 0;
    for (QToolButton* b : {hold_, zero_, record_, more_})
        buttons += b->sizeHint().width() + grid_->horizontalSpacing();
    const int needed = marksLabel_->fontMetrics().horizontalAdvance(marks_) + 4;
    const bool below = !marks_.isEmpty() && buttons + needed > width();
    const bool isBelow = grid_->indexOf(marksLabel_) >= 0 && [this] {
        int row, column, rows, columns;
        grid_->getItemPosition(grid_->indexOf(marksLabel_), &row, &column, &rows, &columns);
        return row == 1;
    }();
    if (below == isBelow) return;
    grid_->removeWidget(marksLabel_);
    if (below)
        grid_->addWidget(marksLabel_, 1, 0, 1, 5);
    else
        grid_->addWidget(marksLabel_, 0, 4);
}

void InstrumentBar::showUnit(const QString& key) {
    for (QAction* a : units_->actions()) a->setChecked(a->data().toString() == key);
}

void InstrumentBar::showStripShown(bool shown) {
    strip_->setChecked(shown);
}

std::vector<QWidget*> InstrumentBar::parts() const {
    return {hold_, zero_, record_, more_, menu_, unitsMenu_, marksLabel_};
}

}  // namespace platform::qt
