#include "heading/replay/Recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "heading/SourceError.h"
#include "heading/replay/ReplayFormat.h"
#include "heading/replay/ReplayLine.h"

namespace heading {

Recorder::Recorder(const std::string& path, Warn warn, std::function<Clock::time_point()> now,
                   bool gravity)
    : name_(path), warn_(std::move(warn)), now_(std::move(now)), gravity_(gravity) {
    // O_EXCL: a recording never replaces a file that is already there. Readable too: the remote
    // view serves the recording from this very descriptor.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST)
            throw SourceError("record file " + path + " already exists; it is not overwritten");
        throw SourceError("cannot create record file " + path + ": " + std::strerror(error));
    }
    created_ = true;
    adopt(fd);
}

Recorder::Recorder(int fd, const std::string& name, Warn warn,
                   std::function<Clock::time_point()> now, bool gravity)
    : name_(name), warn_(std::move(warn)), now_(std::move(now)), gravity_(gravity) {
    adopt(fd);
}

void Recorder::adopt(int fd) {
    fd_ = fd;
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    written_ = start > 0 ? static_cast<std::size_t>(start) : 0;
    // Past a file size limit a write fails with EFBIG, reported like a full disk, instead of
    // the signal ending the whole program.
    std::signal(SIGXFSZ, SIG_IGN);
    buffer_.reserve(kBufferBytes);
    lastFlush_ = now_();
    append(std::string(replayHeader(gravity_)) + "\n");
}

Recorder::~Recorder() {
    flush();
    if (fd_ >= 0) ::close(fd_);
}

void Recorder::append(std::string_view line) {
    if (buffer_.size() + line.size() > kBufferBytes) flush();
    if (failed_) return;
    buffer_.append(line);
}

void Recorder::record(const heading::Heading& h) {
    if (failed_ || fd_ < 0) return;
    char line[kReplayLineBytes];
    const std::size_t n = formatReplayLine(line, time_.next(h.timestamp), h, gravity_);
    if (n == 0) return;
    append({line, n});
    if (now_() - lastFlush_ >= std::chrono::seconds(1)) flush();
}

void Recorder::flush() {
    if (failed_ || fd_ < 0) return;
    lastFlush_ = now_();
    // The buffer holds whole lines only, so the file only ever ends at the end of a line, and a
    // recording cut short by a crash still replays.
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            writeFailed(n < 0 ? errno : ENOSPC, done);
            return;
        }
    }
    written_ += done;
    buffer_.clear();
}

void Recorder::discard() {
    if (fd_ < 0) return;
    struct stat mine {
    }, there{};
    if (created_ && written_ == 0 && ::fstat(fd_, &mine) == 0 &&
        ::lstat(name_.c_str(), &there) == 0 && mine.st_dev == there.st_dev &&
        mine.st_ino == there.st_ino)
        ::unlink(name_.c_str());
    ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

void Recorder::writeFailed(int error, std::size_t partial) {
    if (failed_) return;
    failed_ = true;
    // A write that stopped part-way left half a line: cut the file back to its last whole line
    // so that it still replays. (Not a regular file, such as a pipe: nothing to cut.)
    const auto lastEnd = std::string_view(buffer_).substr(0, partial).rfind('\n');
    const std::size_t keep = written_ + (lastEnd == std::string_view::npos ? 0 : lastEnd + 1);
    if (::ftruncate(fd_, static_cast<off_t>(keep)) == 0) written_ = keep;
    buffer_.clear();
    if (warn_)
        warn_("recording to " + name_ + " stopped: " + std::strerror(error) +
              " (the file holds the samples up to its last good write)");
}

}  // namespace heading
