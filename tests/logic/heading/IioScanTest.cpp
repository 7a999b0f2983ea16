#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "heading/iio/IioAttributes.h"
#include "heading/iio/IioRates.h"
#include "heading/iio/IioScanLayout.h"
#include "heading/iio/IioScanType.h"

namespace {

using heading::IioScanLayout;
using heading::IioScanType;
using heading::parseIioScanType;

TEST(IioScanType, ReadsTheTypesDriversWriteAndTheValuesTheyStore) {
    struct Case {
        const char* text;
        IioScanType type;
        std::vector<unsigned char> stored;
        std::int64_t value;
    };
    const Case cases[] = {
        {"le:s16/16>>0\n", {false, true, 16, 16, 1, 0}, {0x18, 0xfc}, -1000},
        {"le:u16/16>>0", {false, false, 16, 16, 1, 0}, {0x18, 0xfc}, 64536},
        {"be:s16/16>>0", {true, true, 16, 16, 1, 0}, {0xfc, 0x18}, -1000},
        {"le:s32/32>>0", {false, true, 32, 32, 1, 0}, {0x00, 0x00, 0xff, 0xff}, -65536},
        {"be:s12/16>>4", {true, true, 12, 16, 1, 4}, {0x80, 0x0f}, -2048},
        {"le:s14/16>>2", {false, true, 14, 16, 1, 2}, {0xff, 0x7f}, 8191},
        {"le:s13/16>>0", {false, true, 13, 16, 1, 0}, {0xff, 0xff}, -1},  // bits above are not ours
        {"le:s64/64>>0", {false, true, 64, 64, 1, 0}, {1, 0, 0, 0, 0, 0, 0, 0x80}, INT64_MIN + 1},
        {"le:s8/8X3>>0", {false, true, 8, 8, 3, 0}, {0x80}, -128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const IioScanType t = parseIioScanType(c.text);
        EXPECT_EQ(t, c.type);
        EXPECT_EQ(t.extract(c.stored.data()), c.value);
    }
}

TEST(IioScanType, RefusesWhatNoDriverWrites) {
    for (const char* text :
         {"", "le:s16/16", "xe:s16/16>>0", "le:f16/16>>0", "le:s16/12>>0", "le:s16/24>>0",
          "le:s0/16>>0", "le:s16/16>>16", "le:s12/16>>8", "le:s16/16X0>>0", "le:u64/64>>0",
          "le:s16/16>>0 junk", "le:s-1/16>>0"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseIioScanType(text), heading::AttributeError);
    }
}

TEST(IioScanLayout, PacksAsTheKernelDoes) {
    const auto s16 = parseIioScanType("le:s16/16>>0"), s32 = parseIioScanType("le:s32/32>>0"),
               s64 = parseIioScanType("le:s64/64>>0"), u8 = parseIioScanType("le:u8/8>>0");
    struct Case {
        const char* shape;
        std::vector<IioScanLayout::Element> elements;
        std::vector<std::size_t> offsets;  // in index order
        std::size_t bytes;
    };
    const Case cases[] = {
        {"16-bit axes and a timestamp",
         {{"in_timestamp", 3, s64},
          {"in_magn_x", 0, s16},
          {"in_magn_y", 1, s16},
          {"in_magn_z", 2, s16}},
         {0, 2, 4, 8},
         16},
        {"32-bit axes and a timestamp",
         {{"in_magn_x", 0, s32},
          {"in_magn_y", 1, s32},
          {"in_magn_z", 2, s32},
          {"in_timestamp", 3, s64}},
         {0, 4, 8, 16},
         24},
        {"16-bit axes alone",
         {{"in_magn_x", 0, s16}, {"in_magn_y", 1, s16}, {"in_magn_z", 2, s16}},
         {0, 2, 4},
         6},
        {"a byte before the axes, padded to the largest",
         {{"status", 0, u8}, {"in_magn_x", 1, s32}, {"in_magn_y", 2, s16}},
         {0, 4, 8},
         12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        const IioScanLayout layout(c.elements);
        EXPECT_EQ(layout.scanBytes(), c.bytes);
        for (std::size_t i = 0; i < c.offsets.size(); ++i)
            EXPECT_EQ(layout.offset(static_cast<int>(i)), c.offsets[i]);
        EXPECT_EQ(layout.elements()[0].index, 0u);
    }
}

TEST(IioRates, ChoosesTheHighestUpToAHundredOrTheNearestAskedFor) {
    struct Case {
        const char* offered;
        std::optional<double> asked;
        double chosen;
    };
    const Case cases[] = {
        {"0.625 1.25 2.5 5 10 20 40 80\n", {}, 80},
        {"10 20 50 100 200", {}, 100},
        {"400 200", {}, 200},  // all above: the lowest
        {"0.625 1.25 2.5 5 10 20 40 80", 12.0, 10},
        {"10 20", 15.0, 20},  // as near: the higher
        {"10 20", 1000.0, 20},
        {"[0.5 0.5 400]", {}, 100},
        {"[1 3 200]", {}, 100},
        {"[1 3 200]", 6.0, 7},
        {"[1 3 200]", 1e5, 199},
        {"[0.5 1 200]", {}, 99.5},  // the step nearest 100 lies above it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered);
        EXPECT_EQ(heading::IioRates::parse(c.offered).choose(c.asked), c.chosen);
    }
    for (const char* bad : {"", "fast", "10 0", "[1 2]", "[5 1 1]", "[1 0 5]", "10 nan", "[1 1 5"})
        EXPECT_THROW(heading::IioRates::parse(bad), heading::AttributeError) << bad;
}

}  // namespace
