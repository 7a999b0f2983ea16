#include <gtest/gtest.h>

#include <array>
#include <string>

#include "heading/SourceChoice.h"
#include "heading/SourceError.h"

namespace {

using heading::parseSourceChoice;
using heading::SourceChoice;
using Kind = heading::SourceChoice::Kind;

TEST(SourceChoice, AcceptsEveryForm) {
    struct Case {
        const char* text;
        Kind kind;
        const char* device;
        const char* file;
        double rate;
    };
    const Case cases[] = {
        {"auto", Kind::Auto, "", "", 50},
        {"none", Kind::None, "", "", 50},
        {"iio", Kind::Iio, "", "", 50},
        {"iio:iio:device1", Kind::Iio, "iio:device1", "", 50},
        {"iio:ak8975", Kind::Iio, "ak8975", "", 50},
        {"iio:lis3mdl,rate=20", Kind::Iio, "lis3mdl", "", 20},
        {"iio,rate=12.5", Kind::Iio, "", "", 12.5},
        {"replay:session.csv", Kind::Replay, "", "session.csv", 50},
        {"replay:C:/odd:name.csv", Kind::Replay, "", "C:/odd:name.csv", 50},
        {"simulated", Kind::Simulated, "", "", 50},
        {"simulated:rate=10000", Kind::Simulated, "", "", 10000},
        {"simulated:rate=0.5", Kind::Simulated, "", "", 0.5},
        {"simulated:rate=100000", Kind::Simulated, "", "", 100000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SourceChoice s = parseSourceChoice(c.text);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.device, c.device);
        EXPECT_EQ(s.file, c.file);
        EXPECT_EQ(s.rate, c.rate);
        EXPECT_EQ(s.iioRate, c.kind == Kind::Iio && c.rate != 50);
    }
}

TEST(SourceChoice, TakesAReplaysSpeedAndStartFromTheEnd) {
    struct Case {
        const char* text;
        const char* file;
        double speed;
        std::optional<std::int64_t> startMs;
    };
    const Case cases[] = {
        {"replay:a.csv", "a.csv", 1.0, std::nullopt},
        {"replay:a.csv,speed=max", "a.csv", 0.0, std::nullopt},
        {"replay:a,b.csv,speed=2.5", "a,b.csv", 2.5, std::nullopt},
        {"replay:a.csv,start=2018-09-01T22:59:15Z,speed=10", "a.csv", 10.0, 1535842755000},
        {"replay:a.csv,speed=10,start=1970-01-01T00:00:01.5Z", "a.csv", 10.0, 1500},
        {"replay:a.csv,speed=1,speed=2", "a.csv,speed=1", 2.0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SourceChoice s = parseSourceChoice(c.text);
        EXPECT_EQ(s.file, c.file);
        EXPECT_EQ(s.speed, c.speed);
        EXPECT_EQ(s.startMs, c.startMs);
    }
}

TEST(SourceChoice, RefusesWithAMessageThatSaysWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"",
         "expected auto, iio[:DEVICE][,rate=HZ], replay:FILE[,speed=N|max][,start=UTC], "
         "simulated[:rate=HZ] or none"},
        {"compass", "expected auto, iio[:DEVICE]"},
        {"Simulated", "expected auto"},
        {"auto:x", "'auto' takes no argument"},
        {"none:", "'none' takes no argument"},
        {"iio:", "expected a device name after 'iio:'"},
        {"iio:,rate=5", "expected a device name after 'iio:'"},
        {"iio:ak8975,fast", "expected rate=HZ after the device"},
        {"iio,rate=5,rate=6", "expected rate=HZ after the device"},
        {"iio:ak8975,rate=0", "rate must be above 0 Hz"},
        {"replay", "expected a file after 'replay:'"},
        {"replay:", "expected a file after 'replay:'"},
        {"replay:,speed=max", "expected a file after 'replay:'"},
        {"replay:a.csv,speed=0", "speed '0' must be a number above 0"},
        {"replay:a.csv,speed=fast", "speed 'fast' must be a number above 0"},
        {"replay:a.csv,start=2018-09-01", "start '2018-09-01' must be a UTC time"},
        {"replay:a.csv,start=2018-02-30T00:00:00Z", "start '2018-02-30T00:00:00Z' must be"},
        {"simulated:", "expected rate=HZ"},
        {"simulated:hz=5", "expected rate=HZ"},
        {"simulated:rate=", "rate '' is not a number"},
        {"simulated:rate=fast", "rate 'fast' is not a number"},
        {"simulated:rate=50Hz", "rate '50Hz' is not a number"},
        {"simulated:rate=nan", "rate 'nan' is not a number"},
        {"simulated:rate=inf", "rate 'inf' is not a number"},
        {"simulated:rate= 50", "rate ' 50' is not a number"},
        {"simulated:rate=0x10", "rate '0x10' is not a number"},
        {"simulated:rate=0", "rate must be above 0 Hz"},
        {"simulated:rate=-5", "rate must be above 0 Hz"},
        {"simulated:rate=100001", "rate must be at most 100000 Hz"},
        {"simulated:rate=1e300", "rate must be at most 100000 Hz"},
        {"simulated:ac=50", "ac needs a frequency and an amplitude (Hz, µT), as in ac=50,1.5"},
        {"simulated:ac=50,1,2", "ac needs a frequency and an amplitude"},
        {"simulated:ac=hum,1", "ac value 'hum' is not a number"},
        {"simulated:ac=0,1", "ac frequency must be above 0 Hz"},
        {"simulated:ac=-50,1", "ac frequency must be above 0 Hz"},
        {"simulated:ac=25,1", "ac frequency must be below 25 Hz, half the rate"},
        {"simulated:ac=60,1,rate=100", "ac frequency must be below 50 Hz, half the rate"},
        {"simulated:ac=20,0", "ac amplitude must be above 0 µT"},
        {"simulated:ac=20,1000.5", "ac amplitude must be at most 1000 µT"},
        // A distortion no steel makes: samples that overflow, vanish or come out mirrored.
        {"simulated:soft=1e308,1e308,1e308", "soft and the offset make a field of 10 mT too large"},
        {"simulated:offset=1e308,0,0", "an offset of 1e+308 µT is too large a number to use"},
        {"simulated:soft=0,0,0", "soft is singular"},
        {"simulated:soft=1,2,3,2,4,6,3,6,9", "soft is singular"},
        {"simulated:soft=-1,1,1", "soft is not positive definite"},
        {"simulated:soft=1,0.2,0,0,1,0,0,0,1", "soft is not symmetric: row 1, column 2 holds 0.2"},
        {"simulated:soft=3.1,1,1", "soft is 3.1 times stronger in one direction"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        try {
            parseSourceChoice(text);
            ADD_FAILURE() << "accepted";
        } catch (const heading::SourceError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(expected), std::string::npos) << message;
            EXPECT_NE(message.find(std::string("'") + text + "'"), std::string::npos) << message;
        }
    }
}

TEST(SourceChoice, SimulatedTakesATumbleADistortionAndAHum) {
    const auto spec = parseSourceChoice("simulated:rate=20,tumble,offset=40,-60,25,soft=1.1,0.9,1");
    EXPECT_EQ(spec.rate, 20);
    EXPECT_TRUE(spec.motion.tumble);
    EXPECT_EQ(spec.motion.offset.y, -60);
    EXPECT_EQ(spec.motion.soft, (std::array<double, 9>{1.1, 0, 0, 0, 0.9, 0, 0, 0, 1}));
    const auto full = parseSourceChoice("simulated:soft=1.1,0.05,0,0.05,0.9,0.02,0,0.02,1,tumble");
    EXPECT_EQ(full.motion.soft[5], 0.02);
    EXPECT_TRUE(full.motion.tumble);
    EXPECT_FALSE(parseSourceChoice("simulated").motion.any());

    const auto hum = parseSourceChoice("simulated:ac=50,1.5,rate=1000,tumble");
    EXPECT_EQ(hum.motion.humHz, 50);
    EXPECT_EQ(hum.motion.humAmplitude, 1.5);
    EXPECT_EQ(hum.rate, 1000);
    EXPECT_TRUE(hum.motion.tumble);
    EXPECT_EQ(parseSourceChoice("simulated:ac=24.9,1000").motion.humAmplitude, 1000);
    // A hum is no sensor of its own: it keeps no calibration.
    EXPECT_FALSE(parseSourceChoice("simulated:ac=10,1").motion.any());

    for (const char* bad : {"simulated:offset=1,2", "simulated:soft=1,2", "simulated:offset=1,x,3",
                            "simulated:tumble,spin"})
        EXPECT_THROW(parseSourceChoice(bad), heading::SourceError) << bad;
}

}  // namespace
