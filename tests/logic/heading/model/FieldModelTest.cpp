#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
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

// Files that are not the model we ship are refused before the library reads them, naming the
// folder, the file and what is wrong, with the file's bytes shown printable.
TEST(FieldModel, DamagedFilesAreRefusedSayingWhatIsWrong) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "fluxprobe-damaged-model";
    const auto put = [](const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    const auto read = [](const fs::path& path) {
        std::ostringstream bytes;
        bytes << std::ifstream(path, std::ios::binary).rdbuf();
        return bytes.str();
    };
    const std::string header = read(fs::path(FLUXPROBE_FIELD_MODEL_DIR) / "wmm2025.wmm");
    const std::string cof = read(fs::path(FLUXPROBE_FIELD_MODEL_DIR) / "wmm2025.wmm.cof");
    // The header with the line of key replaced by line (appended when key is empty).
    const auto edited = [&header](const std::string& key, const std::string& line) {
        std::string out = header;
        const auto at = key.empty() ? out.size() : out.find("\n" + key + " ") + 1;
        const auto end = key.empty() ? at : out.find('\n', at) + 1;
        return out.replace(at, end - at, line + "\n");
    };
    // The coefficients with the eight bytes at offset replaced.
    const auto patched = [&cof](std::size_t offset, double value) {
        std::string out = cof;
        std::memcpy(out.data() + offset, &value, sizeof value);
        return out;
    };
    std::string wrongDegree = cof;
    wrongDegree[8] = 13;
    const struct {
        std::string header, cof, message;
    } cases[] = {
        {edited("NumModels", "NumModels 1000000000"), cof,
         "wmm2025.wmm: NumModels is '1000000000', expected 1"},
        {edited("MaxTime", "MaxTime 2100"), cof, "wmm2025.wmm: MaxTime is '2100', expected 2030"},
        {edited("MinHeight", "MinHeight -1e9"), cof, "MinHeight is '-1e9', expected -1000"},
        {edited("ID", "ID \x1b[2JWMM\x07"), cof, "ID is '\\x1b[2JWMM\\x07', expected 'WMM2025A'"},
        {edited("", "Epoch 2025"), cof, "wmm2025.wmm: Epoch is given twice"},
        {edited("", "NumModel 1"), cof, "wmm2025.wmm: unknown key 'NumModel'"},
        {edited("Radius", ""), cof, "wmm2025.wmm: Radius is missing"},
        {"\xff\xfe\n" + header, cof, "expected WMMF-2 on the first line, found '\\xff\\xfe'"},
        {header, patched(16 + 8 * 5, std::nan("")),
         "wmm2025.wmm.cof: coefficient 6 of the field is nan"},
        {header, patched(cof.size() - 8, 1e300),
         "coefficient 169 of its yearly change is 1e+300, beyond any of the Earth's field"},
        {header, cof.substr(0, 100), "wmm2025.wmm.cof: holds 100 bytes, expected 2728"},
        {header, cof + "x", "wmm2025.wmm.cof: larger than 2728 bytes"},
        {header, "WMM2030A" + cof.substr(8), "starts with the ID 'WMM2030A', expected 'WMM2025A'"},
        {header, wrongDegree, "wmm2025.wmm.cof: the degree of the field is 13, expected 12"},
    };
    fs::create_directories(folder);
    for (const auto& c : cases) {
        put(folder / "wmm2025.wmm", c.header);
        put(folder / "wmm2025.wmm.cof", c.cof);
        try {
            GeographicFieldModel model(folder.string());
            ADD_FAILURE() << "loaded, for " << c.message;
        } catch (const FieldModelError& e) {
            const std::string what = e.what();
            EXPECT_TRUE(
                what.starts_with("the field model in " + folder.string() + " is damaged: ") &&
                what.find(c.message) != std::string::npos)
                << what;
        }
    }
    // A FIFO in place of a file is refused, not waited on.
    put(folder / "wmm2025.wmm", header);
    fs::remove(folder / "wmm2025.wmm.cof");
    ASSERT_EQ(::mkfifo((folder / "wmm2025.wmm.cof").c_str(), 0600), 0);
    EXPECT_THROW(GeographicFieldModel{folder.string()}, FieldModelError);
    fs::remove_all(folder);
}

}  // namespace
