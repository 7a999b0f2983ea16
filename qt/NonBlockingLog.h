#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <streambuf>

class QSocketNotifier;

namespace platform::qt {

// Stands in for a stream (stderr) so that what the program writes there never blocks it. The
// meter logs a line on stderr for every sample; at a thousand a second a write call per line
// costs more than the line, and a pipe nobody reads would stop the whole program once full.
//
// The stream variable is pointed at a stream of ours (and std::cerr and std::clog with it, when
// it is stderr). What is written there is held for the turn of the event loop, then handed to a
// bounded buffer of whole lines that goes to the original file descriptor without blocking: now
// if it can take it, else when it can (the loop watches it). When the buffer is full, whole lines
// are dropped and counted, never parts of one, and the lines that go out keep their order. A
// write that fails (EPIPE: the reader is gone) ends the logging, not the program. At the end of
// the batch what is held goes out, waiting at most kFinalWait, followed by how many lines were
// dropped if any were; then the stream is the original again. Should the program terminate on an
// uncaught exception, what is held goes out first, as far as it can without waiting.
class NonBlockingLog : public QObject {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 16;
    static constexpr int kFinalWaitMs = 500;

    // Construct before anything is written to stream.
    explicit NonBlockingLog(std::FILE*& stream);
    ~NonBlockingLog() override;
    NonBlockingLog(const NonBlockingLog&) = delete;
    NonBlockingLog& operator=(const NonBlockingLog&) = delete;

    // Hands what is held over each time the current thread's event loop is about to wait. Needs
    // the loop's event dispatcher, which exists once the QApplication does.
    void flushBeforeEachWait();

    void flush();

    // Whole lines dropped so far because the reader did not keep up.
    std::uint64_t droppedLines() const;

    struct Sink;

  private:
    std::FILE*& stream_;
    std::FILE* original_;
    std::shared_ptr<Sink> sink_;
    std::FILE* ours_ = nullptr;
    std::unique_ptr<std::streambuf> cerrBuffer_;
    std::streambuf* cerrWas_ = nullptr;
    std::streambuf* clogWas_ = nullptr;
    std::unique_ptr<QSocketNotifier> writable_;
    QMetaObject::Connection waits_;
};

}  // namespace platform::qt
