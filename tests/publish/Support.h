#pragma once

#include <cmath>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "heading/Callbacks.h"
#include "publish/Publisher.h"

namespace publishtest {

// What a publisher told the user, kept for the test to look at.
class Told {
  public:
    heading::Warn warn() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
    }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::size_t count(const std::string& part) const {
        std::size_t n = 0;
        for (const std::string& line : lines()) n += line.find(part) != std::string::npos;
        return n;
    }
    std::string all() const {
        std::string text;
        for (const std::string& line : lines()) text += line + "\n";
        return text;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

inline publish::PublisherSettings settingsFor(const std::string& url,
                                              const std::optional<std::string>& password,
                                              const std::string& spoolFolder,
                                              const std::string& code = "BOU",
                                              const std::string& caFile = "") {
    publish::PublishRequest request;
    request.url = url;
    request.caFile = caFile;
    auto config = publish::readPublishOptions(request, password ? password->c_str() : nullptr);
    publish::PublisherSettings settings;
    settings.config = std::get<publish::PublishConfig>(config);
    settings.station.code = code;
    settings.station.orientation = "HDZF";
    settings.spoolFolder = spoolFolder;
    settings.firstRetry = std::chrono::milliseconds(100);
    return settings;
}

// The station's minute i of a test day: 2018-09-01T23:00:00Z on, z missing.
inline station::StationValue minute(int i) {
    station::StationValue v;
    v.time = 1535842800 + 60 * static_cast<std::int64_t>(i);
    v.x = 20828.92 + i;
    v.y = -52.88;
    v.f = 51965.67 - i * 0.01;
    return v;
}

}  // namespace publishtest
