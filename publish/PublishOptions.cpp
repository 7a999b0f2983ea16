#include "publish/PublishOptions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace publish {

namespace {

constexpr std::size_t kMaxPassword = 4096;

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// The password, or (second) why it cannot be read.
struct Password {
    std::string value, error;
};

Password failed(std::string error) {
    return {{}, std::move(error)};
}

Password readPasswordFile(const std::string& path) {
    const std::string option = "--publish-password-file=" + path + ": ";
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) return failed(option + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return failed(option + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return failed(option + "not a regular file");
    if (info.st_mode & (S_IRGRP | S_IROTH)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return failed(option + "others than its owner can read it (mode " + mode + "); chmod 600 " +
                      path);
    }
    std::string text(kMaxPassword + 2, '\0');
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(file.fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(option + std::strerror(errno));
        if (n == 0 || (got += static_cast<std::size_t>(n)) == text.size()) break;
    }
    text.resize(got);
    if (text.ends_with('\n')) text.pop_back();
    if (text.ends_with('\r')) text.pop_back();
    if (text.size() > kMaxPassword) return failed(option + "longer than a password (4096 bytes)");
    if (text.empty()) return failed(option + "empty (one line: the password)");
    if (text.find_first_of(std::string("\0\n", 2)) != std::string::npos)
        return failed(option + "more than one line (one line: the password)");
    return {text, {}};
}

}  // namespace

std::variant<PublishConfig, std::string> readPublishOptions(const PublishRequest& request,
                                                            const char* environmentPassword) {
    PublishConfig config;
    auto url = parsePublishUrl(request.url);
    if (auto* error = std::get_if<std::string>(&url)) return *error;
    config.url = std::get<PublishUrl>(url);
    config.discovery = request.discovery;

    if (!request.passwordFile.empty()) {
        Password password = readPasswordFile(request.passwordFile);
        if (!password.error.empty()) return password.error;
        config.password = std::move(password.value);
    } else if (environmentPassword && *environmentPassword) {
        config.password = environmentPassword;
    }
    if (config.password && config.url.user.empty())
        return "--publish=" + request.url +
               ": a password needs a user name (mqtt://USER@HOST/PREFIX)";

    if (!request.caFile.empty()) {
        if (!config.url.tls)
            return "--publish-ca=" + request.caFile + ": goes with mqtts:// only (the URL is " +
                   request.url + ")";
        Fd file{::open(request.caFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
        if (file.fd < 0) return "--publish-ca=" + request.caFile + ": " + std::strerror(errno);
        config.caFile = request.caFile;
    }
    return config;
}

}  // namespace publish
