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

std::string describeReadError(int error) {
    return error == kNotRegularFile ? "not a regular file" : std::strerror(error);
}

std::string iioRoot() {
    const char* root = std::getenv("FLUXPROBE_IIO_ROOT");
    return root && *root ? root : "/sys/bus/iio/devices";
}

}  // namespace heading
