#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace publishtest {

// Whether a program is found on PATH.
bool onPath(const std::string& program);

// Starts argv with stdout and stderr into outputFile (appended); the child's PID.
pid_t spawn(const std::vector<std::string>& argv, const std::string& outputFile);
// Runs argv to its end; its exit status (-1 when it did not start or was killed).
int run(const std::vector<std::string>& argv, const std::string& outputFile = "/dev/null");
void stopProcess(pid_t pid, int signal);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text, int mode = 0644);
std::vector<std::string> lines(const std::string& text);

// A folder of its own under the test's temporary folder, removed with it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A port on 127.0.0.1 that nothing listened on a moment ago.
int freePort();
bool acceptsConnections(int port);

// Polls until holds() or the time is up; whether it held.
template <typename F>
bool eventually(F holds, std::chrono::milliseconds within = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > until) return false;
        struct timespec t {
            0, 20'000'000
        };
        nanosleep(&t, nullptr);
    }
    return true;
}

}  // namespace publishtest
