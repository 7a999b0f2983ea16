#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>

#include "heading/model/FieldQuery.h"
#include "heading/model/GeographicFieldModel.h"
#include "heading/model/WmmCoefficients.h"

namespace {

using heading::FieldModelError;

// The message of what throws, or "" when nothing does.
template <class F>
std::string refusal(F&& f) {
    try {
        f();
    } catch (const FieldModelError& e) {
        return e.what();
    }
    return "";
}

TEST(FieldQuery, ReadsLocationsAndDates) {
    const heading::Location a = heading::parseLocation("52.52,13.40");
    EXPECT_EQ(a.latitude, 52.52);
    EXPECT_EQ(a.longitude, 13.40);
    EXPECT_EQ(a.altitude, 0.0);
    const heading::Location b = heading::parseLocation("-90,359.5,-1000");
    EXPECT_EQ(b.latitude, -90.0);
    EXPECT_EQ(b.longitude, 359.5);
    EXPECT_EQ(b.altitude, -1000.0);
    const heading::Location copied = heading::parseLocation("52.5, 13.4,  40");  // from a map
    EXPECT_EQ(copied.longitude, 13.4);
    EXPECT_EQ(copied.altitude, 40.0);

    EXPECT_EQ(heading::parseDate("2027.5"), 2027.5);
    EXPECT_EQ(heading::parseDate("2025-01-01"), 2025.0);
    EXPECT_DOUBLE_EQ(heading::parseDate("2028-07-02"), 2028.0 + 183.0 / 366.0);  // a leap year
    using namespace std::chrono;
    EXPECT_DOUBLE_EQ(heading::decimalYear(sys_days{2027y / July / 2} + 12h),
                     2027.0 + 182.5 / 365.0);
}

TEST(FieldQuery, RefusesWhatItCannotAnswerNamingValueAndRange) {
    const heading::GeographicFieldModel model(FLUXPROBE_FIELD_MODEL_DIR);
    const struct {
        std::function<void()> ask;
        const char* message;
    } cases[] = {
        {[] { heading::parseLocation("91,0"); },
         "option --location: latitude 91 lies outside -90 to 90 degrees"},
        {[] { heading::parseLocation("0,-180.5"); }, "longitude -180.5 lies outside -180 to 360"},
        {[] { heading::parseLocation("0,360"); }, "longitude 360 lies outside -180 to 360"},
        {[] { heading::parseLocation("north,0"); },
         "option --location needs LAT,LON or LAT,LON,ALT_M in degrees and metres, got "
         "'north,0'"},
        {[] { heading::parseLocation("1,2,3,4"); }, "got '1,2,3,4'"},
        {[] { heading::parseLocation("nan,0"); }, "got 'nan,0'"},
        {[] { heading::parseLocation("1,"); }, "got '1,'"},
        {[] { heading::parseLocation("52.5 ,13.4"); }, "got '52.5 ,13.4'"},
        {[] { heading::parseLocation(" 52.5,13.4"); }, "got ' 52.5,13.4'"},
        {[] { heading::parseLocation("52.5,\t13.4"); }, "got '52.5,\\x0913.4'"},
        {[] { heading::parseDate("2027-02-29"); },
         "option --date needs a day as YYYY-MM-DD or a decimal year such as 2027.5, got "
         "'2027-02-29'"},
        {[] { heading::parseDate("soon"); }, "got 'soon'"},
        {[] { heading::parseDate("2027-01-01x"); }, "got '2027-01-01x'"},
        {[] { heading::parseDate("2027-1-1"); }, "got '2027-1-1'"},
        {[&] {
             heading::checkAltitude(model, {0, 0, 850001});
         },
         "option --location: altitude 850001 m lies outside -1000 to 850000 m, where WMM2025 "
         "holds"},
        {[&] {
             heading::checkAltitude(model, {0, 0, -1001});
         },
         "altitude -1001 m lies outside"},
        {[&] {
             heading::checkAltitude(model, {0, 0, 850000.1});
         },
         "altitude 850000.1 m lies outside -1000 to 850000 m"},
        {[&] { heading::checkYear(model, 2030.01, "--date=2030.01"); },
         "--date=2030.01 lies outside 2025.0 to 2030.0, the years WMM2025 covers"},
        {[&] { heading::checkYear(model, 2024.99, "--date=2024-12-31"); },
         "--date=2024-12-31 lies outside"},
    };
    for (const auto& c : cases) {
        const std::string got = refusal(c.ask);
        EXPECT_NE(got.find(c.message), std::string::npos) << "'" << got << "'";
    }
    // The ends of every range are inside it.
    EXPECT_EQ(refusal([&] { heading::checkAltitude(model, {90, -180, 850000}); }), "");
    EXPECT_EQ(refusal([&] { heading::checkYear(model, 2030.0, "--date=2030.0"); }), "");
}

TEST(FieldQuery, CautionsNearTheMagneticPoles) {
    heading::FieldValues f;
    const struct {
        double horizontal;
        const char* tail;
    } cases[] = {{6000.0, "model=WMM2025"},
                 {5999.9, "model=WMM2025 caution=near-pole"},
                 {2000.0, "model=WMM2025 caution=near-pole"},
                 {1999.9, "model=WMM2025 caution=unreliable"},
                 {0.0, "model=WMM2025 caution=unreliable"}};
    for (const auto& c : cases) {
        f.horizontal = c.horizontal;
        const std::string line = heading::fieldReport(f, "WMM2025");
        EXPECT_EQ(line.substr(line.find("model=")), c.tail) << c.horizontal;
        EXPECT_EQ(heading::cautionWarning(f).empty(), c.horizontal >= 6000.0) << c.horizontal;
    }
}

TEST(WmmCoefficients, RefusesABrokenCoefficientFileNamingTheLine) {
    const std::string head = "    2025.0            WMM-2025        11/13/2024\n";
    const std::string end = "999999999999999999999999999999999999999999999999\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {"", "WMM.COF: the file is empty"},
        {"WMM-2025\n", "WMM.COF:1: expected the epoch, the model's name and its release date"},
        {head + "  1  0  -29351.8       0.0       12.0\n" + end,
         "WMM.COF:2: expected n m g h dg/dt dh/dt, found '  1  0  -29351.8       0.0       "
         "12.0'"},
        {head + "  1  2  1 2 3 4\n" + end, "WMM.COF:2: degree 1 and order 2 do not make a term"},
        {head + "  1  0  nan 0 0 0\n" + end, "WMM.COF:2: expected n m g h dg/dt dh/dt"},
        {head + end, "WMM.COF:2: no coefficients before the end marker"},
        {head + "  1  0  1 0 0 0\n", "WMM.COF:3: the end marker (a line of nines) is missing"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        const std::string got = refusal([&] { heading::WmmCoefficients::parse(in, "WMM.COF"); });
        EXPECT_NE(got.find(c.message), std::string::npos) << "'" << got << "'";
    }
}

}  // namespace
