#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace remote {

// The request line and headers of one HTTP/1.x request, as read off the wire. Header names are
// lower-cased; values have their surrounding spaces trimmed.
struct HttpRequestHead {
    std::string method;
    std::string path;   // percent-decoded, without the query
    std::string query;  // raw, without the '?'
    int minorVersion = 1;
    std::vector<std::pair<std::string, std::string>> headers;

    // The first header of that (lower-case) name, or nothing.
    std::optional<std::string_view> header(std::string_view name) const;
    // The value of a query parameter, percent-decoded, or nothing.
    std::optional<std::string> queryValue(std::string_view name) const;
    bool keepAlive() const;
};

// What a head that cannot be served gets: the status to answer with and why.
struct HttpHeadError {
    int status = 400;
    std::string reason;
};

// The head limits: anything bigger is refused before it is buffered further.
inline constexpr std::size_t kMaxHeadBytes = 8 * 1024;
inline constexpr std::size_t kMaxHeaders = 64;

// Where the head ends in buffer (the index just past the blank line), or nothing while it has
// not arrived whole.
std::optional<std::size_t> findHeadEnd(std::string_view buffer);

// Parses head (up to and including the blank line). Returns the error when it is malformed.
std::optional<HttpHeadError> parseRequestHead(std::string_view head, HttpRequestHead& out);

// Percent-decodes text ('+' stays '+'); nothing when an escape is broken.
std::optional<std::string> percentDecode(std::string_view text);

}  // namespace remote
