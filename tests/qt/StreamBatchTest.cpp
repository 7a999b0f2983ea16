#include <gtest/gtest.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "platform/qt/StreamBatch.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::StreamBatch;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What has reached the file itself, whatever the stream still holds.
std::string onDisk(std::FILE* f) {
    std::string text;
    char chunk[4096];
    off_t at = 0;
    for (ssize_t n; (n = pread(fileno(f), chunk, sizeof chunk, at)) > 0; at += n)
        text.append(chunk, static_cast<std::size_t>(n));
    return text;
}

std::string writeLines(std::FILE* f, int count, const char* tag = "line") {
    std::string expected;
    for (int i = 0; i < count; ++i) {
        const std::string line = std::string(tag) + " " + std::to_string(i) + "\n";
        std::fputs(line.c_str(), f);
        expected += line;
    }
    return expected;
}

// One turn of the loop that may wait, as the program's own loop does.
void oneLoopTurn() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(StreamBatch, LinesOfOneTurnGoOutTogetherBeforeTheLoopWaitsAllAndInOrder) {
    // One line, a turn's worth, and far more than the buffer holds.
    for (int count : {1, 400, 20000}) {
        SCOPED_TRACE(count);
        File f(std::tmpfile());
        ASSERT_TRUE(f);
        StreamBatch batch(f.get());
        batch.flushBeforeEachWait();
        const std::string expected = writeLines(f.get(), count);
        if (expected.size() < StreamBatch::kBufferSize) {
            EXPECT_EQ(onDisk(f.get()), "");  // held for the rest of the turn
        }
        oneLoopTurn();
        EXPECT_EQ(onDisk(f.get()), expected);
    }
}

TEST(StreamBatch, AFlushingWriterTakesTheLinesBeforeItAlong) {
    File f(std::tmpfile());
    ASSERT_TRUE(f);
    StreamBatch batch(f.get());
    std::string expected = writeLines(f.get(), 3);
    std::fputs("fluxprobe: warning\n", f.get());
    std::fflush(f.get());
    expected += "fluxprobe: warning\n";
    EXPECT_EQ(onDisk(f.get()), expected);
}

TEST(StreamBatch, EndingTheBatchWritesWhatItHeldAndLaterLinesAtOnce) {
    File f(std::tmpfile());
    ASSERT_TRUE(f);
    std::string expected;
    {
        StreamBatch batch(f.get());
        expected = writeLines(f.get(), 50);
    }
    EXPECT_EQ(onDisk(f.get()), expected);
    expected += writeLines(f.get(), 1, "after");
    EXPECT_EQ(onDisk(f.get()), expected);
}

TEST(StreamBatchDeathTest, AnUncaughtExceptionStillWritesTheHeldLines) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child writes where the parent reads
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("log.txt")).toStdString();
    std::string expected;
    for (int i = 0; i < 20; ++i) expected += "line " + std::to_string(i) + "\n";
    EXPECT_DEATH(
        {
            std::FILE* f = std::fopen(path.c_str(), "w");
            StreamBatch batch(f);
            writeLines(f, 20);
            std::terminate();
        },
        "");
    File f(std::fopen(path.c_str(), "r"));
    ASSERT_TRUE(f);
    EXPECT_EQ(onDisk(f.get()), expected);
}

}  // namespace
}  // namespace fluxprobe_qt_test
