#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
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
        finished_ = std::make_shared<Finished>();
        thread_ = std::jthread(
            [work = std::forward<Work>(work), finished = finished_](std::stop_token stop) mutable {
                work(stop);
                finished->set();
            });
    }

    void stop() {
        if (!thread_.joinable()) return;
        thread_.request_stop();
        thread_.join();
    }

    // As stop(), but waits at most limit: a thread still busy then (stuck in a read that never
    // returns) is let go, and false returned. Only for work that owns everything it touches.
    bool stopWithin(std::chrono::milliseconds limit) {
        if (!thread_.joinable()) return true;
        thread_.request_stop();
        if (!finished_->waitFor(limit)) {
            thread_.detach();
            return false;
        }
        thread_.join();
        return true;
    }

  private:
    struct Finished {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;

        void set() {
            std::lock_guard lock(mutex);
            done = true;
            changed.notify_all();
        }
        bool waitFor(std::chrono::milliseconds limit) {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, limit, [this] { return done; });
        }
    };

    std::shared_ptr<Finished> finished_;
    std::jthread thread_;
};

}  // namespace heading
