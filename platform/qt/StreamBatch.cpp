#include "platform/qt/StreamBatch.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <cstdlib>
#include <exception>

namespace platform::qt {

namespace {

// Streams to flush should the program terminate; std::abort would drop their buffers.
std::FILE* terminatingStream = nullptr;
std::terminate_handler previousTerminate = nullptr;

[[noreturn]] void flushThenTerminate() {
    if (terminatingStream) std::fflush(terminatingStream);
    if (previousTerminate) previousTerminate();
    std::abort();
}

}  // namespace

StreamBatch::StreamBatch(std::FILE* stream)
    : stream_(stream), buffer_(std::make_unique<char[]>(kBufferSize)) {
    std::setvbuf(stream_, buffer_.get(), _IOFBF, kBufferSize);
    if (!terminatingStream) {
        terminatingStream = stream_;
        previousTerminate = std::set_terminate(flushThenTerminate);
    }
}

StreamBatch::~StreamBatch() {
    QObject::disconnect(waits_);
    std::fflush(stream_);
    if (terminatingStream == stream_) {
        std::set_terminate(previousTerminate);
        terminatingStream = nullptr;
        previousTerminate = nullptr;
    }
    // glibc lets a stream in use change its buffering once flushed; the buffer goes with us.
    std::setvbuf(stream_, nullptr, _IONBF, 0);
}

void StreamBatch::flushBeforeEachWait() {
    if (waits_) return;
    if (QAbstractEventDispatcher* loop =
            QAbstractEventDispatcher::instance(QThread::currentThread()))
        waits_ = connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] { flush(); });
}

void StreamBatch::flush() {
    std::fflush(stream_);
}

}  // namespace platform::qt
