#include "publish/Spool.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "heading/AtomicFile.h"
#include "publish/Messages.h"

namespace publish {

namespace {

std::string errorText(int error) {
    return std::strerror(error);
}

bool readWhole(int fd, std::string& text) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string spoolFolder(const std::string& stationFolder) {
    if (!stationFolder.empty()) return stationFolder;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') return std::string(state) + "/fluxprobe";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/fluxprobe";
}

std::optional<std::string> Spool::open(const std::string& path, heading::Warn tell,
                                       std::size_t maxMinutes, Spool& spool) {
    spool.path_ = path;
    spool.tell_ = std::move(tell);
    spool.max_ = maxMinutes;
    const std::string lockPath = path + ".lock";
    spool.lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (spool.lockFd_ < 0) return "cannot open " + lockPath + ": " + errorText(errno);
    if (::flock(spool.lockFd_, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? path + " is in use by another fluxprobe"
                                    : "cannot lock " + lockPath + ": " + errorText(errno);
    spool.fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (spool.fd_ < 0) return "cannot open the spool " + path + ": " + errorText(errno);
    struct stat info {};
    if (::fstat(spool.fd_, &info) != 0 || !S_ISREG(info.st_mode))
        return "the spool " + path + " is not a regular file";
    std::string text;
    if (!readWhole(spool.fd_, text))
        return "cannot read the spool " + path + ": " + errorText(errno);

    SpoolContents contents = readSpool(text, maxMinutes);
    for (SpooledMinute& m : contents.minutes)
        spool.entries_.push_back({m.time, std::move(m.payload), 0});
    spool.records_ = contents.lines;
    spool.dropped_ = contents.overflow;
    if (contents.damaged > 0)
        spool.tell_(path + ": " + std::to_string(contents.damaged) +
                    (contents.damaged == 1 ? " line" : " lines") +
                    " could not be read and are left out (the first, line " +
                    std::to_string(contents.firstDamagedLine) + ": " + contents.firstDamage +
                    "); " + std::to_string(spool.entries_.size()) + " minutes will be sent");
    if (contents.overflow > 0)
        spool.tell_(path + ": held more than the spool keeps; the oldest " +
                    std::to_string(contents.overflow) + " minutes are dropped");
    // The file is rewritten whenever it holds more than what waits, so that what could not be
    // read is not read again, and a spool that is only appended to stays small.
    if (contents.lines != spool.entries_.size()) spool.compact();
    return std::nullopt;
}

Spool::~Spool() {
    if (fd_ >= 0) ::close(fd_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

void Spool::add(std::int64_t time, std::string payload) {
    if (entries_.size() >= max_) {
        if (!toldDrop_) {
            toldDrop_ = true;
            tell_("the spool " + path_ + " holds its " + std::to_string(max_) +
                  " minutes; the oldest are dropped from now on (first " +
                  isoTime(entries_.front().time) + ")");
        }
        remove(0);
        ++dropped_;
    }
    entries_.push_back({time, std::move(payload), 0});
    append(minuteRecord({time, entries_.back().payload}));
    syncDue_ = true;
}

void Spool::remove(std::size_t index) {
    const std::int64_t time = entries_[index].time;
    // A done line names a time, and names the oldest minute of that time: the same minute only
    // when no older one has it too.
    bool oldestOfItsTime = true;
    for (std::size_t i = 0; i < index && oldestOfItsTime; ++i)
        oldestOfItsTime = entries_[i].time != time;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    if (!oldestOfItsTime) {
        // Until the rewrite, a restart would send that minute again: a repeat, not a loss.
        compactDue_ = true;
        return;
    }
    append(doneRecord(time));
    if (!rewriting_ && records_ > 2 * entries_.size() + 1024) compactDue_ = true;
}

bool Spool::compactDue() const {
    return compactDue_ || dirty_;
}

std::string Spool::beginRewrite() {
    std::string text;
    for (const Entry& e : entries_) text += minuteRecord({e.time, e.payload});
    rewriting_ = true;
    compactDue_ = false;
    tail_.clear();
    tailRecords_ = 0;
    rewriteRecords_ = entries_.size();
    return text;
}

int Spool::writeRewrite(const std::string& path, const std::string& text, std::string& temporary) {
    temporary = path + ".new";
    ::unlink(temporary.c_str());  // left by a run that stopped half-way
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -errno;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(temporary.c_str());
            return -error;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fdatasync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return -error;
    }
    return fd;
}

void Spool::finishRewrite(int fd, const std::string& temporary) {
    rewriting_ = false;
    if (fd < 0) {
        writeFailed("rewrite", -fd);
        return;
    }
    // The lines written since the rewrite began go after it, then it takes the spool's place;
    // they are synced with the next minute's line.
    const bool tailWritten = tail_.empty() || ::write(fd, tail_.data(), tail_.size()) ==
                                                  static_cast<ssize_t>(tail_.size());
    if (!tailWritten || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = tailWritten ? errno : ENOSPC;
        ::close(fd);
        ::unlink(temporary.c_str());
        writeFailed("rewrite", error);
        return;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    records_ = rewriteRecords_ + tailRecords_;
    syncDue_ = true;
    if (dirty_ && toldWrite_) tell_("the spool " + path_ + " is written again");
    dirty_ = false;
    toldWrite_ = false;
}

int Spool::takeSync() {
    if (!syncDue_ || fd_ < 0) return -1;
    syncDue_ = false;
    return ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
}

void Spool::append(const std::string& record) {
    if (rewriting_) {
        tail_ += record;
        ++tailRecords_;
    }
    if (fd_ < 0) return;
    const ssize_t n = ::write(fd_, record.data(), record.size());
    if (n != static_cast<ssize_t>(record.size())) {
        const int error = n < 0 ? errno : ENOSPC;
        // A part of a line may stay behind as a torn line; the next compaction replaces it.
        ++records_;
        writeFailed("write", error);
        return;
    }
    ++records_;
}

void Spool::compact() {
    std::string text;
    for (const Entry& e : entries_) text += minuteRecord({e.time, e.payload});
    if (const int error = heading::writeFileAtomically(path_, text, heading::Existing::Replace)) {
        writeFailed("rewrite", error);
        return;
    }
    const int fd = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        writeFailed("reopen", errno);
        return;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    records_ = entries_.size();
    if (dirty_ && toldWrite_) tell_("the spool " + path_ + " is written again");
    dirty_ = false;
    toldWrite_ = false;
}

void Spool::writeFailed(const char* step, int error) {
    dirty_ = true;
    if (toldWrite_) return;
    toldWrite_ = true;
    tell_("cannot " + std::string(step) + " the spool " + path_ + ": " + errorText(error) +
          "; the waiting minutes are kept in memory and written again later");
}

}  // namespace publish
