#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "heading/model/FieldQuery.h"
#include "heading/model/GeographicFieldModel.h"

namespace {

using heading::FieldModelError;
using heading::GeographicFieldModel;

// "key=value key=value ..." into a map.
std::map<std::string, std::string> fieldsOf(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream in(line);
    std::string pair;
    while (in >> pair) {
        const auto eq = pair.find('=');
        fields[pair.substr(0, eq)] = pair.substr(eq + 1);
    }
    return fields;
}

// Every row of the published test values, answered by the query the user runs. The table is
// rounded to 0.01 degrees and 0.1 nT, so that is how close the answers must come.
TEST(FieldModel, ReproducesThePublishedTestValues) {
    const GeographicFieldModel model(FLUXPROBE_FIELD_MODEL_DIR);
    EXPECT_EQ(model.name(), "WMM2025");
    EXPECT_EQ(model.validFrom(), 2025.0);
    EXPECT_EQ(model.validUntil(), 2030.0);
    std::ifstream table(FLUXPROBE_TEST_DATA_DIR "/WMM2025_TEST_VALUES.txt");
    ASSERT_TRUE(table) << "the project's copy of the test values is missing";
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        double date, km, lat, lon, x, y, z, h, f, incl, decl;
        ASSERT_TRUE(in >> date >> km >> lat >> lon >> x >> y >> z >> h >> f >> incl >> decl)
            << line;
        ++rows;
        const heading::Location where{lat, lon, km * 1000.0};
        heading::checkAltitude(model, where);
        heading::checkYear(model, date, line);
        auto got = fieldsOf(heading::fieldReport(model.evaluate(where, date), model.name()));
        SCOPED_TRACE(line);
        EXPECT_EQ(got["model"], "WMM2025");
        EXPECT_NEAR(std::stod(got["declination"]), decl, 0.01);
        EXPECT_NEAR(std::stod(got["inclination"]), incl, 0.01);
        EXPECT_NEAR(std::stod(got["north"]), x, 0.1);
        EXPECT_NEAR(std::stod(got["east"]), y, 0.1);
        EXPECT_NEAR(std::stod(got["down"]), z, 0.1);
        EXPECT_NEAR(std::stod(got["horizontal"]), h, 0.1);
        EXPECT_NEAR(std::stod(got["total"]), f, 0.1);
    }
    EXPECT_EQ(rows, 12);
}

TEST(FieldModel, AMissingModelIsNamedWithItsFolder) {
    try {
        GeographicFieldModel model("/nonexistent-folder");
        FAIL() << "loaded a model from nowhere";
    } catch (const FieldModelError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot load the field model wmm2025 from "
                                             "/nonexistent-folder"),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
