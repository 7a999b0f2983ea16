#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "heading/model/GeographicFieldModel.h"
#include "heading/model/TrueNorth.h"
#include "heading/model/TrueNorthStage.h"

namespace {

using namespace std::chrono;
using heading::Location;
using heading::TrueNorth;

// A model whose declination is the latitude plus a tenth of the years since 2025, and whose
// horizontal field is the longitude; it counts its evaluations and keeps the altitudes asked.
class FakeModel : public heading::FieldModel {
  public:
    heading::FieldValues evaluate(const Location& at, double year) const override {
        ++evaluations;
        altitudes.push_back(at.altitude);
        heading::FieldValues v;
        v.declination = at.latitude + (year - 2025.0) / 10.0;
        v.horizontal = at.longitude;
        return v;
    }
    std::string name() const override { return "FAKE"; }
    double validFrom() const override { return 2025.0; }
    double validUntil() const override { return 2030.0; }
    double minAltitude() const override { return -1000.0; }
    double maxAltitude() const override { return 850000.0; }

    mutable int evaluations = 0;
    mutable std::vector<double> altitudes;
};

struct Rig {
    std::shared_ptr<FakeModel> model = std::make_shared<FakeModel>();
    system_clock::time_point now = sys_days{2027y / January / 1};
    std::vector<std::string> warnings;
    TrueNorth north{model, [this](const std::string& w) { warnings.push_back(w); },
                    [this] { return now; }};

    double trueOf(double magnetic, double recorded = -1.0) {
        heading::Heading h = heading::Heading::of(0, 0, 0, magnetic, recorded);
        north.fill(h);
        return h.trueHeading;
    }
};

TEST(TrueNorth, WithoutALocationTheSourcesTrueHeadingStands) {
    Rig rig;
    EXPECT_EQ(rig.trueOf(10.0), -1.0);
    EXPECT_EQ(rig.trueOf(10.0, 42.0), 42.0);  // a replay's recorded one
    EXPECT_EQ(rig.model->evaluations, 0);
}

TEST(TrueNorth, AddsTheDeclinationAndWorksItOutAgainOnAMoveOrAfterAnHour) {
    Rig rig;
    rig.north.setLocation({-20.0, 10000.0, 0.0});
    EXPECT_DOUBLE_EQ(rig.trueOf(10.0), 350.2);  // -20 + 0.2, folded into [0, 360)
    EXPECT_DOUBLE_EQ(rig.trueOf(30.0, 7.0), 10.2);
    rig.now += minutes(59);
    rig.trueOf(0.0);
    EXPECT_EQ(rig.model->evaluations, 1);  // one hour has not passed

    rig.north.setLocation({5.0, 10000.0, 0.0});
    EXPECT_NEAR(rig.trueOf(0.0), 5.2, 1e-4);
    EXPECT_EQ(rig.model->evaluations, 2);

    rig.now += hours(1) + years(1);  // a long run: the date moves on too
    EXPECT_NEAR(rig.trueOf(0.0), 5.3, 1e-3);
    EXPECT_EQ(rig.model->evaluations, 3);
    rig.now -= minutes(1);  // the clock set back
    rig.trueOf(0.0);
    EXPECT_EQ(rig.model->evaluations, 4);
    EXPECT_TRUE(rig.warnings.empty());
}

TEST(TrueNorth, GivesNoTrueHeadingOutsideTheModelsYearsAndSaysSoOnce) {
    Rig rig;
    rig.now = sys_days{2030y / March / 1};
    rig.north.setLocation({10.0, 10000.0, 0.0});
    EXPECT_EQ(rig.trueOf(10.0), -1.0);
    rig.now += hours(2);
    EXPECT_EQ(rig.trueOf(10.0, 3.0), 3.0);
    ASSERT_EQ(rig.warnings.size(), 1u);
    EXPECT_EQ(rig.warnings[0],
              "today (2030.2) lies outside 2025.0 to 2030.0, the years FAKE covers: there is no "
              "true heading without --declination");
    EXPECT_EQ(rig.model->evaluations, 0);
}

TEST(TrueNorth, WarnsOnceWhenTheDeclinationGrowsUncertainAndNeverNamesThePlace) {
    Rig rig;
    rig.north.setLocation({81.25, 5000.0, 0.0});  // the fake's horizontal field: 5000 nT
    EXPECT_DOUBLE_EQ(rig.trueOf(0.0), 81.45);     // still answered
    rig.now += hours(2);
    rig.trueOf(0.0);
    rig.north.setLocation({81.25, 1500.0, 0.0});
    rig.trueOf(0.0);
    ASSERT_EQ(rig.warnings.size(), 2u);
    EXPECT_NE(rig.warnings[0].find("5000 nT, under 6000 nT"), std::string::npos);
    EXPECT_NE(rig.warnings[1].find("is unreliable"), std::string::npos);
    for (const auto& w : rig.warnings) EXPECT_EQ(w.find("81.2"), std::string::npos) << w;
}

TEST(TrueNorth, KeepsAReportedAltitudeWithinTheModel) {
    Rig rig;
    rig.north.setLocation({0.0, 10000.0, 2.0e6});
    rig.trueOf(0.0);
    rig.north.setLocation({0.0, 10000.0, -5000.0});
    rig.trueOf(0.0);
    EXPECT_EQ(rig.model->altitudes, (std::vector<double>{850000.0, -1000.0}));
}

// The real model, end to end: Sydney's declination is about 12.9 degrees east in 2027.
TEST(TrueNorth, WithTheWorldMagneticModel) {
    auto model = std::make_shared<heading::GeographicFieldModel>(FLUXPROBE_FIELD_MODEL_DIR);
    const auto now = sys_days{2027y / July / 1};
    TrueNorth north(model, {}, [now] { return now; });
    north.setLocation({-33.87, 151.21, 0.0});
    const double declination =
        model->evaluate({-33.87, 151.21, 0.0}, 2027.0 + 181.0 / 365.0).declination;
    EXPECT_NEAR(declination, 12.9, 0.5);
    EXPECT_DOUBLE_EQ(*north.declination(), declination);
}

// A compass calibration scales the corrected field to the model's strength where the user is.
TEST(TrueNorth, GivesTheFieldsStrengthInMicroteslaOnceTheLocationIsKnown) {
    auto model = std::make_shared<heading::GeographicFieldModel>(FLUXPROBE_FIELD_MODEL_DIR);
    const auto now = sys_days{2027y / July / 1};
    TrueNorth north(model, {}, [now] { return now; });
    EXPECT_FALSE(north.totalMicrotesla());
    north.setLocation({52.52, 13.40, 0.0});
    ASSERT_TRUE(north.totalMicrotesla());
    EXPECT_NEAR(*north.totalMicrotesla(),
                model->evaluate({52.52, 13.40, 0.0}, 2027.0 + 181.0 / 365.0).total / 1000.0, 1e-9);
    EXPECT_NEAR(*north.totalMicrotesla(), 50.1, 0.5);
}

}  // namespace

namespace {

// The years it covers end before today.
class OldModel : public FakeModel {
  public:
    double validFrom() const override { return 1990.0; }
    double validUntil() const override { return 1995.0; }
};

TEST(TrueNorthStage, SaysWhyThereIsNoTrueHeading) {
    const struct {
        std::function<std::shared_ptr<const heading::FieldModel>()> load;
        bool located;
        const char* why;
    } cases[] = {
        {[] { return std::make_shared<FakeModel>(); }, false,
         "no location: give --location=LAT,LON or --declination=DEG"},
        {[] { return std::make_shared<FakeModel>(); }, true, ""},
        {[] { return std::make_shared<OldModel>(); }, true,
         "the field model does not cover today's date"},
        {[]() -> std::shared_ptr<const heading::FieldModel> {
             throw heading::FieldModelError("no model here");
         },
         true, "the field model could not be loaded"},
    };
    for (const auto& c : cases) {
        heading::TrueNorthStage stage(c.load, std::nullopt, [](const std::string&) {});
        if (c.located) stage.locate(Location{50.0, 4.0, 0.0});
        EXPECT_EQ(stage.whyUnknown(), c.why);
        heading::Heading h = heading::Heading::of(0, 20, -44, 10.0, -1.0);
        stage.complete(h);
        EXPECT_EQ(h.trueHeading < 0.0, !std::string(c.why).empty()) << c.why;
    }
}

}  // namespace
