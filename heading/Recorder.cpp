#include "heading/Recorder.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "heading/ReplayFormat.h"
#include "heading/SourceError.h"

namespace heading {

Recorder::Recorder(const std::string& path, Warn warn, std::function<Clock::time_point()> now)
    : name_(path), warn_(std::move(warn)), now_(std::move(now)) {
    // O_EXCL: a recording never replaces a file that is already there.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST)
            throw SourceError("record file " + path + " already exists; it is not overwritten");
        throw SourceError("cannot create record file " + path + ": " + std::strerror(error));
    }
    adopt(fd);
}

Recorder::Recorder(int fd, const std::string& name, Warn warn,
                   std::function<Clock::time_point()> now)
    : name_(name), warn_(std::move(warn)), now_(std::move(now)) {
    adopt(fd);
}

void Recorder::adopt(int fd) {
    file_.reset(::fdopen(fd, "w"));
    if (!file_) {
        const int error = errno;
        ::close(fd);
        throw SourceError("cannot write record file " + name_ + ": " + std::strerror(error));
    }
    lastFlush_ = now_();
    if (std::fprintf(file_.get(), "%s\n", kReplayHeader) < 0) writeFailed(errno);
}

Recorder::~Recorder() {
    flush();
}

void Recorder::record(const platform::Heading& h) {
    if (failed_ || !file_) return;
    double t = h.timestamp + tOffset_;
    if (recorded_ && t < lastT_) {  // the source started again
        tOffset_ += lastT_ - t;
        t = lastT_;
    }
    lastT_ = t;
    recorded_ = true;
    // %.17g keeps every bit of a double, so the file replays exactly what was delivered.
    if (std::fprintf(file_.get(), "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", t, h.x, h.y, h.z,
                     h.magneticHeading, h.trueHeading) < 0) {
        writeFailed(errno);
        return;
    }
    if (now_() - lastFlush_ >= std::chrono::seconds(1)) flush();
}

void Recorder::flush() {
    if (failed_ || !file_) return;
    lastFlush_ = now_();
    if (std::fflush(file_.get()) != 0) writeFailed(errno);
}

void Recorder::writeFailed(int error) {
    if (failed_) return;
    failed_ = true;
    if (warn_)
        warn_("recording to " + name_ + " stopped: " + std::strerror(error) +
              " (the file holds the samples up to its last good write)");
    // Drop what is still buffered so closing does not try, and fail, once more.
    __fpurge(file_.get());
    file_.reset();
}

}  // namespace heading
