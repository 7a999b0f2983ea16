#include "heading/iio/IioFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace heading {

AttributeRead readAttributeFile(const std::string& path) {
    AttributeRead result;
    int fd;
    // Non-blocking, so that a FIFO in its place cannot hang the open; then refused, as is any
    // other file that is not a plain attribute.
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.error = kNotRegularFile;
        ::close(fd);
        return result;
    }
    char buffer[4096];  // a sysfs attribute is at most a page
    ssize_t n;
    do n = ::read(fd, buffer, sizeof buffer);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        result.error = errno;
    else
        result.text.assign(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return result;
}

int writeAttributeFile(const std::string& path, const std::string& text) {
    int fd;
    do fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = kNotRegularFile;
    } else {
        const std::string line = text + "\n";
        ssize_t n;
        do n = ::write(fd, line.data(), line.size());
        while (n < 0 && errno == EINTR);
        // sysfs takes an attribute in one write; a short one did not take it.
        if (n < 0)
            error = errno;
        else if (static_cast<std::size_t>(n) != line.size())
            error = EIO;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

std::string describeReadError(int error) {
    return error == kNotRegularFile ? "not a regular file" : std::strerror(error);
}

std::string iioRoot() {
    const char* root = std::getenv("FLUXPROBE_IIO_ROOT");
    return root && *root ? root : "/sys/bus/iio/devices";
}

std::string iioDevRoot() {
    const char* dev = std::getenv("FLUXPROBE_IIO_DEV");
    return dev && *dev ? dev : "/dev";
}

}  // namespace heading
