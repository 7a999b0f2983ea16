#include <gtest/gtest.h>

#include <cmath>

#include "../MeterFixture.h"
#include "instrument/Instrument.h"
#include "instrument/SummaryLine.h"

namespace fluxprobe_test {
namespace {

using instrument::Unit;
using Vector = heading::Vector3;

TEST(Units, ParseNamesAndFormatAtTheEdges) {
    struct Parse {
        const char* text;
        std::optional<Unit> unit;
    };
    const Parse parses[] = {{"uT", Unit::Microtesla}, {"\u00b5T", Unit::Microtesla},
                            {"nT", Unit::Nanotesla},  {"mG", Unit::Milligauss},
                            {"G", Unit::Gauss},       {"ut", std::nullopt},
                            {"", std::nullopt},       {"gauss", std::nullopt}};
    for (const Parse& p : parses) EXPECT_EQ(instrument::parseUnit(p.text), p.unit) << p.text;
    // A screen reader's word for each unit names that unit back; a key or a symbol is no word.
    for (Unit unit : {Unit::Microtesla, Unit::Nanotesla, Unit::Milligauss, Unit::Gauss})
        EXPECT_EQ(instrument::unitNamed(instrument::unitName(unit)), unit)
            << instrument::unitKey(unit);
    for (const char* notAWord : {"uT", "\u00b5T", "degrees", ""})
        EXPECT_EQ(instrument::unitNamed(notAWord), std::nullopt) << notAWord;

    // Each writer with its cases: the field at a tenth of a microtesla, and figures to three
    // significant digits down to a thousandth of a microtesla.
    struct Case {
        std::string (*write)(double, Unit);
        double microtesla;
        const char *uT, *nT, *mG, *G;
    };
    const auto field = instrument::formatField;
    const auto figure = instrument::formatFigure;
    const Case cases[] = {
        {field, 48.3, "48.3", "48300", "483", "0.4830"},
        {field, -0.04, "0.0", "-40", "0", "-0.0004"},  // a zero is never negative
        {field, -0.004, "0.0", "-4", "0", "0.0000"},
        {figure, -0.0001, "0.000", "0", "0.00", "0.00000"},
        {field, 0.05, "0.1", "50", "0", "0.0005"},
        {field, 0.25, "0.2", "250", "2", "0.0025"},  // ties go to even, as printf rounds them
        {field, 1000.0, "1000.0", "1000000", "10000", "10.0000"},
        {figure, 1.48, "1.48", "1480", "14.8", "0.0148"},
        {figure, 148.4, "148", "148400", "1484", "1.48"},
        {figure, 0.0123, "0.012", "12", "0.12", "0.00012"},
        {figure, 0.0, "0.000", "0", "0.00", "0.00000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.write(c.microtesla, Unit::Microtesla), c.uT) << c.microtesla;
        EXPECT_EQ(c.write(c.microtesla, Unit::Nanotesla), c.nT) << c.microtesla;
        EXPECT_EQ(c.write(c.microtesla, Unit::Milligauss), c.mG) << c.microtesla;
        EXPECT_EQ(c.write(c.microtesla, Unit::Gauss), c.G) << c.microtesla;
    }
}

TEST(Reference, IsTheMeanOfTheLastTenSamples) {
    struct Case {
        int samples;  // sample i is (i, -2i, 100)
        std::optional<Vector> reference;
    };
    const Case cases[] = {
        {0, std::nullopt},          {1, Vector{0, 0, 100}},      {3, Vector{1, -2, 100}},
        {10, Vector{4.5, -9, 100}}, {12, Vector{6.5, -13, 100}},  // samples 2 to 11
    };
    for (const Case& c : cases) {
        instrument::Reference r;
        for (int i = 0; i < c.samples; ++i) r.add({double(i), -2.0 * i, 100});
        EXPECT_EQ(r.capture(), c.reference.has_value()) << c.samples;
        EXPECT_EQ(r.reference(), c.reference) << c.samples;
    }
    instrument::Reference r;
    r.add({10, 20, 30});
    EXPECT_EQ(r.relative({13, 24, 30}), (Vector{13, 24, 30}));  // nothing taken yet
    r.capture();
    EXPECT_EQ(r.relative({13, 24, 30}), (Vector{3, 4, 0}));
    EXPECT_EQ(heading::length(r.relative({13, 24, 30})), 5.0);
    r.clear();
    EXPECT_EQ(r.relative({13, 24, 30}), (Vector{13, 24, 30}));
}

TEST(Statistics, AgreeWithAHandComputedRunAndItsSummary) {
    instrument::Statistics s;
    // Totals 13, 5, 13, 0: the peak is the first 13.
    const struct {
        double t;
        Vector v;
    } samples[] = {{0.5, {3, 4, 12}}, {0.6, {-3, 0, 4}}, {0.7, {12, -4, 3}}, {0.8, {0, 0, 0}}};
    for (const auto& sample : samples) s.add(sample.v, sample.t);
    EXPECT_EQ(s.samples(), 4u);
    EXPECT_DOUBLE_EQ(s.seconds(), 0.3);
    EXPECT_EQ(s.x().min, -3);
    EXPECT_EQ(s.x().max, 12);
    EXPECT_EQ(s.mean(s.x()), 3);
    EXPECT_EQ(s.y().min, -4);
    EXPECT_EQ(s.mean(s.z()), 4.75);
    EXPECT_EQ(s.total().min, 0);
    EXPECT_EQ(s.total().max, 13);
    EXPECT_EQ(s.mean(s.total()), 7.75);
    EXPECT_EQ(s.peakTime(), 0.5);
    EXPECT_EQ(instrument::SummaryLine(s).text(),
              "summary: samples=4 seconds=0.300 x_min=-3.00 x_max=12.00 x_mean=3.00 "
              "y_min=-4.00 y_max=4.00 y_mean=0.00 z_min=0.00 z_max=12.00 z_mean=4.75 "
              "total_min=0.00 total_max=13.00 total_mean=7.75 total_peak_t=0.500");

    // No sample at all: zeros, never infinities.
    s.reset();
    instrument::SummaryLine empty(s);
    empty.append("ac_rms", "0.00");
    EXPECT_EQ(empty.text(),
              "summary: samples=0 seconds=0.000 x_min=0.00 x_max=0.00 x_mean=0.00 y_min=0.00 "
              "y_max=0.00 y_mean=0.00 z_min=0.00 z_max=0.00 z_mean=0.00 total_min=0.00 "
              "total_max=0.00 total_mean=0.00 total_peak_t=0.000 ac_rms=0.00");

    // One sample is its own min, max and mean.
    instrument::Statistics one;
    one.add({3, -4, 12}, 2.0);
    EXPECT_EQ(instrument::SummaryLine(one).text(),
              "summary: samples=1 seconds=0.000 x_min=3.00 x_max=3.00 x_mean=3.00 "
              "y_min=-4.00 y_max=-4.00 y_mean=-4.00 z_min=12.00 z_max=12.00 z_mean=12.00 "
              "total_min=13.00 total_max=13.00 total_mean=13.00 total_peak_t=2.000");

    // A value that rounds to zero carries no sign.
    s.add({-0.001, 0.004, -0.004}, 0.0);
    EXPECT_NE(
        instrument::SummaryLine(s).text().find(" x_min=0.00 x_max=0.00 x_mean=0.00 y_min=0.00 "
                                               "y_max=0.00 y_mean=0.00 z_min=0.00 "),
        std::string::npos);
}

TEST(Statistics, TheStripCountsHeldSamplesAndItsResetLeavesTheRun) {
    instrument::Instrument meter;
    const auto present = [&meter](Vector v, double t) {
        heading::Heading h = heading::Heading::of(v.x, v.y, v.z);
        h.timestamp = t;
        meter.present(h);
    };
    present({3, 4, 12}, 0.5);
    meter.setHeld(true);  // the readouts stand still; the field is still measured
    present({0, 0, 20}, 0.6);
    EXPECT_EQ(meter.statistics().samples(), 2u);
    EXPECT_EQ(meter.statistics().total().max, 20);
    meter.setHeld(false);
    meter.resetStatistics();
    EXPECT_EQ(meter.statistics().samples(), 0u);
    present({0, 3, 4}, 0.7);
    EXPECT_EQ(meter.statistics().samples(), 1u);
    EXPECT_EQ(meter.statistics().total().max, 5);
    EXPECT_EQ(meter.run().samples(), 3u);
    EXPECT_EQ(meter.run().total().max, 20);
    EXPECT_EQ(meter.run().peakTime(), 0.6);
}

// The meter with the instrument in the samples' road, as the program builds it.
class InstrumentMeterTest : public MeterTest {
  protected:
    void SetUp() override {
        MeterTest::SetUp();
        platform.service().layRoad(heading::Road().stage(&instrument));
        launch();
        setSlider(40.0f);  // the alarm above 100 µT
    }
    std::string texts() const {
        return meter->xLabel()->text() + " " + meter->yLabel()->text() + " " +
               meter->zLabel()->text() + " " + meter->magnitudeLabel()->text();
    }
    double lastPlottedX() const {
        const auto& g = *meter->graphView();
        return g.history((g.nextIndex() + graph::GraphView::kRows - 1) % graph::GraphView::kRows,
                         0);
    }
    instrument::Instrument instrument;
};

TEST_F(InstrumentMeterTest, HoldKeepsTextsAndGraphButNotTheAlarm) {
    platform.deliverHeading(3, 4, 12);
    const std::string before = texts();
    const auto rows = meter->graphView()->nextIndex();
    instrument.setHeld(true);
    platform.deliverHeading(0, 0, 150);
    EXPECT_EQ(texts(), before);
    EXPECT_EQ(meter->graphView()->nextIndex(), rows);
    EXPECT_EQ(platform.soundsPlayed(), 1);
    EXPECT_FALSE(meter->wavesview()->isHidden());
    instrument.setHeld(false);
    platform.deliverHeading(0, 0, 50);
    EXPECT_EQ(texts(), "X \u00b5T:0.0 Y \u00b5T:0.0 Z \u00b5T:50.0 50.0");
    EXPECT_TRUE(meter->wavesview()->isHidden());
}

TEST_F(InstrumentMeterTest, ZeroShowsTheChangeButTheAlarmJudgesTheField) {
    struct Case {
        Unit unit;
        double x, y, z;
        const char* texts;
        bool alarm;
    };
    const Case cases[] = {
        {Unit::Microtesla, 93, 104, 40, "X \u00b5T:3.0 Y \u00b5T:4.0 Z \u00b5T:0.0 5.0", true},
        {Unit::Microtesla, 90, 100, 28, "X \u00b5T:0.0 Y \u00b5T:0.0 Z \u00b5T:-12.0 12.0", true},
        {Unit::Nanotesla, 0, 0, 0, "X nT:-90000 Y nT:-100000 Z nT:-40000 140357", false},
        {Unit::Gauss, 90.5, 100, 40, "X G:0.0050 Y G:0.0000 Z G:0.0000 0.0050", true},
    };
    platform.deliverHeading(90, 100, 40);  // 140 µT
    ASSERT_TRUE(instrument.zero());
    for (const Case& c : cases) {
        instrument.setUnit(c.unit);
        const int before = platform.soundsPlayed();
        platform.deliverHeading(c.x, c.y, c.z);
        EXPECT_EQ(texts(), c.texts);
        EXPECT_EQ(platform.soundsPlayed() - before, c.alarm ? 1 : 0) << c.texts;
        EXPECT_EQ(lastPlottedX(), c.x - 90) << c.texts;
    }
    instrument.clearZero();
    instrument.setUnit(Unit::Milligauss);
    platform.deliverHeading(3, 4, 0);
    EXPECT_EQ(texts(), "X mG:30 Y mG:40 Z mG:0 50");
}

}  // namespace
}  // namespace fluxprobe_test
