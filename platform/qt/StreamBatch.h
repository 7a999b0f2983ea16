#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstddef>
#include <cstdio>
#include <memory>

namespace platform::qt {

// Hands what the program writes to a stream to the system once per turn of the event loop
// instead of once per line. The meter logs a line on stderr for every sample; at a thousand
// samples a second a write call per line costs more than the line. The stream is made fully
// buffered and is flushed each time the loop is about to wait, so a line is never held past
// the turn that wrote it. Order is kept because everything still goes through the stream's one
// buffer: a write that flushes (a warning, Qt's messages, std::endl) takes the lines before it
// along. The buffer is also flushed when full, when the batch ends, when the program exits
// normally and when it terminates on an uncaught exception.
class StreamBatch : public QObject {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

    // Construct before anything is written to stream.
    explicit StreamBatch(std::FILE* stream);
    // Flushes and leaves the stream unbuffered again.
    ~StreamBatch() override;
    StreamBatch(const StreamBatch&) = delete;
    StreamBatch& operator=(const StreamBatch&) = delete;

    // Flushes each time the current thread's event loop is about to wait. Needs the loop's
    // event dispatcher, which exists once the QApplication does.
    void flushBeforeEachWait();

    void flush();

  private:
    std::FILE* stream_;
    std::unique_ptr<char[]> buffer_;
    QMetaObject::Connection waits_;
};

}  // namespace platform::qt
