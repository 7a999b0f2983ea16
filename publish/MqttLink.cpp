#include "publish/MqttLink.h"

#include <mosquitto.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace publish {

namespace {

constexpr int kLoopTimeoutMs = 100;
constexpr const char* kSystemCertificates = "/etc/ssl/certs";

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string plain(std::string text) {
    // The client's log lines end in a newline or a full stop of their own.
    while (!text.empty() && (text.back() == '\n' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

MqttLink::MqttLink(LinkSettings settings, Spool& spool, heading::Warn tell)
    : settings_(std::move(settings)), spool_(spool), tell_(std::move(tell)) {}

MqttLink::~MqttLink() {
    stop(std::chrono::milliseconds(0));
    if (client_) mosquitto_destroy(client_);
}

std::string MqttLink::where() const {
    const bool v6 = settings_.host.find(':') != std::string::npos;
    return (settings_.tls ? "mqtts://" : "mqtt://") +
           (v6 ? "[" + settings_.host + "]" : settings_.host) + ":" +
           std::to_string(settings_.port);
}

std::optional<std::string> MqttLink::start() {
    initialiseLibrary();
    client_ = mosquitto_new(nullptr, true, this);
    if (!client_) return "cannot make an MQTT client: " + std::string(std::strerror(errno));
    mosquitto_threaded_set(client_, true);
    mosquitto_connect_callback_set(client_, &MqttLink::onConnect);
    mosquitto_disconnect_callback_set(client_, &MqttLink::onDisconnect);
    mosquitto_publish_callback_set(client_, &MqttLink::onPublish);
    mosquitto_log_callback_set(client_, &MqttLink::onLog);
    // The client's own cap on unacknowledged messages stays above ours, so it never holds
    // a minute back in a queue of its own.
    mosquitto_max_inflight_messages_set(client_, static_cast<unsigned>(settings_.window + 10));
    static const char kOffline[] = "offline";
    if (int rc = mosquitto_will_set(client_, settings_.statusTopic.c_str(), sizeof kOffline - 1,
                                    kOffline, 1, true))
        return "cannot set the last will on " + settings_.statusTopic + ": " +
               mosquitto_strerror(rc);
    if (!settings_.user.empty()) {
        if (int rc = mosquitto_username_pw_set(
                client_, settings_.user.c_str(),
                settings_.password ? settings_.password->c_str() : nullptr))
            return std::string("cannot set the user name: ") + mosquitto_strerror(rc);
    }
    if (settings_.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (settings_.caFile.empty()) {
            rc = mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
            // The system's store alone serves the first connect only: the client then asks for
            // a CA file or folder on every reconnect. Debian's folder is the same store.
            struct stat folder {};
            if (rc == MOSQ_ERR_SUCCESS && ::stat(kSystemCertificates, &folder) == 0 &&
                S_ISDIR(folder.st_mode))
                rc = mosquitto_tls_set(client_, nullptr, kSystemCertificates, nullptr, nullptr,
                                       nullptr);
        } else
            rc = mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr, nullptr, nullptr,
                                   nullptr);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_opts_set(client_, 1, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return "cannot set TLS up" +
                   (settings_.caFile.empty() ? std::string() : " with " + settings_.caFile) + ": " +
                   mosquitto_strerror(rc);
        // The broker's name is checked against its certificate: never turned off.
        mosquitto_tls_insecure_set(client_, false);
    }
    thread_ = std::thread([this] { run(); });
    return std::nullopt;
}

void MqttLink::stop(std::chrono::milliseconds drain) {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable() || stopping_) return;
        stopping_ = true;
        drainUntil_ = std::chrono::steady_clock::now() + drain;
    }
    wake_.notify_all();
    thread_.join();
}

void MqttLink::run() {
    using clock = std::chrono::steady_clock;
    auto retry = settings_.firstRetry;
    bool first = true;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            acceptedThisRound_ = false;
            refusal_.clear();
        }
        {
            std::lock_guard lock(logMutex_);
            lastError_.clear();
        }
        int rc = first ? mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port,
                                                 settings_.keepAliveSeconds)
                       : mosquitto_reconnect_async(client_);
        first = false;
        const bool connectFailed = rc != MOSQ_ERR_SUCCESS;
        const int connectErrno = errno;
        int loopErrno = 0;
        bool leaving = false;
        clock::time_point leaveBy{};
        while (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop(client_, kLoopTimeoutMs, 1);
            loopErrno = errno;
            syncSpool();
            std::lock_guard lock(mutex_);
            if (connected_ && !resent_) {
                // The client resends what it holds only after telling of the connect: new
                // minutes go after those.
                resent_ = true;
                pump();
            }
            if (!stopping_) continue;
            const auto now = clock::now();
            // The spool is sent on until it is empty or the time is up; what is left waits
            // for the next run.
            if (!leaving &&
                (!connected_ || (spool_.depth() == 0 && orphans_.empty()) || now >= drainUntil_)) {
                leaving_ = true;
                // Said before leaving: a will is only sent for a connection that is lost.
                if (connected_) publishLocked(settings_.statusTopic, "offline", true);
                mosquitto_disconnect(client_);
                leaving = true;
                leaveBy = now + std::chrono::seconds(1);
            }
            if (leaving && now >= leaveBy) break;
        }
        std::string lastError;
        {
            std::lock_guard lock(logMutex_);
            lastError = lastError_;
        }
        std::unique_lock lock(mutex_);
        connected_ = false;
        if (stopping_) return;
        if (acceptedThisRound_) retry = settings_.firstRetry;
        std::string problem;
        if (!refusal_.empty()) {
            problem = where() + " refused the connection: " + refusal_;
        } else if (!lastError.empty()) {
            problem = "the connection to " + where() + " failed: " + lastError;
        } else if (rc == MOSQ_ERR_ERRNO) {
            const int e = connectFailed ? connectErrno : loopErrno;
            problem = (acceptedThisRound_ ? "lost the connection to " : "cannot reach ") + where() +
                      ": " + std::strerror(e);
        } else {
            problem = (acceptedThisRound_ ? "lost the connection to " : "cannot reach ") + where() +
                      ": " + plain(mosquitto_strerror(rc));
        }
        tellOnce(problem + "; trying again, at most a minute apart");
        const auto until = clock::now() + retry;
        while (wake_.wait_until(lock, until, [this] { return stopping_ || syncWanted_; })) {
            if (stopping_) return;
            lock.unlock();
            syncSpool();
            lock.lock();
        }
        retry = std::min(retry * 2, settings_.longestRetry);
    }
}

void MqttLink::syncSpool() {
    int fd = -1;
    std::string text;
    bool rewrite = false;
    {
        std::lock_guard lock(mutex_);
        syncWanted_ = false;
        fd = spool_.takeSync();
        if (spool_.compactDue()) {
            text = spool_.beginRewrite();
            rewrite = true;
        }
    }
    if (fd >= 0) {
        // A failed sync loses nothing yet: the line is in the file, and the next minute syncs
        // again.
        ::fdatasync(fd);
        ::close(fd);
    }
    if (!rewrite) return;
    std::string temporary;
    const int written = Spool::writeRewrite(spool_.path(), text, temporary);
    std::lock_guard lock(mutex_);
    spool_.finishRewrite(written, temporary);
}

void MqttLink::onConnect(mosquitto*, void* self, int rc) {
    auto& link = *static_cast<MqttLink*>(self);
    std::lock_guard lock(link.mutex_);
    if (rc != 0) {
        link.refusal_ = plain(mosquitto_connack_string(rc));
        return;
    }
    link.connected_ = true;
    link.resent_ = false;
    link.acceptedThisRound_ = true;
    ++link.connects_;
    // What was queued with the last connection is gone with it.
    link.sharedMids_.clear();
    link.queued_ = 0;
    if (!link.lastTold_.empty()) {
        link.tell_("connected to " + link.where() + "; " + std::to_string(link.spool_.depth()) +
                   " minutes to send");
        link.lastTold_.clear();
    }
    link.publishLocked(link.settings_.statusTopic, "online", true);
    for (const auto& [topic, payload] : link.kept_) link.publishLocked(topic, payload, true);
}

void MqttLink::onDisconnect(mosquitto*, void* self, int) {
    auto& link = *static_cast<MqttLink*>(self);
    std::lock_guard lock(link.mutex_);
    link.connected_ = false;
}

void MqttLink::onPublish(mosquitto*, void* self, int mid) {
    auto& link = *static_cast<MqttLink*>(self);
    std::lock_guard lock(link.mutex_);
    if (const auto shared = link.sharedMids_.find(mid); shared != link.sharedMids_.end()) {
        if (--shared->second == 0) link.sharedMids_.erase(shared);
        if (link.queued_ > 0) --link.queued_;
        return;
    }
    auto& entries = link.spool_.entries();
    for (std::size_t i = 0; i < link.handed_; ++i) {
        if (entries[i].mid != mid) continue;
        link.spool_.remove(i);
        --link.handed_;
        link.pump();
        return;  // the loop syncs and rewrites the spool after this callback
    }
    if (const auto orphan = std::find(link.orphans_.begin(), link.orphans_.end(), mid);
        orphan != link.orphans_.end()) {
        link.orphans_.erase(orphan);
        link.pump();
        return;
    }
    // A QoS 0 message has been written to the socket.
    if (link.queued_ > 0) --link.queued_;
}

void MqttLink::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || !text) return;
    auto& link = *static_cast<MqttLink*>(self);
    std::string line = plain(text);
    if (line.starts_with("Error: ")) line.erase(0, 7);
    // OpenSSL's lines read "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify
    // failed"; the last part is what a user can act on.
    if (const auto colon = line.rfind(':');
        line.starts_with("OpenSSL") && colon != std::string::npos)
        line = "TLS: " + line.substr(colon + 1);
    // Not mutex_: the client logs from inside calls made with mutex_ held, while holding a lock
    // of its own.
    std::lock_guard lock(link.logMutex_);
    if (link.lastError_.empty()) link.lastError_ = line;
}

void MqttLink::pump() {
    if (!connected_ || !resent_ || leaving_) return;
    auto& entries = spool_.entries();
    while (handed_ + orphans_.size() < settings_.window && handed_ < entries.size()) {
        Spool::Entry& entry = entries[handed_];
        int mid = 0;
        if (mosquitto_publish(client_, &mid, settings_.minuteTopic.c_str(),
                              static_cast<int>(entry.payload.size()), entry.payload.data(), 1,
                              false) != MOSQ_ERR_SUCCESS)
            return;
        entry.mid = mid;
        ++handed_;
    }
}

bool MqttLink::handedMid(int mid) const {
    const auto& entries = spool_.entries();
    for (std::size_t i = 0; i < handed_; ++i)
        if (entries[i].mid == mid) return true;
    return std::find(orphans_.begin(), orphans_.end(), mid) != orphans_.end();
}

void MqttLink::sendMinute(std::int64_t time, std::string payload) {
    std::lock_guard lock(mutex_);
    auto& entries = spool_.entries();
    if (spool_.depth() >= spool_.capacity() && !entries.empty() && entries.front().mid != 0) {
        orphans_.push_back(entries.front().mid);
        --handed_;
    }
    spool_.add(time, std::move(payload));
    pump();
    syncWanted_ = true;
    wake_.notify_all();
}

bool MqttLink::send(const std::string& topic, const std::string& payload, bool retain) {
    std::lock_guard lock(mutex_);
    if (!connected_ || stopping_) return false;
    return publishLocked(topic, payload, retain);
}

bool MqttLink::publishLocked(const std::string& topic, const std::string& payload, bool retain) {
    if (queued_ >= settings_.queuedAtMost) {
        if (streamDropped_++ == 0)
            tell_("the broker " + where() +
                  " takes messages more slowly than they come: seconds and live samples are "
                  "dropped while it catches up (minutes are not)");
        return false;
    }
    int mid = 0;
    if (mosquitto_publish(client_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 0, retain) != MOSQ_ERR_SUCCESS)
        return false;
    if (handedMid(mid)) ++sharedMids_[mid];
    ++queued_;
    return true;
}

void MqttLink::keep(const std::string& topic, const std::string& payload) {
    std::lock_guard lock(mutex_);
    const auto same =
        std::find_if(kept_.begin(), kept_.end(), [&](const auto& k) { return k.first == topic; });
    if (same != kept_.end())
        same->second = payload;
    else
        kept_.emplace_back(topic, payload);
    if (connected_ && !stopping_) publishLocked(topic, payload, true);
}

MqttLink::State MqttLink::state() const {
    std::lock_guard lock(mutex_);
    return {connected_, spool_.depth(), spool_.dropped(), connects_, streamDropped_};
}

void MqttLink::tellOnce(const std::string& problem) {
    if (problem == lastTold_) return;
    lastTold_ = problem;
    tell_(problem);
}

}  // namespace publish
