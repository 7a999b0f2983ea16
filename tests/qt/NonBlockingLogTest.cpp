#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "qt/NonBlockingLog.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::NonBlockingLog;

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

TEST(NonBlockingLog, LinesOfOneTurnGoOutTogetherBeforeTheLoopWaitsAllAndInOrder) {
    // One line, a turn's worth, and far more than the buffer holds.
    for (int count : {1, 400, 20000}) {
        SCOPED_TRACE(count);
        File f(std::tmpfile());
        ASSERT_TRUE(f);
        std::FILE* stream = f.get();
        NonBlockingLog batch(stream);
        batch.flushBeforeEachWait();
        const std::string expected = writeLines(stream, count);
        if (expected.size() < NonBlockingLog::kBufferSize) {
            EXPECT_EQ(onDisk(f.get()), "");  // held for the rest of the turn
        }
        oneLoopTurn();
        EXPECT_EQ(onDisk(f.get()), expected);
    }
}

TEST(NonBlockingLog, AFlushingWriterTakesTheLinesBeforeItAlong) {
    File f(std::tmpfile());
    ASSERT_TRUE(f);
    std::FILE* stream = f.get();
    NonBlockingLog batch(stream);
    std::string expected = writeLines(stream, 3);
    std::fputs("fluxprobe: warning\n", stream);
    std::fflush(stream);
    expected += "fluxprobe: warning\n";
    EXPECT_EQ(onDisk(f.get()), expected);
}

TEST(NonBlockingLog, EndingTheBatchWritesWhatItHeldAndLaterLinesAtOnce) {
    File f(std::tmpfile());
    ASSERT_TRUE(f);
    std::string expected;
    std::FILE* stream = f.get();
    {
        NonBlockingLog batch(stream);
        expected = writeLines(stream, 50);
    }
    EXPECT_EQ(stream, f.get());
    EXPECT_EQ(onDisk(f.get()), expected);
    expected += writeLines(stream, 1, "after");
    EXPECT_EQ(onDisk(f.get()), expected);
}

TEST(NonBlockingLogDeathTest, AnUncaughtExceptionStillWritesTheHeldLines) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child writes where the parent reads
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("log.txt")).toStdString();
    std::string expected;
    for (int i = 0; i < 20; ++i) expected += "line " + std::to_string(i) + "\n";
    EXPECT_DEATH(
        {
            std::FILE* f = std::fopen(path.c_str(), "w");
            NonBlockingLog batch(f);
            writeLines(f, 20);
            std::terminate();
        },
        "");
    File f(std::fopen(path.c_str(), "r"));
    ASSERT_TRUE(f);
    EXPECT_EQ(onDisk(f.get()), expected);
}

// A pipe as small as Linux makes one, into which nobody reads while the lines are written.
struct SmallPipe {
    int fds[2] = {-1, -1};
    SmallPipe() {
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        EXPECT_EQ(::fcntl(fds[1], F_SETPIPE_SZ, 4096), 4096);
    }
    ~SmallPipe() {
        if (fds[0] >= 0) ::close(fds[0]);
    }
};

TEST(NonBlockingLog, APipeNobodyReadsNeverBlocksTheWriterAndLosesOnlyWholeLines) {
    SmallPipe pipe;
    std::FILE* stream = ::fdopen(pipe.fds[1], "w");
    ASSERT_TRUE(stream);
    constexpr int kLines = 20000;  // 20 times what the pipe and the buffer hold together
    std::optional<NonBlockingLog> batch;
    batch.emplace(stream);
    batch->flushBeforeEachWait();
    for (int i = 0; i < kLines; ++i) {
        std::fprintf(stream, "line %d\n", i);
        if (i % 1000 == 999) oneLoopTurn();
    }
    const std::uint64_t dropped = batch->droppedLines();
    EXPECT_GT(dropped, 0u);
    {
        // Someone reads at last: what was held goes out, then how many lines were dropped.
        std::thread reader([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            char chunk[4096];
            std::string all;
            for (ssize_t n; (n = ::read(pipe.fds[0], chunk, sizeof chunk)) > 0;)
                all.append(chunk, static_cast<std::size_t>(n));
            std::istringstream lines(all);
            std::string line, last;
            std::uint64_t received = 0;
            int previous = -1;
            while (std::getline(lines, line)) {
                last = line;
                if (line.rfind("line ", 0) != 0) continue;
                const int n = std::stoi(line.substr(5));
                EXPECT_EQ(line, "line " + std::to_string(n));
                EXPECT_GT(n, previous);
                previous = n;
                ++received;
            }
            EXPECT_EQ(received + dropped, static_cast<std::uint64_t>(kLines));
            EXPECT_EQ(last, "fluxprobe: " + std::to_string(dropped) +
                                " log lines were dropped because nobody read them fast enough");
        });
        batch.reset();  // ended while the reader reads, as at exit
        std::fclose(stream);
        reader.join();
    }
}

TEST(NonBlockingLog, AReaderThatIsGoneEndsTheLogNotTheProgram) {
    std::signal(SIGPIPE, SIG_IGN);  // as the program does
    SmallPipe pipe;
    ::close(pipe.fds[0]);
    pipe.fds[0] = -1;
    std::FILE* stream = ::fdopen(pipe.fds[1], "w");
    ASSERT_TRUE(stream);
    {
        NonBlockingLog batch(stream);
        writeLines(stream, 10000);
        std::fflush(stream);
        EXPECT_EQ(batch.droppedLines(), 0u);  // not dropped for want of room: nobody is there
    }
    std::fclose(stream);
}

}  // namespace
}  // namespace fluxprobe_qt_test
