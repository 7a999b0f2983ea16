#include "publish/Discovery.h"

#include <cctype>

#include "publish/Messages.h"

namespace publish {

std::vector<std::pair<std::string, std::string>> discoveryConfigs(const std::string& prefix,
                                                                  const std::string& code) {
    // Home Assistant's ids take letters, digits, _ and - only.
    std::string id = "fluxprobe_";
    for (char c : code)
        id += std::isalnum(static_cast<unsigned char>(c))
                  ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                  : '_';
    const std::string base = prefix + "/" + code + "/";
    struct Sensor {
        const char* key;
        const char* name;
        const char* unit;
    };
    static const Sensor kSensors[] = {{"total", "total field", "µT"},
                                      {"x", "field x", "µT"},
                                      {"y", "field y", "µT"},
                                      {"z", "field z", "µT"},
                                      {"heading", "heading", "°"}};
    std::vector<std::pair<std::string, std::string>> configs;
    for (const Sensor& s : kSensors) {
        const std::string unique = id + "_" + s.key;
        std::string payload =
            "{\"name\":" + jsonString(std::string("fluxprobe ") + code + " " + s.name) +
            ",\"unique_id\":" + jsonString(unique) +
            ",\"state_topic\":" + jsonString(base + "live") +
            ",\"value_template\":\"{{ value_json." + s.key + " }}\"" +
            ",\"unit_of_measurement\":" + jsonString(s.unit) + ",\"state_class\":\"measurement\"" +
            ",\"availability_topic\":" + jsonString(base + "status") +
            ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"" +
            ",\"device\":{\"identifiers\":[" + jsonString(id) +
            "],\"name\":" + jsonString("fluxprobe " + code) + ",\"manufacturer\":\"fluxprobe\"}}";
        configs.emplace_back("homeassistant/sensor/" + unique + "/config", std::move(payload));
    }
    return configs;
}

}  // namespace publish
