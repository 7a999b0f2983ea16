#include "heading/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace heading {

namespace {

BoundedFile readOpen(int fd, std::size_t limit) {
    BoundedFile file;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return {BoundedFile::Problem::Read, errno, {}};
    if (S_ISDIR(info.st_mode)) return {BoundedFile::Problem::Read, EISDIR, {}};
    if (!S_ISREG(info.st_mode)) return {BoundedFile::Problem::NotRegular, 0, {}};
    if (static_cast<std::size_t>(info.st_size) > limit)
        return {BoundedFile::Problem::TooLarge, 0, {}};
    // One byte more than allowed tells a file that grew since.
    file.bytes.resize(limit + 1);
    std::size_t got = 0;
    while (got < file.bytes.size()) {
        const ssize_t n = ::read(fd, file.bytes.data() + got, file.bytes.size() - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return {BoundedFile::Problem::Read, errno, {}};
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) return {BoundedFile::Problem::TooLarge, 0, {}};
    file.bytes.resize(got);
    return file;
}

}  // namespace

BoundedFile readBoundedFile(const std::string& path, std::size_t limit) {
    int fd;
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return {BoundedFile::Problem::Open, errno, {}};
    BoundedFile file = readOpen(fd, limit);
    ::close(fd);
    return file;
}

}  // namespace heading
