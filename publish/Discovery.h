#pragma once

#include <string>
#include <utility>
#include <vector>

namespace publish {

// Home Assistant's MQTT discovery configs (topic, retained payload) for the total field, x, y, z
// and the heading of one meter, read from its live topic and marked unavailable by its status.
std::vector<std::pair<std::string, std::string>> discoveryConfigs(const std::string& prefix,
                                                                  const std::string& code);

}  // namespace publish
