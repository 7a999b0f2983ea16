// --publish comes from the command line or a unit file someone else wrote. Any input is either
// a URL whose parts keep what the publisher relies on (a host, a port above 0, a prefix that is
// a valid topic with no wildcard and no empty level, no password), or refused with a message
// that names the option and holds no control character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "publish/PublishUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto result = publish::parsePublishUrl(input);
    if (const auto* error = std::get_if<std::string>(&result)) {
        require(error->starts_with("--publish="), "a refusal names the option");
        require(fuzz::printable(*error), "a refusal is printable");
        return 0;
    }
    const auto& url = std::get<publish::PublishUrl>(result);
    require(input.starts_with(url.tls ? "mqtts://" : "mqtt://"), "the scheme is the input's");
    require(!url.host.empty() && fuzz::printable(url.host), "a host");
    require(url.port > 0, "a port above 0");
    require(url.user.find_first_of(":@ ") == std::string::npos, "no password in the user");
    require(!url.prefix.empty() && fuzz::printable(url.prefix), "a printable prefix");
    require(url.prefix.find_first_of("+#") == std::string::npos, "no wildcard in the prefix");
    require(url.prefix.find("//") == std::string::npos && url.prefix.front() != '/' &&
                url.prefix.back() != '/',
            "no empty topic level");
    require(input.find(url.prefix) != std::string_view::npos, "the prefix is the input's");
    return 0;
}
