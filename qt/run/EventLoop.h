#pragma once

#include <functional>
#include <memory>

namespace platform::qt {

// The program's event loop and what every run keeps around it: stderr written once a turn of
// the loop and never waited on, Ctrl+C, SIGTERM and SIGHUP ending the run as --quit-after does,
// and --quit-after itself. With a window it runs on a QApplication; without one on a
// QCoreApplication, and no GUI platform is loaded at all, so no display is needed.
//
// The header holds no Qt: the run that owns the loop is assembled above the platform.
class EventLoop {
  public:
    // Made before anything is written to stderr; starts no Qt yet.
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    struct Shape {
        bool window = true;  // a QApplication; else a QCoreApplication and no GUI platform
        // Ctrl+C, SIGTERM and SIGHUP quit the loop; a run that never enters it handles its own.
        bool quitOnSignals = true;
    };
    // Starts Qt, which takes its own options out of argv. Where Qt cannot start a window's
    // platform (no display) it ends the program inside: beforeFatal runs first, then what is
    // logged goes out.
    void start(int& argc, char* argv[], Shape shape, std::function<void()> beforeFatal = {});

    // Runs task on the loop's thread after the tasks posted before it; callable from any thread
    // once started. A frame of the window that falls due in it is painted as it ends.
    void post(std::function<void()> task);
    // Runs task once the loop runs.
    void atStart(std::function<void()> task);
    // Leaves the loop after seconds; beforeQuit runs just before.
    void quitAfter(double seconds, std::function<void()> beforeQuit);
    // Leaves the loop once the task running now has ended (a station whose replay ended).
    void quit();
    // Runs the loop; its exit status.
    int exec();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// Runs command with a QCoreApplication and no loop, for a run that only answers and leaves
// (--field-model, a calibration from a recording): no GUI platform, stderr as it is.
int runWithoutLoop(int& argc, char* argv[], const std::function<int()>& command);

}  // namespace platform::qt
