#include "publish/PublishUrl.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace publish {

namespace {

// Everything said of the URL reaches a terminal: its control characters are shown as '?'.
std::string printable(std::string_view text) {
    std::string out;
    for (char c : text) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out;
}

std::string fail(std::string_view text, std::string_view what) {
    return "--publish=" + printable(text) + ": " + printable(what) +
           " (expected mqtt://[USER@]HOST[:PORT]/PREFIX or mqtts://...)";
}

bool hostNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

}  // namespace

std::variant<PublishUrl, std::string> parsePublishUrl(std::string_view text) {
    PublishUrl url;
    std::string_view rest = text;
    if (rest.starts_with("mqtt://")) {
        rest.remove_prefix(7);
    } else if (rest.starts_with("mqtts://")) {
        rest.remove_prefix(8);
        url.tls = true;
        url.port = 8883;
    } else {
        const auto colon = rest.find("://");
        return fail(text, colon == std::string_view::npos
                              ? "not a URL"
                              : "unknown scheme \"" + std::string(rest.substr(0, colon)) + "\"");
    }
    const auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view prefix = slash == std::string_view::npos ? "" : rest.substr(slash + 1);

    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos)
            return fail(text,
                        "no password in the URL: it would be seen by every user of this machine; "
                        "use --publish-password-file=FILE or FLUXPROBE_MQTT_PASSWORD");
        if (user.empty()) return fail(text, "empty user name before @");
        if (!std::all_of(user.begin(), user.end(), [](char c) {
                return static_cast<unsigned char>(c) > 0x20 && c != 0x7f && c != '@';
            }))
            return fail(text, "the user name holds a space, @ or a control character");
        url.user = std::string(user);
        authority.remove_prefix(at + 1);
    }

    std::optional<std::string_view> port;  // set when a colon follows the host
    std::string_view after;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) return fail(text, "an IPv6 address without its ]");
        url.host = std::string(authority.substr(1, close - 1));
        after = authority.substr(close + 1);
        if (url.host.empty() || !std::all_of(url.host.begin(), url.host.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
            }))
            return fail(text, "not an IPv6 address between [ and ]");
    } else {
        const auto colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) after = authority.substr(colon);
        if (url.host.empty()) return fail(text, "no host");
        if (!std::all_of(url.host.begin(), url.host.end(), hostNameChar))
            return fail(text, "the host \"" + url.host + "\" is not a host name or address");
    }
    if (!after.empty()) {
        if (!after.starts_with(':')) return fail(text, "unexpected text after the host");
        port = after.substr(1);
    }
    if (port) {
        unsigned value = 0;
        const bool digits =
            !port->empty() && port->size() <= 5 &&
            std::all_of(port->begin(), port->end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits)
            for (char c : *port) value = value * 10 + static_cast<unsigned>(c - '0');
        if (!digits || value == 0 || value > 65535)
            return fail(text, "the port is not a number from 1 to 65535");
        url.port = static_cast<std::uint16_t>(value);
    }

    if (prefix.ends_with('/')) prefix.remove_suffix(1);
    if (prefix.empty()) return fail(text, "no topic prefix after the host");
    if (prefix.find_first_of("?#+") != std::string_view::npos)
        return fail(text, "the prefix may not hold ?, # or + (MQTT wildcards, URL query)");
    if (prefix.starts_with('/') || prefix.ends_with('/') ||
        prefix.find("//") != std::string_view::npos)
        return fail(text, "the prefix has an empty topic level");
    if (prefix.starts_with('$')) return fail(text, "topics starting with $ are the broker's own");
    if (!std::all_of(prefix.begin(), prefix.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; }))
        return fail(text, "the prefix holds a control character");
    url.prefix = std::string(prefix);
    return url;
}

}  // namespace publish
