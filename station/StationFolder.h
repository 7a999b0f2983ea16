#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace station {

// A station that cannot start: the message says what was wrong and where.
class StationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using Say = std::function<void(const std::string&)>;

// The folder a station writes into, held open so that nothing is ever written outside it: it is
// found once (a link to it given on the command line is followed then, never again), and every
// file in it is opened relative to it without following links. check() sees whether the path
// still names that same folder; when it is removed, made a link or moved away, the station says
// so once, writes nothing, and takes up the folder again once a real one is there. It is locked
// for as long as the station runs, so that no second station writes into it.
class StationFolder {
  public:
    // Creates the folder if its parent exists; throws StationError when it is not a writable
    // folder.
    StationFolder(const std::string& path, Say say);
    ~StationFolder();
    StationFolder(const StationFolder&) = delete;
    StationFolder& operator=(const StationFolder&) = delete;

    struct Check {
        bool usable = false;      // the folder is there to write in
        bool fresh = false;       // looked at now, not taken from the last look
        unsigned generation = 0;  // grows each time the folder is taken up again
    };
    // Looks at most once per kCheckInterval unless now is set.
    Check check(bool now = false);

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    std::string pathOf(const std::string& name) const { return path_ + "/" + name; }

    // The whole of a regular file in the folder, or nothing when it is absent or unreadable.
    std::optional<std::string> read(const std::string& name) const;

    static constexpr std::chrono::milliseconds kCheckInterval{250};

  private:
    bool same() const;
    void lose(const std::string& why);

    std::string path_;
    Say say_;
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool lost_ = false;
    unsigned generation_ = 0;
    std::chrono::steady_clock::time_point lastCheck_{};
};

}  // namespace station
