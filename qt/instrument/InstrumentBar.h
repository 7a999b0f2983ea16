#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>
#include <vector>

class QActionGroup;
class QMenu;
class QToolButton;

namespace platform::qt {

// The compact row of the instrument's controls: Hold, Zero (a long press clears), a red-dot
// Record, and ⋯ for the unit and the statistics strip; the HOLD, REL and REC marks at its right.
// It only shows and asks: InstrumentControls does what is asked.
class InstrumentBar : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kLongPressMs = 600;

    explicit InstrumentBar(QWidget* parent = nullptr);

    // Brings the buttons and marks in line with the instrument's state.
    void showState(bool held, bool relative, bool recording, const QString& recordingMark);
    // Checks the unit in the menu.
    void showUnit(const QString& key);
    // Every widget it made: its buttons, their menu and its marks.
    std::vector<QWidget*> parts() const;
    void showStripShown(bool shown);
    // "HOLD REL REC …" as shown, without markup.
    QString marks() const { return marks_; }

  signals:
    void holdToggled();
    void zeroPressed();
    void zeroCleared();
    void recordToggled();
    void unitChosen(const QString& key);
    void stripToggled();
    void statisticsReset();

  private:
    QToolButton* button(const QString& name, const QString& text, const QString& tip);

    QToolButton* hold_;
    QToolButton* zero_;
    QToolButton* record_;
    QToolButton* more_;
    QMenu* menu_;
    QMenu* unitsMenu_;
    QActionGroup* units_;
    QAction* strip_;
    QLabel* marksLabel_;
    QElapsedTimer zeroPress_;
    QString marks_;
};

}  // namespace platform::qt
