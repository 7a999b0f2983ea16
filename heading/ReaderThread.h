#pragma once

#include <thread>
#include <utility>

namespace heading {

// A source's reader thread: start() runs the work (given a stop token) on a new thread after
// ending any earlier one; stop() asks it to end and waits for it, as does destruction.
class ReaderThread {
  public:
    ReaderThread() = default;
    ~ReaderThread() { stop(); }
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    template <class Work>
    void start(Work&& work) {
        stop();
        thread_ = std::jthread(std::forward<Work>(work));
    }

    void stop() {
        if (!thread_.joinable()) return;
        thread_.request_stop();
        thread_.join();
    }

  private:
    std::jthread thread_;
};

}  // namespace heading
