#pragma once

#include <optional>
#include <string>
#include <variant>

#include "publish/PublishUrl.h"

namespace publish {

// The publishing options as given.
struct PublishRequest {
    std::string url;           // --publish
    std::string passwordFile;  // --publish-password-file; empty: FLUXPROBE_MQTT_PASSWORD
    std::string caFile;        // --publish-ca
    bool discovery = false;    // --publish-discovery
};

// The same, checked and read.
struct PublishConfig {
    PublishUrl url;
    std::optional<std::string> password;
    std::string caFile;
    bool discovery = false;
};

// Reads the password (from the file, else from environmentPassword when not null) and checks
// what can be checked before the program starts: the URL, that a password has a user, that the
// password file is the owner's alone, that a CA file is readable and goes with mqtts://. The
// error in words otherwise, naming the option and the file.
std::variant<PublishConfig, std::string> readPublishOptions(const PublishRequest& request,
                                                            const char* environmentPassword);

}  // namespace publish
