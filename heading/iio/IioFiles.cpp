#include "heading/iio/IioFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace heading {

AttributeRead readAttributeFile(const std::string& path) {
    AttributeRead result;
    int fd;
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.error = errno;
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

std::string iioRoot() {
    const char* root = std::getenv("FLUXPROBE_IIO_ROOT");
    return root && *root ? root : "/sys/bus/iio/devices";
}

}  // namespace heading
