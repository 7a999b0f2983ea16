#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "QtMeterFixture.h"
#include "heading/HeadingSession.h"
#include "heading/calibration/CalibrationStore.h"
#include "heading/simulated/SimulatedField.h"
#include "qt/calibration/CalibrationFlow.h"
#include "qt/calibration/CalibrationScreen.h"
#include "qt/calibration/CoverageView.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenScaler.h"

namespace {

using fluxprobe_qt_test::QtMeterTest;

constexpr double kRate = 200;

TEST_F(QtMeterTest, GuidedCalibrationOfATumblingDeviceSetsTheHeadingsRight) {
    const auto config = std::filesystem::temp_directory_path() /
                        ("fluxprobe-calibration-qt-" + std::to_string(::getpid()));
    std::filesystem::remove_all(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    launch();

    heading::SourceOptions options;
    options.spec = "simulated:rate=200,tumble,offset=40,-60,25,soft=1.1,0.05,0,0.05,0.9,0,0,0,1";
    heading::HeadingSession session(options, service,
                                    [this](std::function<void()> t) { platform->post(t); });
    platform::qt::CalibrationFlow flow(service, session, calibrationTap);
    flow.attachTo(window);
    auto* button = window->findChild<QPushButton*>(QStringLiteral("calibrateButton"));
    ASSERT_NE(button, nullptr);
    // A button that grows with the window like the screen's own.
    window->resize(1080, 1200);
    QTest::qWait(50);
    platform::qt::ScreenScaler::of(button)->relayout();
    EXPECT_EQ(QFontInfo(button->font()).pixelSize(),
              QFontInfo(window->findChild<QPushButton*>(QStringLiteral("compassButton"))->font())
                  .pixelSize());
    EXPECT_GT(button->height(), 20);
    button->click();
    platform::qt::CalibrationScreen* screen = flow.screen();
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(screen));

    session.start();
    // The meter waits while the calibration takes the samples.
    auto* magnitude =
        window->findChild<platform::qt::ReadoutLabel*>(QStringLiteral("magnitudeLabel"));
    const QString frozen = magnitude->text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen->collector().kept() > 50; }, 10000));
    EXPECT_EQ(magnitude->text(), frozen);
    EXPECT_FALSE(screen->findChild<QLabel*>(QStringLiteral("coverageLabel"))->text().isEmpty());

    const auto text = [&](const char* name) {
        return screen->findChild<QLabel*>(QString::fromLatin1(name))->text();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen->showsResult(); }, 60000))
        << text("calibrationStatus").toStdString();
    // The result waits for the user: nothing is kept before Save.
    EXPECT_FALSE(service.correction());
    EXPECT_TRUE(text("calibrationVerdict").startsWith(QStringLiteral("Calibration: ")));
    EXPECT_TRUE(text("calibrationOffset").startsWith(QStringLiteral("Offset: ")));
    EXPECT_TRUE(text("calibrationRadius").contains(QStringLiteral(" µT")));
    // Try again starts over from nothing; the next accepted fit shows its result again.
    screen->findChild<QPushButton*>(QStringLiteral("tryCalibrationAgain"))->click();
    EXPECT_FALSE(screen->showsResult());
    EXPECT_LT(screen->collector().kept(), 50u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen->showsResult(); }, 60000))
        << text("calibrationStatus").toStdString();
    QString said;
    QObject::connect(&flow, &platform::qt::CalibrationFlow::kept,
                     [&said](const QString& message) { said = message; });
    EXPECT_FALSE(session.calibrated());
    screen->findChild<QPushButton*>(QStringLiteral("saveCalibration"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->isVisible(); }, 5000));
    ASSERT_TRUE(service.correction());
    // The window is told where it went, and that headings are corrected from now on.
    EXPECT_TRUE(
        said.startsWith(QStringLiteral("Calibrated: headings are corrected (CAL). "
                                       "Calibration kept in ")))
        << said.toStdString();
    EXPECT_TRUE(session.calibrated());
    EXPECT_TRUE(std::filesystem::exists(heading::calibration::storedCalibrationPath("simulated")));
    auto* coverage = screen->findChild<platform::qt::CoverageView*>();
    EXPECT_GE(coverage->hit(0) + coverage->hit(25), 1);  // straight out of the front or back

    struct Seen : heading::SampleSink {
        void onSample(const std::shared_ptr<const heading::Heading>& h) override {
            samples.push_back(*h);
        }
        void onError(const heading::LocationError&) override {}
        std::vector<heading::Heading> samples;
    } sink;
    layRoad({.recorder = &sink});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.samples.size() >= 300; }, 20000));
    layRoad();
    const std::vector<heading::Heading>& seen = sink.samples;

    heading::SimulatedMotion tumble;
    tumble.tumble = true;
    heading::SimulatedMotion distorted = tumble;
    distorted.offset = {40, -60, 25};
    distorted.soft = {1.1, 0.05, 0, 0.05, 0.9, 0, 0, 0, 1};
    double before = 0, after = 0, worst = 0;
    for (const auto& h : seen) {
        const auto n = static_cast<std::uint64_t>(std::llround(h.timestamp * kRate));
        const double truth = heading::SimulatedField::sample(n, kRate, {}, tumble).magneticHeading;
        const double raw = heading::SimulatedField::sample(n, kRate, {}, distorted).magneticHeading;
        const double off = std::fabs(std::remainder(h.magneticHeading - truth, 360.0));
        const double was = std::fabs(std::remainder(raw - truth, 360.0));
        after += off * off;
        before += was * was;
        worst = std::max(worst, off);
    }
    const double rmsAfter = std::sqrt(after / seen.size());
    const double rmsBefore = std::sqrt(before / seen.size());
    EXPECT_LT(rmsAfter, 1.0) << "heading RMS " << rmsBefore << "° uncorrected, " << rmsAfter
                             << "° corrected";
    EXPECT_GT(rmsBefore, 10.0);
    std::printf("  tumbling heading RMS %.1f° uncorrected, %.2f° corrected (worst %.2f°)\n",
                rmsBefore, rmsAfter, worst);
    EXPECT_NE(magnitude->text(), frozen);  // the meter reads again
    session.stop();
    std::filesystem::remove_all(config);
}

}  // namespace
