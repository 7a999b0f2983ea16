#pragma once

#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/HeadingService.h"
#include "platform/LocationManager.h"

namespace heading_test {

// A fresh directory of the system's temporary one, unique to this process and name, so test
// runs in several build trees at once keep apart. Removed again by the caller.
inline std::filesystem::path freshTempDir(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() /
               ("fluxprobe-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The samples with their UTC times taken out: a recording keeps times relative to its start,
// so a replay places them afresh.
inline std::vector<heading::Heading> withoutUtc(std::vector<heading::Heading> samples) {
    for (auto& h : samples) h.utc = 0.0;
    return samples;
}

// Stands in for the main loop: sources post from their threads, the test thread runs the tasks.
class TaskQueue {
  public:
    heading::Post post() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            ++posted_;
        };
    }

    // Runs what is queued now; returns how many tasks ran.
    int pump() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(tasks_);
        }
        for (auto& t : tasks) t();
        return static_cast<int>(tasks.size());
    }

    // Pumps until done() or a generous deadline (a hang guard, not a timing check).
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            if (pump() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    int posted() {
        std::lock_guard lock(mutex_);
        return posted_;
    }

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
    int posted_ = 0;
};

// A started location manager that keeps what it receives.
struct Collector : platform::LocationManagerDelegate {
    std::vector<heading::Heading> samples;
    std::vector<heading::LocationError> errors;
    std::function<void()> onSample;

    void locationManagerDidUpdateHeading(platform::LocationManager&,
                                         std::shared_ptr<const heading::Heading> h) override {
        samples.push_back(*h);
        if (onSample) onSample();
    }
    void locationManagerDidFailWithError(platform::LocationManager&,
                                         const heading::LocationError& e) override {
        errors.push_back(e);
    }
};

struct Listening {
    explicit Listening(heading::HeadingService& service)
        : collector(std::make_shared<Collector>()), manager(service) {
        manager.setHeadingFilter(heading::kHeadingFilterNone);
        manager.setDelegate(collector);
        manager.startUpdatingHeading();
    }
    std::shared_ptr<Collector> collector;
    platform::LocationManager manager;
};

// Warnings kept for the test to read; callable from any thread.
class Warnings {
  public:
    heading::Warn warn() {
        return [this](const std::string& m) {
            std::lock_guard lock(mutex_);
            lines_.push_back(m);
        };
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace heading_test
