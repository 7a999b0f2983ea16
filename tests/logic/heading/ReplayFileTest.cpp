#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "HeadingTestSupport.h"
#include "heading/SourceError.h"
#include "heading/replay/ReplayFile.h"

namespace {

using heading::ReplayFile;
using heading::SourceError;

constexpr const char* kHeader = "t,x,y,z,magneticHeading,trueHeading\n";

std::string refusal(const std::string& text) {
    try {
        ReplayFile::parse(text, "session.csv");
    } catch (const SourceError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(ReplayFile, ReadsEveryValueExactly) {
    const auto samples =
        ReplayFile::parse(std::string("\r\n") + "t,x,y,z,magneticHeading,trueHeading\r\n" +
                              "0,1.5,-2.25,+3e1,359.99999999999994,-1\r\n\n   \n"
                              "0.10000000000000001, 0.1 ,1e-400,-0,0,12.5\n"
                              "0.10000000000000001,7,8,9,10,11",  // same t twice; no final newline
                          "x.csv");
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].timestamp, 0.0);
    EXPECT_EQ(samples[0].x, 1.5);
    EXPECT_EQ(samples[0].y, -2.25);
    EXPECT_EQ(samples[0].z, 30.0);
    EXPECT_EQ(samples[0].magneticHeading, 359.99999999999994);
    EXPECT_EQ(samples[0].trueHeading, -1.0);
    EXPECT_EQ(samples[1].timestamp, 0.1);
    EXPECT_EQ(samples[1].x, 0.1);
    EXPECT_EQ(samples[1].y, 0.0);  // too small for a double: zero, not an error
    EXPECT_TRUE(std::signbit(samples[1].z));
    EXPECT_EQ(samples[2].trueHeading, 11.0);
    EXPECT_TRUE(ReplayFile::parse(kHeader, "x.csv").empty());
    const auto tilted = ReplayFile::parse(
        "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz\n0,1,2,3,4,5,-0.5,0.25,9.75\n", "g.csv");
    ASSERT_EQ(tilted.size(), 1u);
    EXPECT_EQ(tilted[0].trueHeading, 5.0);
    EXPECT_EQ(tilted[0].gravityX, -0.5);
    EXPECT_EQ(tilted[0].gravityY, 0.25);
    EXPECT_EQ(tilted[0].gravityZ, 9.75);
}

TEST(ReplayFile, EachMalformedFileGetsItsOwnMessage) {
    const std::string h = kHeader;
    const std::string g = "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz\n";
    const std::pair<std::string, std::string> cases[] = {
        {"",
         "session.csv: the file is empty; expected the header "
         "t,x,y,z,magneticHeading,trueHeading"},
        {"\n\r\n  \n", "session.csv: the file is empty"},
        {"0,1,2,3,4,5\n",
         "session.csv:1: expected the header t,x,y,z,magneticHeading,trueHeading or "
         "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz, found '0,1,2,3,4,5'"},
        {"\nt,x,y,z,heading,trueHeading\n", "session.csv:2: expected the header"},
        {"T,X,Y,Z,magneticHeading,trueHeading\n", "session.csv:1: expected the header"},
        {h + "0,1,2,3,4\n", "session.csv:2: expected 6 comma-separated numbers, found 5"},
        {h + "0,1,2,3,4,5\n\n0,1,2,3,4,5,6\n",
         "session.csv:4: expected 6 comma-separated numbers, found 7"},
        {h + "0,1,2,3,4,5,\n", "session.csv:2: expected 6 comma-separated numbers, found 7"},
        {h + "0;1;2;3;4;5\n", "session.csv:2: expected 6 comma-separated numbers, found 1"},
        {h + "0,1,2,nan,4,5\n", "session.csv:2: z is not a finite number: nan"},
        {h + "0,1,2,3,4,-inf\n", "session.csv:2: trueHeading is not a finite number: -inf"},
        {h + "0,1,2,3,1e999,5\n", "session.csv:2: magneticHeading is not a finite number: 1e999"},
        {h + "0,1,2,3,4,5\n0,1,zwei,3,4,5\n", "session.csv:3: y is not a number: 'zwei'"},
        {h + "0,1,2,3,4,5x\n", "session.csv:2: trueHeading is not a number: '5x'"},
        {h + "0,1,,3,4,5\n", "session.csv:2: y is not a number: ''"},
        {h + "0,0x10,2,3,4,5\n", "session.csv:2: x is not a number: '0x10'"},
        {h + "0,1 2,2,3,4,5\n", "session.csv:2: x is not a number: '1 2'"},
        {h + "1,1,2,3,4,5\n0.5,1,2,3,4,5\n", "session.csv:3: t goes backwards: 0.5 after 1"},
        {h + "5,1,2,3,4,5\n9.3e9,1,2,3,4,5\n",
         "session.csv:3: t is more than 10000000 s after the first sample: 9300000000"},
        // Each step under the span, the whole over it: measured from the first sample.
        {h + "0,1,2,3,4,5\n6e6,1,2,3,4,5\n1.2e7,1,2,3,4,5\n",
         "session.csv:4: t is more than 10000000 s after the first sample: 12000000"},
        {h + "0,1,2,3,400,5\n",
         "session.csv:2: magneticHeading must lie in [0, 360) degrees, found 400"},
        {h + "0,1,2,3,-30,5\n", "session.csv:2: magneticHeading must lie in [0, 360)"},
        {h + "0,1,2,3,360,5\n", "session.csv:2: magneticHeading must lie in [0, 360)"},
        {h + "0,1,2,3,4,360\n",
         "session.csv:2: trueHeading must lie in [0, 360) degrees or be -1 (unknown), found 360"},
        {h + "0,1,2,3,4,-0.5\n", "session.csv:2: trueHeading must lie in [0, 360)"},
        {h + std::string(4097, '1') + "\n0,1,2,3,4,5\n",
         "session.csv:2: line longer than 4096 bytes"},
        {h + std::string(100000, '\0'), "session.csv:2: line longer than 4096 bytes"},
        {"\xef\xbb\xbft,x,y,z\n", "session.csv:1: expected the header"},
        {"t,x,y,z,magneticHeading,trueHeading,gx,gy\n",
         "session.csv:1: expected the header t,x,y,z,magneticHeading,trueHeading or "
         "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz, found"},
        {g + "0,1,2,3,4,5\n", "session.csv:2: expected 9 comma-separated numbers, found 6"},
        {g + "0,1,2,3,4,5,0,0,nan\n", "session.csv:2: gz is not a finite number: nan"},
        {g + "0,1,2,3,4,5,0,x,9.8\n", "session.csv:2: gy is not a number: 'x'"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::string message = refusal(text);
        EXPECT_EQ(message.substr(0, expected.size()), expected) << message;
    }
}

TEST(ReplayFile, TakesAByteOrderMarkAndLinesUpToTheLimitAndCapsTheSamples) {
    const std::string bom = "\xef\xbb\xbf";
    EXPECT_EQ(ReplayFile::parse(bom + kHeader + "0,1,2,3,4,5\r\n", "x.csv").size(), 1u);
    const std::string longest = "0,1,2,3,4," + std::string(4096 - 11, '0') + "5";
    EXPECT_EQ(ReplayFile::parse(kHeader + longest + "\r\n", "x.csv").size(), 1u);
    try {
        ReplayFile::parse(std::string(kHeader) + "0,1,2,3,4,5\n1,1,2,3,4,5\n2,1,2,3,4,5\n",
                          "session.csv", 2);
        ADD_FAILURE() << "a third sample was taken";
    } catch (const SourceError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "session.csv:4: more than 2 samples; a replay holds at most 2");
    }
}

TEST(ReplayFile, AnEndlessLineIsRefusedWithoutReadingItToItsEnd) {
    const auto dir = heading_test::freshTempDir("replay-endless");
    const auto fifo = (dir / "endless.csv").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::size_t written = 0;
    // Up to 64 MiB without a newline, until the reader lets go of the pipe.
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        const std::string chunk(65536, 'x');
        ::signal(SIGPIPE, SIG_IGN);
        while (written < (64u << 20)) {
            const ssize_t n = ::write(fd, chunk.data(), chunk.size());
            if (n <= 0) break;
            written += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    std::string message;
    try {
        ReplayFile::read(fifo);
    } catch (const SourceError& e) {
        message = e.what();
    }
    writer.join();
    EXPECT_EQ(message, fifo + ":1: line longer than 4096 bytes");
    EXPECT_LT(written, 1u << 20) << "bytes taken before the refusal";
    std::filesystem::remove_all(dir);
}

TEST(ReplayFile, MissingAndUnreadableFilesAreNamed) {
    const auto dir = heading_test::freshTempDir("replay-read");
    const auto missing = (dir / "missing.csv").string();
    EXPECT_THROW(
        try { ReplayFile::read(missing); } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "cannot open replay file " + missing + ": No such file or directory");
            throw;
        },
        SourceError);
    EXPECT_THROW(
        try { ReplayFile::read(dir.string()); } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "cannot read replay file " + dir.string() + ": Is a directory");
            throw;
        },
        SourceError);
    EXPECT_THROW(
        try { ReplayFile::read("/dev/zero"); } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "replay file /dev/zero is a character device; expected a file or a FIFO");
            throw;
        },
        SourceError);
    const auto empty = dir / "empty.csv";
    std::ofstream(empty).close();
    EXPECT_THROW(
        try { ReplayFile::read(empty.string()); } catch (const SourceError& e) {
            EXPECT_NE(std::string(e.what()).find(empty.string() + ": the file is empty"),
                      std::string::npos);
            throw;
        },
        SourceError);
    std::filesystem::remove_all(dir);
}

}  // namespace
