#include "station/DayFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "heading/UtcTime.h"
#include "heading/replay/IagaFile.h"

namespace station {

namespace {

constexpr std::int64_t kDay = 86'400;

std::int64_t dayOf(std::int64_t time) {
    return time >= 0 ? time / kDay : -((-time + kDay - 1) / kDay);
}

// The time a data line starts with ("2018-09-01 23:00:00.000"), in seconds.
std::optional<std::int64_t> timeOfLine(std::string_view line) {
    if (line.size() < 23) return std::nullopt;
    std::string text(line.substr(0, 23));
    text[10] = 'T';
    const auto ms = heading::parseUtcMilliseconds(text + "Z");
    if (!ms) return std::nullopt;
    return *ms / 1000;
}

}  // namespace

DayFile::DayFile(StationFolder& folder, IagaWriter writer, Say say)
    : folder_(folder), writer_(std::move(writer)), say_(std::move(say)) {}

DayFile::~DayFile() {
    finish();
    close();
}

void DayFile::finish() {
    flush();
    if (!pending_.empty()) drop(pendingLines(), "the station stopped before they could be written");
}

void DayFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void DayFile::drop(std::size_t lines, const std::string& why) {
    if (lines == 0) return;
    say_(std::to_string(lines) + " lines of " + folder_.pathOf(name_) + " are lost: " + why);
    pending_.erase(0, lines * IagaWriter::kLineBytes);
    lost_ = true;
}

bool DayFile::open(std::int64_t day) {
    close();
    day_ = day;
    name_ = writer_.fileName(day * kDay);
    unusable_ = false;
    headerPending_ = false;
    last_.reset();
    written_ = verified_ = 0;
    const StationFolder::Check check = folder_.check(true);
    generation_ = check.generation;
    if (!check.usable) return false;
    const int fd =
        ::openat(folder_.fd(), name_.c_str(),
                 O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (!failing_)
            say_("cannot open " + folder_.pathOf(name_) + ": " + std::strerror(errno) +
                 "; its lines are kept until it can be written");
        failing_ = true;
        return false;
    }
    fd_ = fd;
    struct stat info {};
    ::fstat(fd_, &info);
    if (!S_ISREG(info.st_mode)) {
        say_(folder_.pathOf(name_) + " is not a plain file; it is left alone");
        close();
        unusable_ = true;
        return false;
    }
    const std::string text = folder_.read(name_).value_or(std::string());
    const std::size_t end = text.rfind('\n');
    const std::string_view whole(text.data(), end == std::string::npos ? 0 : end + 1);
    const std::size_t columns = whole.find("\nDATE ");
    if (!text.empty() && !heading::IagaFile::recognise(text.substr(0, text.find('\n')))) {
        say_(folder_.pathOf(name_) + " is not an IAGA-2002 file; it is left alone");
        close();
        unusable_ = true;
        return false;
    }
    if (columns == std::string_view::npos ||
        whole.find('\n', columns + 1) == std::string_view::npos) {
        // Nothing whole past the header: write it afresh.
        if (::ftruncate(fd_, 0) != 0) return false;
        headerPending_ = true;
    } else {
        if (whole.size() < text.size()) {
            if (::ftruncate(fd_, off_t(whole.size())) != 0) return false;
            say_(folder_.pathOf(name_) + ": a torn last line was cut off");
        }
        written_ = verified_ = off_t(whole.size());
        const std::size_t lineStart = whole.rfind('\n', whole.size() - 2);
        last_ = timeOfLine(whole.substr(lineStart + 1));
        if (last_ && (!runLast_ || *last_ > *runLast_)) runLast_ = last_;
    }
    return true;
}

std::optional<std::int64_t> DayFile::lastTimeOn(std::int64_t time) {
    const std::int64_t day = dayOf(time);
    if (day_ && *day_ == day) return last_;
    // Only looked at: a day's file is made when a line is written to it.
    const auto text = folder_.read(writer_.fileName(day * kDay));
    if (!text) return std::nullopt;
    const std::size_t end = text->rfind('\n');
    if (end == std::string::npos || end == 0) return std::nullopt;
    const std::size_t start = text->rfind('\n', end - 1);
    return timeOfLine(std::string_view(*text).substr(start == std::string::npos ? 0 : start + 1));
}

void DayFile::write(const StationValue& value) {
    const std::int64_t day = dayOf(value.time);
    if (!day_ || *day_ != day) {
        flush();
        if (!pending_.empty()) drop(pendingLines(), "the day ended before they could be written");
        open(day);
    }
    if (unusable_) {
        lost_ = true;
        return;
    }
    if (last_ && value.time <= *last_) return;
    // A gap is written as missing values, within this day.
    const std::int64_t step = writer_.step();
    std::int64_t from =
        last_ ? *last_ + step : (runLast_ && *runLast_ < day * kDay ? day * kDay : value.time);
    for (std::int64_t t = from; t < value.time; t += step) queue(StationValue{t});
    queue(value);
    flush();
}

void DayFile::queue(const StationValue& value) {
    if (pendingLines() >= kMaxPendingLines) drop(1, "too many could not be written");
    const std::size_t at = pending_.size();
    pending_.resize(at + IagaWriter::kLineBytes);
    writer_.line(value, pending_.data() + at);
    last_ = value.time;
    runLast_ = value.time;
}

bool DayFile::fileStillThere() const {
    struct stat mine {
    }, there{};
    return ::fstat(fd_, &mine) == 0 && mine.st_nlink > 0 &&
           ::fstatat(folder_.fd(), name_.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
           there.st_ino == mine.st_ino && there.st_dev == mine.st_dev;
}

// The folder or the file went away under the open file: the lines written since it was last
// seen in place may be in a file nobody can reach. They are read back and written again.
void DayFile::recover() {
    std::string since;
    if (fd_ >= 0 && written_ > verified_) {
        since.resize(std::size_t(written_ - verified_));
        const ssize_t n = ::pread(fd_, since.data(), since.size(), verified_);
        since.resize(n > 0 ? std::size_t(n) / IagaWriter::kLineBytes * IagaWriter::kLineBytes : 0);
    }
    std::string keep = since + pending_;
    const auto runLast = runLast_;
    const std::int64_t day = *day_;
    pending_.clear();
    if (!open(day)) {
        pending_ = std::move(keep);
        runLast_ = runLast;
        return;
    }
    // Only what the file now there does not hold yet.
    for (std::size_t at = 0; at + IagaWriter::kLineBytes <= keep.size();
         at += IagaWriter::kLineBytes) {
        const auto t = timeOfLine(std::string_view(keep).substr(at, IagaWriter::kLineBytes));
        if (t && last_ && *t <= *last_) continue;
        pending_.append(keep, at, IagaWriter::kLineBytes);
        if (t) last_ = *t;
    }
    if (runLast && (!runLast_ || *runLast > *runLast_)) runLast_ = runLast;
}

void DayFile::flush() {
    if (!day_ || unusable_) return;
    const StationFolder::Check check = folder_.check();
    if (!check.usable) return;
    if (fd_ < 0 || check.generation != generation_ || (check.fresh && !fileStillThere())) {
        recover();
        if (fd_ < 0 || unusable_) return;
    } else if (check.fresh) {
        verified_ = written_;
    }
    if (pending_.empty() && !headerPending_) return;
    std::string header = headerPending_ ? writer_.header() : std::string();
    const std::string* data = &pending_;
    std::string both;
    if (headerPending_) {
        both = header + pending_;
        data = &both;
    }
    ssize_t n = ::write(fd_, data->data(), data->size());
    int error = n < 0 ? errno : 0;
    if (n >= 0 && n < static_cast<ssize_t>(data->size())) {
        // A short write says nothing of why; the rest of it does.
        const ssize_t more = ::write(fd_, data->data() + n, data->size() - std::size_t(n));
        if (more > 0) n += more;
        error = more < 0 ? errno : ENOSPC;
    }
    if (n == static_cast<ssize_t>(data->size())) {
        // A header is made afresh wherever the file is opened again: never recovered as lines.
        if (headerPending_ && verified_ < written_ + off_t(header.size()))
            verified_ = written_ + off_t(header.size());
        written_ += off_t(n);
        pending_.clear();
        headerPending_ = false;
        if (failing_) say_("writing " + folder_.pathOf(name_) + " again");
        failing_ = false;
        return;
    }
    // No part of a line stays in the file.
    if (n > 0 && ::ftruncate(fd_, written_) != 0) {
        // The torn part stays until the next start cuts it off; nothing more is added after it.
        close();
    }
    if (!failing_)
        say_("cannot write " + folder_.pathOf(name_) + ": " + std::strerror(error) +
             "; its lines are kept until it can be written");
    failing_ = true;
}

}  // namespace station
