#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "heading/Numbers.h"

namespace {

TEST(Numbers, DecimalTakesOnlyPlainFiniteDecimals) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"12", 12.0},
        {"-0.5", -0.5},
        {"+3e-2", 0.03},
        {".5", 0.5},
        {"5.", 5.0},
        {"1E3", 1000.0},
        {"", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"0x10", std::nullopt},
        {"1e999", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"1e", std::nullopt},
        {"+-1", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(heading::parseDecimal(c.text), c.value) << c.text;
}

TEST(Numbers, PrintableEscapesWhatATerminalWouldNotShowAsIs) {
    const struct {
        std::string text;
        const char* shown;
    } cases[] = {
        {"plain 12", "plain 12"},
        {"49 \xc2\xb5T", "49 \xc2\xb5T"},       // UTF-8 stays
        {"\x1b[2J\x7f", "\\x1b[2J\\x7f"},       // control bytes do not
        {"\xef\xbb\xbft", "\\xef\\xbb\\xbft"},  // nor an invisible byte order mark
        {"\xff\xc3", "\\xff\\xc3"},             // nor bytes that are not UTF-8
        {std::string(50, 'a'), "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa..."},
    };
    for (const auto& c : cases) EXPECT_EQ(heading::printable(c.text), c.shown) << c.text;
}

}  // namespace
