#include "qt/NonBlockingLog.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

namespace platform::qt {

// The bounded buffer of whole lines and the descriptor they go to. Written to from any thread
// (through our stream, whose lock already orders the writers), drained without ever blocking.
struct NonBlockingLog::Sink {
    std::mutex mutex;
    std::FILE* original = nullptr;
    int out = -1;               // our own descriptor for the original's file
    bool mayBlock = false;      // out may block: write only what poll says fits
    bool isSocket = false;      // out is a socket (journald's stderr): sent without waiting
    bool direct = false;        // the batch has ended: straight to the original stream
    bool broken = false;        // a write failed for good: logging has stopped
    bool droppingLine = false;  // the unfinished line did not fit and is being dropped
    std::string partial;        // the unfinished line
    std::string pending;        // whole lines, from `sent` on not yet written
    std::size_t sent = 0;
    std::uint64_t dropped = 0;

    ~Sink() {
        if (out >= 0) ::close(out);
    }

    void take(const char* data, std::size_t size);
    void line();
    bool waiting() const { return !broken && sent < pending.size(); }
    // Writes what the descriptor takes now; true when nothing is left.
    bool drain();
};

namespace {

// Lines waiting may fill this much; beyond it new lines are dropped.
constexpr std::size_t kPendingLimit = NonBlockingLog::kBufferSize;

// A descriptor for fd's file that never blocks: a FIFO or a terminal is opened again (a new
// open file description, so the O_NONBLOCK is ours alone and nobody else's who shares fd). A
// regular file never blocks for long anyway, and a socket is sent to without waiting. Anything
// else is written only as far as poll() says it can take. Sets mayBlock and socket.
int nonBlockingCopyOf(int fd, bool& mayBlock, bool& socket) {
    mayBlock = false;
    struct stat info {};
    socket = ::fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
    if (::fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const int again = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (again >= 0) return again;
    }
    mayBlock = !socket && !(::fstat(fd, &info) == 0 && S_ISREG(info.st_mode));
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

std::vector<std::shared_ptr<NonBlockingLog::Sink>>& keptSinks() {
    // Our streams are never closed (another thread may still hold one after the batch); their
    // sinks stay with them.
    static std::vector<std::shared_ptr<NonBlockingLog::Sink>> sinks;
    return sinks;
}

ssize_t sinkWrite(void* cookie, const char* data, size_t size) {
    auto* sink = static_cast<NonBlockingLog::Sink*>(cookie);
    sink->take(data, size);
    return static_cast<ssize_t>(size);
}

// std::cerr and std::clog onto a C stream, unbuffered as they are by default.
class StdioBuffer : public std::streambuf {
  public:
    explicit StdioBuffer(std::FILE* stream) : stream_(stream) {}

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        return std::fputc(c, stream_) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), stream_));
    }
    int sync() override { return std::fflush(stream_); }

  private:
    std::FILE* stream_;
};

std::FILE** terminatingStream = nullptr;
std::terminate_handler previousTerminate = nullptr;

[[noreturn]] void flushThenTerminate() {
    if (terminatingStream) std::fflush(*terminatingStream);
    if (previousTerminate) previousTerminate();
    std::abort();
}

}  // namespace

void NonBlockingLog::Sink::take(const char* data, std::size_t size) {
    std::unique_lock lock(mutex);
    if (direct) {
        lock.unlock();
        std::fwrite(data, 1, size, original);
        std::fflush(original);
        return;
    }
    for (std::size_t i = 0; i < size;) {
        const char* end = static_cast<const char*>(std::memchr(data + i, '\n', size - i));
        const std::size_t upTo = end ? static_cast<std::size_t>(end - data) : size;
        if (!droppingLine) {
            if (partial.size() + (upTo - i) > kPendingLimit) {
                partial.clear();  // a line longer than the whole buffer: dropped
                droppingLine = true;
            } else {
                partial.append(data + i, upTo - i);
            }
        }
        if (!end) break;
        line();
        i = upTo + 1;
    }
    drain();
}

void NonBlockingLog::Sink::line() {
    if (droppingLine || broken) {
        if (!broken) ++dropped;
    } else if (pending.size() - sent + partial.size() + 1 > kPendingLimit) {
        drain();  // the descriptor may have room by now
        if (pending.size() - sent + partial.size() + 1 > kPendingLimit)
            ++dropped;
        else
            pending.append(partial).push_back('\n');
    } else {
        pending.append(partial).push_back('\n');
    }
    partial.clear();
    droppingLine = false;
}

bool NonBlockingLog::Sink::drain() {
    while (waiting()) {
        std::size_t chunk = pending.size() - sent;
        if (mayBlock) {
            pollfd p{out, POLLOUT, 0};
            if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) break;
            if (chunk > PIPE_BUF) chunk = PIPE_BUF;  // what a pipe that polls writable takes
        }
        const ssize_t n =
            isSocket ? ::send(out, pending.data() + sent, chunk, MSG_DONTWAIT | MSG_NOSIGNAL)
                     : ::write(out, pending.data() + sent, chunk);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            broken = true;  // EPIPE: nobody will read it; anything else: nor can anybody
        }
    }
    if (sent == pending.size() || broken) {
        pending.clear();
        sent = 0;
    } else if (sent > kPendingLimit / 2) {
        pending.erase(0, sent);
        sent = 0;
    }
    return !waiting();
}

NonBlockingLog::NonBlockingLog(std::FILE*& stream)
    : stream_(stream), original_(stream), sink_(std::make_shared<Sink>()) {
    std::fflush(original_);
    sink_->original = original_;
    sink_->out = nonBlockingCopyOf(::fileno(original_), sink_->mayBlock, sink_->isSocket);
    if (sink_->out < 0) {  // nowhere to write to without blocking: leave the stream as it is
        sink_.reset();
        return;
    }
    ours_ = ::fopencookie(sink_.get(), "w", {nullptr, sinkWrite, nullptr, nullptr});
    if (!ours_) {
        sink_.reset();
        return;
    }
    std::setvbuf(ours_, nullptr, _IOFBF, kBufferSize);
    keptSinks().push_back(sink_);
    stream_ = ours_;
    if (&stream == &stderr) {
        cerrBuffer_ = std::make_unique<StdioBuffer>(ours_);
        cerrWas_ = std::cerr.rdbuf(cerrBuffer_.get());
        clogWas_ = std::clog.rdbuf(cerrBuffer_.get());
    }
    if (!terminatingStream) {
        terminatingStream = &stream_;
        previousTerminate = std::set_terminate(flushThenTerminate);
    }
}

NonBlockingLog::~NonBlockingLog() {
    QObject::disconnect(waits_);
    writable_.reset();
    if (!sink_) return;
    std::fflush(ours_);
    {
        std::lock_guard lock(sink_->mutex);
        if (!sink_->partial.empty()) sink_->line();  // a last line without its newline
        if (sink_->dropped > 0 && !sink_->broken)
            sink_->pending += "fluxprobe: " + std::to_string(sink_->dropped) +
                              " log lines were dropped because nobody read them fast enough\n";
        // What is held goes out, within a bound: a reader that never reads must not keep the
        // program from ending.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kFinalWaitMs);
        while (!sink_->drain()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{sink_->out, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
        sink_->direct = true;
        ::close(sink_->out);  // so a reader sees the end when the original closes
        sink_->out = -1;
    }
    if (terminatingStream == &stream_) {
        std::set_terminate(previousTerminate);
        terminatingStream = nullptr;
        previousTerminate = nullptr;
    }
    if (cerrBuffer_) {
        std::cerr.rdbuf(cerrWas_);
        std::clog.rdbuf(clogWas_);
    }
    stream_ = original_;
    // As stderr is by default: a line written after the batch goes out at once.
    std::setvbuf(original_, nullptr, _IONBF, 0);
}

void NonBlockingLog::flushBeforeEachWait() {
    if (waits_ || !sink_) return;
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (!loop) return;
    writable_ = std::make_unique<QSocketNotifier>(sink_->out, QSocketNotifier::Write);
    writable_->setEnabled(false);
    connect(writable_.get(), &QSocketNotifier::activated, this, [this] { flush(); });
    waits_ = connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] { flush(); });
}

void NonBlockingLog::flush() {
    std::fflush(stream_);
    if (!sink_) return;
    bool waiting;
    {
        std::lock_guard lock(sink_->mutex);
        waiting = !sink_->drain();
    }
    // Woken when the reader makes room; not while nothing waits, or the loop would spin.
    if (writable_ && writable_->isEnabled() != waiting) writable_->setEnabled(waiting);
}

std::uint64_t NonBlockingLog::droppedLines() const {
    if (!sink_) return 0;
    std::lock_guard lock(sink_->mutex);
    return sink_->dropped;
}

}  // namespace platform::qt
