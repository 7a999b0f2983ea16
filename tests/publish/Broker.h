#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "Processes.h"

namespace publishtest {

// A Mosquitto broker of the test's own on 127.0.0.1: a plain listener and a TLS one (a
// certificate for 127.0.0.1 signed by a CA made for the test), one user with a password,
// persistence on, so that a subscriber's queued messages outlive a restart.
class Broker {
  public:
    static constexpr const char* kUser = "meter";
    static constexpr const char* kPassword = "s3cret word";

    // The programs it needs, or the first one missing.
    static std::string missingProgram();

    Broker();
    ~Broker();
    bool start();  // waits until it takes connections
    void stop();   // SIGTERM, by its PID

    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    std::string caFile() const { return dir_.path() + "/ca.crt"; }
    const std::string& dir() const { return dir_.path(); }
    bool ready() const { return ready_; }
    std::string log() const { return readFile(dir_.path() + "/broker.log"); }

  private:
    TempDir dir_;
    int port_ = 0;
    int tlsPort_ = 0;
    pid_t pid_ = -1;
    bool ready_ = false;
};

// mosquitto_sub as the broker's user at QoS 1, printing "topic payload" per message into a file,
// subscribed once made. With keepSession, the broker keeps its session, so it misses nothing
// while the broker restarts.
class Subscriber {
  public:
    Subscriber(const Broker& broker, const std::string& topic, bool keepSession = false);
    bool subscribed() const { return subscribed_; }
    ~Subscriber();
    std::vector<std::string> messages() const;  // "topic payload"
    void stop();

  private:
    std::string file_;
    pid_t pid_ = -1;
    bool subscribed_ = false;
};

}  // namespace publishtest
