#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace publishtest {

// A broker that misbehaves on purpose, speaking just enough MQTT 3.1.1: it accepts every
// connection and answers pings, but never acknowledges a publish (Ignore), or drops the
// connection after each QoS 1 publish (Drop), or reads nothing after the connect (Stall). It
// records each publish it receives.
class FakeBroker {
  public:
    enum class Mode { Ignore, Drop, Stall };
    struct Publish {
        std::string topic, payload;
        int qos = 0;
        bool dup = false;
    };

    // keep: records each publish; otherwise only counts them (for long runs).
    explicit FakeBroker(Mode mode, bool keep = true);
    ~FakeBroker();
    int port() const { return port_; }
    std::vector<Publish> received() const;
    std::size_t count() const { return count_; }
    int connections() const { return connections_; }

  private:
    void serve();
    void converse(int fd);

    Mode mode_;
    bool keep_;
    std::atomic<std::size_t> count_{0};
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<Publish> received_;
    std::thread thread_;
};

}  // namespace publishtest
