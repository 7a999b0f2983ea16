#include <gtest/gtest.h>

#include <string>

#include "heading/iio/IioAttributes.h"

namespace {

using namespace heading;

template <typename F>
std::string refusal(F parse, const char* text) {
    try {
        parse(text);
    } catch (const AttributeError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(IioAttributes, ReadsWhatDriversWrite) {
    EXPECT_EQ(parseIioRaw("-1234\n"), -1234);
    EXPECT_EQ(parseIioRaw("0"), 0);
    EXPECT_EQ(parseIioScale("0.000244140\n"), 0.000244140);
    EXPECT_EQ(parseIioScale("3"), 3.0);
    EXPECT_EQ(parseIioOffset("-12.5\n"), -12.5);
    EXPECT_EQ(parseIioOffset("0"), 0.0);
    EXPECT_EQ(parseIioSamplingFrequency("10.000000\n"), 10.0);
    EXPECT_EQ(parseIioMountMatrix("0, 1, 0; -1, 0, 0; 0, 0, 1\n"),
              (Matrix3{{0, 1, 0, -1, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(parseIioMountMatrix("1,0,0;0,1,0;0,0,-1"), (Matrix3{{1, 0, 0, 0, 1, 0, 0, 0, -1}}));
    EXPECT_EQ(parseIioMountMatrix("0.5, 0, 0; 0, 0.7071, 0.7071; 0, -0.7071, 0.7071").m[4], 0.7071);
}

TEST(IioAttributes, RefusesGarbageSayingWhatWasExpected) {
    struct Case {
        std::string (*check)(const char*);
        const char* text;
        const char* message;
    };
    const auto raw = [](const char* t) { return refusal(parseIioRaw, t); };
    const auto scale = [](const char* t) { return refusal(parseIioScale, t); };
    const auto offset = [](const char* t) { return refusal(parseIioOffset, t); };
    const auto freq = [](const char* t) { return refusal(parseIioSamplingFrequency, t); };
    const auto mount = [](const char* t) { return refusal(parseIioMountMatrix, t); };
    const char* kMount = "expected a mount matrix 'a, b, c; d, e, f; g, h, i', found ";
    const Case cases[] = {
        {raw, "", "expected a whole number, found ''"},
        {raw, "12.5\n", "expected a whole number, found '12.5'"},
        {raw, "0x10", "expected a whole number, found '0x10'"},
        {raw, "99999999999999999999", "expected a whole number, found '99999999999999999999'"},
        {raw, "12 13", "expected a whole number, found '12 13'"},
        {scale, "0", "expected a positive number, found '0'"},
        {scale, "-0.1", "expected a positive number, found '-0.1'"},
        {scale, "nan", "expected a positive number, found 'nan'"},
        {scale, "1e999", "expected a positive number, found '1e999'"},
        {scale, "abc\x01", "expected a positive number, found 'abc\\x01'"},
        {offset, "inf", "expected a number, found 'inf'"},
        {offset, "1,5", "expected a number, found '1,5'"},
        {freq, "0", "expected a frequency above 0 and at most 100000 Hz, found '0'"},
        {freq, "100001", "expected a frequency above 0 and at most 100000 Hz, found '100001'"},
        {freq, "10 Hz", "expected a frequency above 0 and at most 100000 Hz, found '10 Hz'"},
        {mount, "", ""},
        {mount, "1, 0, 0; 0, 1, 0", ""},
        {mount, "1, 0, 0; 0, 1, 0; 0, 0, 1; 0, 0, 0", ""},
        {mount, "1, 0; 0, 1, 0; 0, 0, 1", ""},
        {mount, "1, 0, 0, 0; 0, 1, 0; 0, 0, 1", ""},
        {mount, "1, 0, 0; 0, x, 0; 0, 0, 1", ""},
        {mount, "1, 0, 0; 0, nan, 0; 0, 0, 1", ""},
        {mount, "1, 0, 0; 0, 1, 0; 0, 0,", ""},
        {mount, "1 0 0; 0 1 0; 0 0 1", ""},
        {mount, "1, 0, 0; 0, 1, 0; 0, 0, 0",
         "expected a mount matrix that keeps all three axes, found '1, 0, 0; 0, 1, 0; 0, 0, 0'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string message = c.check(c.text);
        if (c.check == mount && *c.message == '\0')
            EXPECT_EQ(message, kMount + ("'" + std::string(c.text) + "'"));
        else
            EXPECT_EQ(message, c.message);
    }
}

}  // namespace
