#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace publish {

// Where --publish sends: mqtt://[USER@]HOST[:PORT]/PREFIX, or mqtts:// for TLS.
struct PublishUrl {
    bool tls = false;
    std::string user;  // empty: none
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    std::uint16_t port = 1883;
    std::string prefix;  // the topics' first levels ("fluxprobe", "lab/meters")

    friend bool operator==(const PublishUrl&, const PublishUrl&) = default;
};

// The URL, or what is wrong with it in words ("--publish: ...").
std::variant<PublishUrl, std::string> parsePublishUrl(std::string_view text);

}  // namespace publish
