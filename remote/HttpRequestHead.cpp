#include "remote/HttpRequestHead.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "heading/Numbers.h"

namespace remote {

namespace {

bool isTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

constexpr std::array<std::string_view, 6> kSingleFields = {
    "host",          "authorization", "origin", "sec-websocket-key", "sec-websocket-version",
    "content-length"};

}  // namespace

std::optional<std::size_t> findHeadEnd(std::string_view buffer) {
    const std::size_t crlf = buffer.find("\r\n\r\n");
    const std::size_t lf = buffer.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::nullopt;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf))
        return crlf + 4;
    return lf + 2;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = hexValue(text[i + 1]);
        const int lo = hexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::optional<HttpHeadError> parseRequestHead(std::string_view head, HttpRequestHead& out) {
    out = HttpRequestHead{};
    if (head.size() > kMaxHeadBytes) return HttpHeadError{431, "the request head is too large"};
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        head.remove_prefix(end + 1);
    }
    if (lines.empty()) return HttpHeadError{400, "empty request"};

    // METHOD SP TARGET SP HTTP/1.x
    const std::string_view requestLine = lines.front();
    const std::size_t sp1 = requestLine.find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : requestLine.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || requestLine.find(' ', sp2 + 1) != std::string_view::npos)
        return HttpHeadError{400, "malformed request line"};
    const std::string_view method = requestLine.substr(0, sp1);
    const std::string_view target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = requestLine.substr(sp2 + 1);
    if (method.empty() || !std::all_of(method.begin(), method.end(), isTokenChar))
        return HttpHeadError{400, "malformed method"};
    if (version == "HTTP/1.1")
        out.minorVersion = 1;
    else if (version == "HTTP/1.0")
        out.minorVersion = 0;
    else
        return HttpHeadError{505, "only HTTP/1.0 and HTTP/1.1 are spoken here"};
    if (target.empty() || target.front() != '/') return HttpHeadError{400, "malformed target"};
    for (char c : target)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return HttpHeadError{400, "malformed target"};
    const std::size_t q = target.find('?');
    auto path = percentDecode(target.substr(0, q));
    if (!path || path->find('\0') != std::string::npos)
        return HttpHeadError{400, "malformed target"};
    out.method = std::string(method);
    out.path = std::move(*path);
    if (q != std::string_view::npos) out.query = std::string(target.substr(q + 1));

    if (lines.size() - 1 > kMaxHeaders) return HttpHeadError{431, "too many header fields"};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return HttpHeadError{400, "malformed header field"};
        const std::string_view name = line.substr(0, colon);
        if (!std::all_of(name.begin(), name.end(), isTokenChar))
            return HttpHeadError{400, "malformed header field"};
        const std::string_view value = heading::trimSpaces(line.substr(colon + 1));
        for (char c : value)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return HttpHeadError{400, "malformed header field"};
        std::string lowered = lower(name);
        // A field the server decides by may come once: two would let one check read the first
        // and another the second.
        if (std::find(kSingleFields.begin(), kSingleFields.end(), lowered) != kSingleFields.end() &&
            out.header(lowered))
            return HttpHeadError{400, "the header field " + lowered + " is given twice"};
        out.headers.emplace_back(std::move(lowered), std::string(value));
    }
    return std::nullopt;
}

std::optional<std::string_view> HttpRequestHead::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (n == name) return std::string_view(v);
    return std::nullopt;
}

std::optional<std::string> HttpRequestHead::queryValue(std::string_view name) const {
    std::string_view rest = query;
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name)
            return eq == std::string_view::npos ? std::string()
                                                : percentDecode(pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

bool HttpRequestHead::keepAlive() const {
    const std::string connection = lower(header("connection").value_or(""));
    if (connection.find("close") != std::string::npos) return false;
    if (minorVersion == 0) return connection.find("keep-alive") != std::string::npos;
    return true;
}

}  // namespace remote
