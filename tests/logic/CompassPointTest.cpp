#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "compass/CompassPoint.h"

namespace {

TEST(CompassPoint, NamesEveryHeadingWithBoundsGoingToTheIntercardinalPoint) {
    struct Case {
        double heading;  // narrowed to single precision, as the screen does
        const char* point;
    };
    const Case cases[] = {
        {0.0, "N"},         {22.9, "N"},
        {22.9999999, "NE"},  // narrows to 23
        {23.0, "NE"},       {23.5, "NE"},
        {66.9, "NE"},       {67.0, "NE"},
        {67.1, "E"},        {90.0, "E"},
        {112.9, "E"},       {113.0, "SE"},
        {135.0, "SE"},      {157.0, "SE"},
        {157.1, "S"},       {180.0, "S"},
        {202.9, "S"},       {203.0, "SW"},
        {246.9, "SW"},      {247.0, "SW"},
        {247.1, "W"},       {250.0, "W"},
        {256.9, "W"},       {257.0, "W"},
        {257.5, "W"},       {292.9, "W"},
        {293.0, "NW"},      {300.0, "NW"},
        {337.0, "NW"},      {337.1, "N"},
        {337.5, "N"},       {359.9, "N"},
        {360.0, "N"},       {359.96, "N"},
        {-1.0, "N"},        {-180.0, "N"},
        {725.0, "N"},       {std::numeric_limits<double>::infinity(), "N"},
    };
    for (const Case& c : cases) {
        const char* point = compass::compassPoint(static_cast<float>(c.heading));
        ASSERT_NE(point, nullptr) << c.heading;
        EXPECT_EQ(std::string(point), c.point) << c.heading;
    }
}

TEST(CompassPoint, HasNoNameForAHeadingThatIsNotANumber) {
    EXPECT_EQ(compass::compassPoint(std::nanf("")), nullptr);
    EXPECT_EQ(compass::compassPoint(-std::numeric_limits<float>::quiet_NaN()), nullptr);
}

}  // namespace
