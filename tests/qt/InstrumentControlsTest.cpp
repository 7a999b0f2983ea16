#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "QtMeterFixture.h"
#include "heading/HeadingSession.h"
#include "heading/SignalWatch.h"
#include "heading/replay/ReplayFile.h"
#include "instrument/Instrument.h"
#include "qt/instrument/InstrumentBar.h"
#include "qt/instrument/InstrumentControls.h"
#include "qt/instrument/StatisticsStrip.h"
#include "qt/instrument/WindowRecording.h"
#include "remote/MeterStatus.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::InstrumentControls;

heading::SourceOptions noSource() {
    heading::SourceOptions options;
    options.spec = "none";
    options.calibration = "none";
    return options;
}

// The meter with the instrument in the samples' road and its controls around the screen.
class InstrumentControlsTest : public QtMeterTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        // Documents resolves through the user's folder settings, as on a desktop.
        QDir(home.path()).mkpath(QStringLiteral("config"));
        QFile dirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"" + home.filePath(QStringLiteral("Docs")).toUtf8() +
                   "\"\n");
        dirs.close();
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());

        launch();
        controls = std::make_unique<InstrumentControls>(instrument, session, kept, std::nullopt);
        layRoad({.instrument = &instrument, .windowRecording = &controls->recording()});
        controls->attachTo(window);
        settle();
    }
    void TearDown() override {
        road.reset();
        controls.reset();
        QtMeterTest::TearDown();
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    // Readouts and plain labels alike.
    QString text(const char* name) const {
        return widget<QWidget>(name)->property("text").toString();
    }
    QString readouts() const {
        return text("xLabel") + " " + text("yLabel") + " " + text("zLabel") + " " +
               text("magnitudeLabel");
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window, k, modifiers);
        settle();
    }
    void sample(double x, double y, double z) {
        deliver(x, y, z);
        settle();
    }
    QString marks() const { return controls->bar()->marks(); }
    bool alarm() const { return widget<QWidget>("wavesview")->isVisible(); }
    // What /api/v1/status says of the marks: held, relative.
    std::pair<bool, bool> reported() const {
        const heading::SignalWatch signal(service);
        const remote::MeterStatus s =
            remote::meterStatusOf(signal, service.samplesDelivered(), instrument, false);
        return {s.held, s.relative};
    }

    QTemporaryDir home;
    QByteArray savedConfig;
    QSettings kept{home.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat};
    instrument::Instrument instrument;
    heading::HeadingSession session{noSource(), service, [](std::function<void()> f) { f(); }};
    std::unique_ptr<InstrumentControls> controls;
};

TEST_F(InstrumentControlsTest, HoldKeepsTheReadoutsWhileTheAlarmFollowsEverySample) {
    sample(3, 4, 12);
    const QString shown = readouts();
    key(Qt::Key_H);
    EXPECT_EQ(marks(), "HOLD");
    EXPECT_EQ(reported(), std::make_pair(true, false));
    const std::uint64_t before = service.samplesDelivered();
    for (double z : {150.0, 160.0}) {
        sample(0, 0, z);
        EXPECT_EQ(readouts(), shown);
        EXPECT_TRUE(alarm()) << z;
    }
    sample(0, 0, 20);
    EXPECT_FALSE(alarm());
    EXPECT_EQ(service.samplesDelivered() - before, 3u);
    key(Qt::Key_H);
    sample(0, 0, 50);
    EXPECT_EQ(marks(), "");
    EXPECT_EQ(readouts(), QString::fromUtf8("X \u00b5T:0.0 Y \u00b5T:0.0 Z \u00b5T:50.0 50.0"));
}

TEST_F(InstrumentControlsTest, ZeroShowsTheChangeInTheChosenUnitAndTheStripKeepsTheField) {
    for (int i = 0; i < 10; ++i) sample(90, 100, 40);
    key(Qt::Key_Z);
    EXPECT_EQ(marks(), "REL");
    EXPECT_EQ(reported(), std::make_pair(false, true));
    sample(93, 104, 40);
    EXPECT_EQ(readouts(), QString::fromUtf8("X \u00b5T:3.0 Y \u00b5T:4.0 Z \u00b5T:0.0 5.0"));
    EXPECT_TRUE(alarm());  // 140 µT measured, above 100

    controls->chooseUnit(instrument::Unit::Milligauss, true);
    sample(93, 104, 40);
    EXPECT_EQ(readouts(), "X mG:30 Y mG:40 Z mG:0 50");
    EXPECT_EQ(text("unitLabel"), "mG");
    EXPECT_EQ(text("thresholdLabel"), "alarm above 1000 mG");
    EXPECT_EQ(kept.value("units").toString(), "mG");

    key(Qt::Key_S);
    auto* strip = controls->strip();
    EXPECT_TRUE(strip->isVisible());
    // The field, not the change, and it says so.
    EXPECT_TRUE(strip->plainText().startsWith("measured mG  min"));
    EXPECT_TRUE(strip->plainText().contains("X  900  930  905"));
    key(Qt::Key_R);
    EXPECT_EQ(strip->plainText(), "no samples since reset");
    // On the screen at once, not at the strip's next refresh.
    EXPECT_EQ(strip->text().toStdString(), "no samples since reset");

    key(Qt::Key_Z, Qt::ShiftModifier);
    sample(3, 4, 0);
    EXPECT_EQ(marks(), "");
    EXPECT_EQ(readouts(), "X mG:30 Y mG:40 Z mG:0 50");
}

TEST_F(InstrumentControlsTest, CtrlRTwiceWritesANewReplayableFileInDocuments) {
    const QDir documents(home.filePath(QStringLiteral("Docs")));
    std::vector<QString> files;
    for (int run = 0; run < 2; ++run) {  // the second in the same second gets its own name
        key(Qt::Key_R, Qt::ControlModifier);
        EXPECT_TRUE(marks().startsWith("REC ")) << marks().toStdString();
        for (int i = 0; i < 5; ++i) sample(run, i, 48);
        key(Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(marks(), "");
        files.push_back(controls->recording().path());
        EXPECT_TRUE(controls->message().contains(files.back()));
        const auto samples = heading::ReplayFile::read(files.back().toStdString());
        ASSERT_EQ(samples.size(), 5u);
        EXPECT_EQ(samples[4].x, run);
        EXPECT_EQ(samples[4].y, 4);
    }
    EXPECT_EQ(QFileInfo(files[0]).absolutePath(), documents.absolutePath());
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith("fluxprobe-"));
    EXPECT_NE(files[0], files[1]);
}

TEST_F(InstrumentControlsTest, SpaceAndEnterPressTheFocusedButton) {
    for (int i = 0; i < 3; ++i) sample(10, 20, 30);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const struct {
        const char* button;
        Qt::Key key;
        const char* marks;
    } cases[] = {
        {"holdButton", Qt::Key_Space, "HOLD"},
        {"holdButton", Qt::Key_Return, ""},
        {"zeroButton", Qt::Key_Enter, "REL"},
        {"holdButton", Qt::Key_Enter, "HOLD REL"},
    };
    for (const auto& c : cases) {
        auto* button = widget<QWidget>(c.button);
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus()) << c.button;
        QTest::keyClick(button, c.key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return marks() == c.marks; }, 3000))
            << c.button << " with key " << c.key << ": " << marks().toStdString();
    }
}

// Held, zeroed and recording, at every documented size: every control lies whole inside the
// window, no two overlap, the marks are not cut, and a message covers none of them.
TEST_F(InstrumentControlsTest, NothingToPressIsCutOrCoveredAtAnySize) {
    for (int i = 0; i < 3; ++i) sample(10, 20, 30);
    key(Qt::Key_H);
    key(Qt::Key_Z);
    key(Qt::Key_R, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i) sample(10, 20, 30);
    ASSERT_TRUE(marks().startsWith("HOLD REL REC ")) << marks().toStdString();
    auto* marksLabel = widget<QLabel>("instrumentMarks");
    for (const QSize size : {QSize(320, 480), QSize(280, 440), QSize(900, 700)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        window->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == size; }, 3000));
        settle();
        controls->say(
            QStringLiteral("Recording to /home/someone/Documents/fluxprobe-2025-01-01-"
                           "12-00-00.csv: press the red dot or Ctrl+R to stop"));
        settle();
        const QRect toast(widget<QWidget>("statusToast")->geometry());
        std::vector<std::pair<QString, QRect>> controlsShown;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible() ||
                !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QSlider*>(w)))
                continue;
            controlsShown.emplace_back(w->objectName(),
                                       QRect(w->mapTo(window, QPoint()), w->size()));
        }
        controlsShown.emplace_back("marks",
                                   QRect(marksLabel->mapTo(window, QPoint()), marksLabel->size()));
        for (const auto& [name, r] : controlsShown) {
            EXPECT_TRUE(window->rect().contains(r)) << name.toStdString();
            EXPECT_FALSE(toast.intersects(r)) << "the message covers " << name.toStdString();
            for (const auto& [other, o] : controlsShown) {
                if (other != name) {
                    EXPECT_FALSE(o.intersects(r))
                        << name.toStdString() << " and " << other.toStdString();
                }
            }
        }
        EXPECT_LE(marksLabel->fontMetrics().horizontalAdvance(marks()),
                  marksLabel->contentsRect().width())
            << "the marks are cut: " << marks().toStdString();
        if (const QByteArray dir = qgetenv("FLUXPROBE_SHOT_DIR"); !dir.isEmpty())
            window->grab().save(
                QString::fromUtf8(dir) +
                QStringLiteral("/controls-%1x%2.png").arg(size.width()).arg(size.height()));
    }
    key(Qt::Key_R, Qt::ControlModifier);
}

}  // namespace
}  // namespace fluxprobe_qt_test
