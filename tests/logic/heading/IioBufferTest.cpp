#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HeadingTestSupport.h"
#include "heading/SampleChannel.h"
#include "heading/iio/IioScanType.h"
#include "heading/iio/IioSource.h"

namespace {

namespace fs = std::filesystem;
using heading::IioSource;
using heading_test::Listening;
using heading_test::TaskQueue;
using heading_test::Warnings;

// How a driver lays out its scans: the axes' type, where x, y, z (and the timestamp) lie.
struct Shape {
    const char* driver;
    const char* type;
    bool timestamp;
    std::vector<std::size_t> offsets;
    std::size_t bytes;
    std::optional<double> asked;  // rate=
    double rate;                  // what it is set to
};

struct Axes {
    long long x, y, z;
};

// A sysfs tree and /dev of our own, the device node a FIFO the test writes scans into.
class FakeBufferedIio : public ::testing::Test {
  protected:
    void SetUp() override {
        root = heading_test::freshTempDir(
            std::string("iiobuf-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dev = root / "dev";
        sys = root / "sys";
        dir = sys / "iio:device0";
        fs::create_directories(dev);
    }
    void TearDown() override {
        if (writer >= 0) ::close(writer);
        fs::remove_all(root);
    }

    static void put(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    std::string get(const std::string& attribute) const {
        std::ifstream in(dir / attribute);
        std::string line;
        std::getline(in, line);
        return line;
    }

    void makeDevice(const Shape& shape) {
        put(dir / "name", shape.driver);
        for (const char* axis : {"x", "y", "z"}) {
            put(dir / (std::string("in_magn_") + axis + "_raw"), "7");
            put(dir / "scan_elements" / (std::string("in_magn_") + axis + "_type"), shape.type);
        }
        put(dir / "in_magn_scale", "0.000146");
        put(dir / "in_magn_sampling_frequency", "1.000000");
        put(dir / "in_magn_sampling_frequency_available", "0.625 1.25 2.5 5 10 20 40 80");
        int index = 0;
        for (const char* e : {"in_magn_x", "in_magn_y", "in_magn_z"}) {
            put(dir / "scan_elements" / (std::string(e) + "_en"), "0");
            put(dir / "scan_elements" / (std::string(e) + "_index"), std::to_string(index++));
        }
        if (shape.timestamp) {
            put(dir / "scan_elements/in_timestamp_en", "0");
            put(dir / "scan_elements/in_timestamp_index", "3");
            put(dir / "scan_elements/in_timestamp_type", "le:s64/64>>0");
        }
        // An element of another kind, left on by someone else: the scan must not carry it.
        put(dir / "scan_elements/in_temp_en", "1");
        put(dir / "scan_elements/in_temp_index", "4");
        put(dir / "scan_elements/in_temp_type", "le:s16/16>>0");
        // Half an accelerometer: no tilt from it, so it stays out of the scan.
        put(dir / "scan_elements/in_accel_x_en", "0");
        put(dir / "scan_elements/in_accel_x_index", "5");
        put(dir / "scan_elements/in_accel_x_type", "le:s16/16>>0");
        put(dir / "buffer/enable", "0");
        put(dir / "buffer/length", "2");
        put(dir / "buffer/watermark", "2");
        put(dir / "trigger/current_trigger", "");
        put(sys / "trigger0/name", "bmi160-trigger");
        put(sys / "trigger1/name", std::string(shape.driver) + "-trigger");
        ASSERT_EQ(::mkfifo((dev / "iio:device0").c_str(), 0600), 0);
    }

    // Every attribute of the tree, to see that a run leaves it as it found it.
    std::map<std::string, std::string> attributes() const {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::recursive_directory_iterator(sys))
            if (e.is_regular_file()) {
                std::ifstream in(e.path());
                all[e.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        return all;
    }

    std::unique_ptr<IioSource> open(heading::AttributeWriter write = heading::writeAttributeFile,
                                    std::optional<double> rate = {}) {
        heading::IioOptions options;
        options.rate = rate;
        options.devRoot = dev.string();
        options.write = std::move(write);
        options.warn = warnings.warn();
        return IioSource::open(sys.string(), "", {}, heading::readAttributeFile,
                               std::move(options));
    }

    static std::vector<unsigned char> scan(const Shape& shape, Axes a, long long ns) {
        std::vector<unsigned char> bytes(shape.bytes);
        const auto t = heading::parseIioScanType(shape.type);
        const long long v[3] = {a.x, a.y, a.z};
        for (int i = 0; i < 3; ++i) {
            const auto word = static_cast<std::uint64_t>(v[i]) << t.shift;
            for (std::size_t b = 0; b < t.storageBytes(); ++b)
                bytes[shape.offsets[i] + (t.bigEndian ? t.storageBytes() - 1 - b : b)] =
                    static_cast<unsigned char>(word >> (8 * b));
        }
        if (shape.timestamp)
            for (std::size_t b = 0; b < 8; ++b)
                bytes[shape.offsets[3] + b] =
                    static_cast<unsigned char>(static_cast<std::uint64_t>(ns) >> (8 * b));
        return bytes;
    }

    // Writes bytes a few at a time, so that reads end inside scans.
    void feed(const std::vector<unsigned char>& bytes, std::size_t piece = 7) {
        if (writer < 0) writer = ::open((dev / "iio:device0").c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            const std::size_t n = std::min(piece, bytes.size() - at);
            ASSERT_EQ(::write(writer, bytes.data() + at, n), static_cast<ssize_t>(n));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

    void start(IioSource& source) {
        source.start(std::make_shared<heading::SampleChannel>(service, queue.post()));
    }
    void stop(IioSource& source) {
        source.stop();
        queue.pump();
    }

    fs::path root, dev, sys, dir;
    int writer = -1;
    heading::HeadingService service;
    TaskQueue queue;
    Listening listener{service};
    Warnings warnings;
};

TEST_F(FakeBufferedIio, EveryScanBecomesOneSampleAtTheKernelsTimeAndTheDeviceIsPutBack) {
    const Shape shapes[] = {
        {"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80},
        {"bmc150_magn", "le:s32/32>>0", true, {0, 4, 8, 16}, 24, 12.0, 10},
        {"hmc5883", "be:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80},
        {"mag3110", "be:s12/16>>4", true, {0, 2, 4, 8}, 16, {}, 80},
        {"ak8975", "le:s16/16>>0", false, {0, 2, 4}, 6, {}, 80},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.driver);
        fs::remove_all(sys);
        fs::remove_all(dev);
        fs::create_directories(dev);
        if (writer >= 0) ::close(writer);
        writer = -1;
        makeDevice(shape);
        const auto before = attributes();
        // A buffer that is on holds its settings: it is switched off before any goes back.
        std::vector<std::string> writtenWhileOn;
        auto source = open(
            [&](const std::string& path, const std::string& text) {
                if (!path.ends_with("buffer/enable") && get("buffer/enable") == "1")
                    writtenWhileOn.push_back(path.substr(dir.string().size() + 1));
                return heading::writeAttributeFile(path, text);
            },
            shape.asked);
        auto& got = *listener.collector;
        got.samples.clear();
        start(*source);
        ASSERT_TRUE(source->buffered()) << warnings.lines().back();
        EXPECT_EQ(warnings.lines().back(), "reading " + std::string(shape.driver) +
                                               " through its buffer at " +
                                               (shape.rate == 80 ? "80" : "10") + " Hz (trigger " +
                                               shape.driver + "-trigger)");
        EXPECT_EQ(source->sampleRate(), shape.rate);
        EXPECT_EQ(get("in_magn_sampling_frequency"), shape.rate == 80 ? "80" : "10");
        EXPECT_EQ(get("trigger/current_trigger"), std::string(shape.driver) + "-trigger");
        EXPECT_EQ(get("scan_elements/in_magn_y_en"), "1");
        EXPECT_EQ(get("scan_elements/in_temp_en"), "0");
        EXPECT_EQ(get("scan_elements/in_accel_x_en"), "0");
        EXPECT_EQ(get("buffer/length"), "64");
        EXPECT_EQ(get("buffer/watermark"), "1");  // under 60 Hz too: a watermark of 0 never wakes
        EXPECT_EQ(get("buffer/enable"), "1");

        // 12.5 ms apart by the kernel's clock, whatever the reader's.
        const long long t0 = 1733650000123456789;
        std::vector<Axes> sent;
        std::vector<unsigned char> bytes;
        for (long long n = 0; n < 24; ++n) {
            sent.push_back({n * 83 - 1000, 2000 - n * 171, (n % 5) * -409 + 7});
            const auto s = scan(shape, sent.back(), t0 + n * 12500000);
            bytes.insert(bytes.end(), s.begin(), s.end());
        }
        feed(bytes);
        ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() >= sent.size(); }));
        stop(*source);
        ASSERT_EQ(got.samples.size(), sent.size());
        for (std::size_t n = 0; n < sent.size(); ++n) {
            const auto& h = got.samples[n];
            EXPECT_EQ(h.x, sent[n].x * 0.000146 * 100);
            EXPECT_EQ(h.y, sent[n].y * 0.000146 * 100);
            EXPECT_EQ(h.z, sent[n].z * 0.000146 * 100);
            if (shape.timestamp) {
                EXPECT_EQ(std::llround(h.timestamp * 1e9), static_cast<long long>(n) * 12500000);
            } else if (n > 0) {
                EXPECT_GE(h.timestamp, got.samples[n - 1].timestamp);
            }
        }
        EXPECT_EQ(attributes(), before);
        // Started again, it finds the device as it was and sets it up the same way.
        start(*source);
        EXPECT_EQ(get("in_magn_sampling_frequency"), shape.rate == 80 ? "80" : "10");
        EXPECT_TRUE(source->buffered());
        stop(*source);
        EXPECT_EQ(attributes(), before);
        EXPECT_EQ(writtenWhileOn, std::vector<std::string>{});
    }
}

TEST_F(FakeBufferedIio, TheRateIsTheOneTheDriverSetAndIsAskedOfItWhereNoneAreListed) {
    struct Case {
        const char* what;
        bool listed;  // in_magn_sampling_frequency_available is there
        std::optional<double> asked;
        const char* given;  // the rate written
        const char* rate;   // what the driver keeps of it
        const char* watermark;
    };
    const Case cases[] = {
        {"80 from the list, kept as 78", true, {}, "80", "78", "1"},
        {"rate=12 with no list", false, 12.0, "12", "12", "1"},
        {"rate=200 with no list, kept as 198.5", false, 200.0, "200", "198.5", "3"},
    };
    const Shape st{"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(sys);
        fs::remove_all(dev);
        fs::create_directories(dev);
        makeDevice(st);
        if (!c.listed) fs::remove(dir / "in_magn_sampling_frequency_available");
        const auto before = attributes();
        auto source = open(
            [&c](const std::string& path, const std::string& text) {
                const bool rate = path.ends_with("/in_magn_sampling_frequency");
                return heading::writeAttributeFile(path, rate && text == c.given ? c.rate : text);
            },
            c.asked);
        start(*source);
        EXPECT_EQ(warnings.lines().back(), "reading lis3mdl through its buffer at " +
                                               std::string(c.rate) +
                                               " Hz (trigger lis3mdl-trigger)");
        EXPECT_EQ(source->sampleRate(), std::stod(c.rate));
        EXPECT_EQ(get("in_magn_sampling_frequency"), c.rate);
        EXPECT_EQ(get("buffer/watermark"), c.watermark);
        stop(*source);
        EXPECT_EQ(attributes(), before);
    }
}

TEST_F(FakeBufferedIio, AKernelClockSetBackNeverSendsTimeBack) {
    const Shape st{"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80};
    makeDevice(st);
    auto source = open();
    auto& got = *listener.collector;
    start(*source);
    const long long t0 = 1733650000123456789;
    // 12.5 ms apart, then the clock set back a second and going on from there.
    const long long stamps[] = {0, 12500000, 25000000, -975000000, -962500000};
    const long long seen[] = {0, 12500000, 25000000, 25000000, 37500000};
    std::vector<unsigned char> bytes;
    for (long long ns : stamps) {
        const auto s = scan(st, {1, 2, 3}, t0 + ns);
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    feed(bytes);
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() >= std::size(seen); }));
    stop(*source);
    ASSERT_EQ(got.samples.size(), std::size(seen));
    for (std::size_t n = 0; n < std::size(seen); ++n)
        EXPECT_EQ(std::llround(got.samples[n].timestamp * 1e9), seen[n]) << n;
}

TEST_F(FakeBufferedIio, ANodeThatClosesIsAnOutageUntilItReadsAgain) {
    const Shape st{"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80};
    makeDevice(st);
    auto source = open();
    auto& got = *listener.collector;
    start(*source);
    std::vector<unsigned char> bytes;
    for (long long n = 0; n < 6; ++n) {
        const auto s = scan(st, {n, n, n}, n * 12500000);
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    feed({bytes.begin(), bytes.begin() + 3 * 16 + 5});  // the writer goes in the middle of a scan
    ::close(writer);
    writer = -1;
    ASSERT_TRUE(queue.pumpUntil([&] { return !got.errors.empty(); }));
    EXPECT_EQ(got.samples.size(), 3u);
    EXPECT_EQ(got.errors[0].code, heading::LocationError::kLocationUnknown);
    EXPECT_EQ(got.errors[0].message,
              "cannot read " + (dev / "iio:device0").string() + ": the device node closed");
    feed({bytes.begin() + 3 * 16, bytes.end()});  // opened again: whole scans from here on
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() >= 6; }));
    stop(*source);
    EXPECT_EQ(got.errors.size(), 1u);
    EXPECT_EQ(got.samples.back().x, 5 * 0.000146 * 100);
    EXPECT_EQ(std::llround(got.samples.back().timestamp * 1e9), 5 * 12500000);
    EXPECT_EQ(get("buffer/enable"), "0");
}

TEST_F(FakeBufferedIio, WhatStandsInTheWayIsSaidOnceAndTheDeviceIsPolledUnchanged) {
    struct Case {
        const char* why;
        std::function<void(const fs::path& dir, const fs::path& dev)> breakIt;
        std::string refused;  // an attribute whose write fails
        int error;
    };
    const auto nothing = [](const fs::path&, const fs::path&) {};
    const Case cases[] = {
        {"buffer/enable is busy: another program holds the buffer", nothing, "buffer/enable",
         EBUSY},
        {"trigger/current_trigger is not writable; see README, Permissions", nothing,
         "current_trigger", EACCES},
        {"scan_elements/in_magn_z_en is not writable; see README, Permissions", nothing,
         "in_magn_z_en", EPERM},
        {"it has no scan elements for in_magn_x, y and z",
         [](const fs::path& d, const fs::path&) { fs::remove_all(d / "scan_elements"); }, "", 0},
        {"its buffer is on already: another program is reading it",
         [](const fs::path& d, const fs::path&) { put(d / "buffer/enable", "1"); }, "", 0},
        {"it has no trigger of its own",
         [](const fs::path& d, const fs::path&) { fs::remove_all(d.parent_path() / "trigger1"); },
         "", 0},
        {"scan_elements/in_magn_y_type: expected a scan type such as 'le:s16/16>>0', found "
         "'le:s16'",
         [](const fs::path& d, const fs::path&) {
             put(d / "scan_elements/in_magn_y_type", "le:s16");
         },
         "", 0},
        {"scan_elements/in_magn_y_index: 0 is the index of in_magn_x as well",
         [](const fs::path& d, const fs::path&) { put(d / "scan_elements/in_magn_y_index", "0"); },
         "", 0},
        {"no such node", [](const fs::path&, const fs::path& v) { fs::remove(v / "iio:device0"); },
         "", 0},
    };
    const Shape st{"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all(sys);
        fs::remove_all(dev);
        fs::create_directories(dev);
        makeDevice(st);
        c.breakIt(dir, dev);
        const auto before = attributes();
        auto source = open([&c](const std::string& path, const std::string& text) {
            if (!c.refused.empty() && path.ends_with(c.refused)) return c.error;
            return heading::writeAttributeFile(path, text);
        });
        auto& got = *listener.collector;
        got.samples.clear();
        start(*source);
        EXPECT_FALSE(source->buffered());
        const std::string why =
            std::string(c.why) == "no such node"
                ? "cannot open " + (dev / "iio:device0").string() + ": No such file or directory"
                : c.why;
        EXPECT_EQ(warnings.lines().back(), "reading lis3mdl by polling: " + why);
        EXPECT_EQ(get("buffer/enable"), before.at((dir / "buffer/enable").string()).substr(0, 1));
        EXPECT_EQ(get("in_magn_sampling_frequency"), "80");  // polled at the rate it chose
        ASSERT_TRUE(queue.pumpUntil([&] { return !got.samples.empty(); }));
        EXPECT_EQ(got.samples[0].x, 7 * 0.000146 * 100);
        stop(*source);
        EXPECT_EQ(attributes(), before);
    }
}

TEST_F(FakeBufferedIio, ARateThatCannotBeSetIsLeftAsItWasAndSaidSo) {
    const Shape st{"lis3mdl", "le:s16/16>>0", true, {0, 2, 4, 8}, 16, {}, 80};
    makeDevice(st);
    auto source = open([](const std::string& path, const std::string& text) {
        return path.ends_with("sampling_frequency") ? EACCES
                                                    : heading::writeAttributeFile(path, text);
    });
    start(*source);
    const auto lines = warnings.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "iio:device0 (lis3mdl): its rate stays at 1 Hz: in_magn_sampling_frequency is not "
              "writable; see README, Permissions");
    EXPECT_EQ(lines[1], "reading lis3mdl through its buffer at 1 Hz (trigger lis3mdl-trigger)");
    EXPECT_EQ(source->sampleRate(), 1.0);
    stop(*source);
}

}  // namespace
