#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace publishtest {

// A broker that misbehaves on purpose, speaking just enough MQTT 3.1.1: it accepts every
// connection and answers pings, but never acknowledges a publish (Ignore), or drops the
// connection after each QoS 1 publish (Drop). It records each publish it receives.
class FakeBroker {
  public:
    enum class Mode { Ignore, Drop };
    struct Publish {
        std::string topic, payload;
        int qos = 0;
        bool dup = false;
    };

    explicit FakeBroker(Mode mode);
    ~FakeBroker();
    int port() const { return port_; }
    std::vector<Publish> received() const;
    int connections() const { return connections_; }

  private:
    void serve();
    void converse(int fd);

    Mode mode_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<Publish> received_;
    std::thread thread_;
};

}  // namespace publishtest
