#include "heading/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace heading {

int writeFileAtomically(const std::string& path, std::string_view data, Existing existing) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<char> name;
    for (char c : dir + "." + base + ".XXXXXX") name.push_back(c);
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return errno;
    const std::string temporary = name.data();
    // mkstemp makes the file private; this one is as readable as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    int error = ::fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
    std::size_t done = 0;
    while (done < data.size() && error == 0) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) {
        // link() fails on an existing file where rename() would replace it.
        const int placed = existing == Existing::Refuse ? ::link(temporary.c_str(), path.c_str())
                                                        : ::rename(temporary.c_str(), path.c_str());
        if (placed != 0) error = errno;
    }
    ::unlink(temporary.c_str());  // after link() the temporary name is left; after rename, gone
    return error;
}

}  // namespace heading
