#include "station/StationFolder.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace station {

StationFolder::StationFolder(const std::string& path, Say say) : say_(std::move(say)) {
    if (path.empty())
        throw StationError("--station needs a folder, as in --station=/var/lib/fluxprobe");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT || ::mkdir(path.c_str(), 0755) != 0)
            throw StationError("station folder " + path + ": " + std::strerror(errno) +
                               "; expected a writable folder");
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        throw StationError("station folder " + path + ": " + std::strerror(errno));
    path_ = resolved;
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0)
        throw StationError("station folder " + path + " is not a folder (" + std::strerror(errno) +
                           "); expected a writable folder");
    if (::faccessat(fd_, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        ::close(fd_);
        throw StationError("station folder " + path + " is not writable: " + std::strerror(error));
    }
    // Two stations on one folder would write each other's lines into the same files.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        throw StationError(
            error == EWOULDBLOCK
                ? "another station is writing into " + path + "; one folder, one station"
                : "cannot lock station folder " + path + ": " + std::strerror(error));
    }
    ::fstat(fd_, &info);
    device_ = info.st_dev;
    inode_ = info.st_ino;
}

StationFolder::~StationFolder() {
    if (fd_ >= 0) ::close(fd_);
}

bool StationFolder::same() const {
    struct stat info {};
    return ::lstat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_dev == device_ &&
           info.st_ino == inode_;
}

void StationFolder::lose(const std::string& why) {
    if (!lost_)
        say_("station folder " + path_ + " " + why +
             "; nothing is written until it is a folder again");
    lost_ = true;
}

StationFolder::Check StationFolder::check(bool now) {
    const auto at = std::chrono::steady_clock::now();
    if (!now && at - lastCheck_ < kCheckInterval) return {!lost_, false, generation_};
    lastCheck_ = at;
    if (!lost_ && same()) return {true, true, generation_};
    struct stat info {};
    if (::lstat(path_.c_str(), &info) != 0) {
        lose("is gone");
        return {false, true, generation_};
    }
    if (S_ISLNK(info.st_mode)) {
        lose("was replaced by a link, which is not followed");
        return {false, true, generation_};
    }
    if (!S_ISDIR(info.st_mode)) {
        lose("was replaced by a file");
        return {false, true, generation_};
    }
    // A real folder is there again, or another one in its place: take it up.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_ino != info.st_ino) {
        if (fd >= 0) ::close(fd);
        lose("cannot be opened");
        return {false, true, generation_};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        lose("is taken by another station");
        return {false, true, generation_};
    }
    ::close(fd_);
    fd_ = fd;
    device_ = opened.st_dev;
    inode_ = opened.st_ino;
    ++generation_;
    if (lost_)
        say_("station folder " + path_ + " is back; writing again");
    else
        say_("station folder " + path_ + " was replaced by another folder; writing there");
    lost_ = false;
    return {true, true, generation_};
}

std::optional<std::string> StationFolder::read(const std::string& name) const {
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t have = 0;
    while (have < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + have, text.size() - have, off_t(have));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    text.resize(have);
    return text;
}

}  // namespace station
