#include "heading/AtomicFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace heading {

namespace {

struct Parts {
    std::string dir;  // with its trailing slash, or empty for the current folder
    std::string base;
};

Parts split(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// ".BASE.XXXXXX", as mkstemp fills in the Xs.
bool isTemporaryOf(std::string_view name, const std::string& base) {
    const std::size_t prefix = base.size() + 2;
    if (name.size() != prefix + 6 || name[0] != '.' || name.substr(1, base.size()) != base ||
        name[base.size() + 1] != '.')
        return false;
    for (char c : name.substr(prefix))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

}  // namespace

void removeStaleTemporaries(const std::string& path, int minimumAgeSeconds) {
    const Parts parts = split(path);
    DIR* dir = ::opendir(parts.dir.empty() ? "." : parts.dir.c_str());
    if (!dir) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, parts.base)) continue;
        const std::string name = parts.dir + entry->d_name;
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || now - info.st_mtime < minimumAgeSeconds)
            continue;
        ::unlink(name.c_str());
    }
    ::closedir(dir);
}

int writeFileAtomically(const std::string& path, std::string_view data, Existing existing) {
    const Parts parts = split(path);
    std::vector<char> name;
    for (char c : parts.dir + "." + parts.base + ".XXXXXX") name.push_back(c);
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
