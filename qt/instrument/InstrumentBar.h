#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>
#include <vector>

class QActionGroup;
class QGridLayout;
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
    // Marks of where the samples come from, after the others: "CAL" (headings corrected by a
    // calibration), "REPLAY".
    void showSourceMarks(const QStringList& marks);
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

  protected:
    void resizeEvent(QResizeEvent* event) override;

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
    // Beside the buttons where they fit; otherwise on a line of their own under them, so that
    // neither a button nor a mark is ever cut.
    void placeMarks();

    QGridLayout* grid_;
    QStringList sourceMarks_;
    bool held_ = false, relative_ = false, recording_ = false;
    QString recordingMark_;
    QString marks_;
};

}  // namespace platform::qt
