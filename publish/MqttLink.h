#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "heading/Callbacks.h"
#include "publish/Spool.h"

struct mosquitto;

namespace publish {

struct LinkSettings {
    std::string host;
    std::uint16_t port = 1883;
    bool tls = false;
    std::string caFile;  // empty: the system's certificate store
    std::string user;
    std::optional<std::string> password;
    std::string statusTopic;  // online while connected, offline as the last will
    std::string minuteTopic;  // where the spool's minutes go, QoS 1
    int keepAliveSeconds = 30;
    // Minutes handed to the client and not yet acknowledged, at most: a broker that takes
    // messages and never acknowledges them holds this many, and the rest wait in the spool.
    std::size_t window = 10;
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds longestRetry{60000};
    // QoS 0 messages queued with the client and not yet written, at most: past that (a broker
    // slower than a replay at full speed) they are dropped, so memory stays bounded.
    std::size_t queuedAtMost = 512;
};

// One connection to a broker, kept up on a thread of its own: connects, reconnects with a wait
// that doubles up to longestRetry, says what went wrong once (and again when it changes), and
// sends the spool's minutes in order, each until the broker acknowledges it. The calls of the
// other threads only queue a message with the client; none waits on the network.
class MqttLink {
  public:
    MqttLink(LinkSettings settings, Spool& spool, heading::Warn tell);
    ~MqttLink();
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Sets the client up and starts its thread; the error in words when the client cannot be
    // made (a CA file the TLS library cannot load).
    std::optional<std::string> start();
    // Sends the spool on for up to drain, until the broker has acknowledged every minute; says
    // offline and leaves. What is not acknowledged stays in the spool for the next run.
    void stop(std::chrono::milliseconds drain = std::chrono::milliseconds(1000));

    // A minute: into the spool, and on to the broker as soon as it may go.
    void sendMinute(std::int64_t time, std::string payload);
    // QoS 0, now or never: false when not connected.
    bool send(const std::string& topic, const std::string& payload, bool retain);
    // Retained, at QoS 0: sent now when connected and again after every connect (the alert
    // state, discovery).
    void keep(const std::string& topic, const std::string& payload);

    struct State {
        bool connected = false;
        std::size_t spoolDepth = 0;
        std::uint64_t spoolDropped = 0;
        std::uint64_t connects = 0;
        std::uint64_t streamDropped = 0;  // QoS 0 messages dropped for a slow broker
    };
    State state() const;

  private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    void run();
    // Puts the spool's new lines on the disk, on this thread rather than the caller's.
    void syncSpool();
    // Hands the next minutes to the client while the window has room. Called with mutex_ held.
    void pump();
    bool handedMid(int mid) const;
    // Everything but the minutes goes at QoS 0: a message of its own at QoS 1 could be taken
    // for a minute's acknowledgement. Called with mutex_ held, while connected.
    bool publishLocked(const std::string& topic, const std::string& payload, bool retain);
    // Says problem unless it was the last thing said. Called with mutex_ held.
    void tellOnce(const std::string& problem);
    std::string where() const;

    LinkSettings settings_;
    Spool& spool_;
    heading::Warn tell_;
    mosquitto* client_ = nullptr;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool connected_ = false;
    // The client has queued again what the last connection left unacknowledged.
    bool resent_ = false;
    bool stopping_ = false;
    bool leaving_ = false;  // stopping, done with sending: says offline and disconnects
    bool syncWanted_ = false;
    std::size_t queued_ = 0;  // QoS 0 messages queued with the client
    std::uint64_t streamDropped_ = 0;
    std::chrono::steady_clock::time_point drainUntil_;
    std::size_t handed_ = 0;    // the spool's first entries, handed to the client
    std::vector<int> orphans_;  // handed, then dropped from the spool for its bound
    // QoS 0 messages that got the id of a handed minute: the first acknowledgement of that id is
    // theirs (the client counts ids round at 65535).
    std::map<int, int> sharedMids_;
    std::vector<std::pair<std::string, std::string>> kept_;
    std::string lastTold_;
    std::string refusal_;    // why the broker refused the last CONNECT
    std::mutex logMutex_;    // for lastError_ alone, taken with no other lock after it
    std::string lastError_;  // the client's first error log line of this round (TLS)
    bool acceptedThisRound_ = false;
    std::uint64_t connects_ = 0;
};

}  // namespace publish
