// Request heads and WebSocket frames come from anyone who can reach the remote view. Any input
// either parses into a head whose parts keep the promises the server relies on (one Host, an
// upgrade only with what a WebSocket needs), or is refused with an HTTP error status; what follows
// the head, read as a client's frames, yields only frames within the limits, or a close code;
// nothing reads outside the input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "remote/HttpRequestHead.h"
#include "remote/WebSocketProtocol.h"

namespace {

void readFrames(std::string_view input) {
    using fuzz::require;
    constexpr std::size_t kMax = 1024;
    remote::ClientFrameReader reader(kMax);
    std::size_t message = 0;
    while (!input.empty()) {
        const remote::FrameRead read = reader.read(input);
        if (read.closeCode) {
            require(read.closeCode == remote::kCloseProtocolError ||
                        read.closeCode == remote::kCloseTooBig,
                    "a broken frame gets a close code");
            return;
        }
        if (read.consumed == 0) return;
        require(read.consumed <= input.size() && read.frame, "a frame lies within the input");
        const remote::ClientFrame& frame = *read.frame;
        if (frame.opcode >= remote::kOpClose) {
            require(frame.fin && frame.payload.size() <= 125, "control frames are whole and short");
        } else {
            message =
                (frame.opcode == remote::kOpContinuation ? message : 0) + frame.payload.size();
            require(message <= kMax, "a message stays within its limit");
        }
        input.remove_prefix(read.consumed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto end = remote::findHeadEnd(input);
    require(!end || *end <= input.size(), "the head ends inside the input");
    remote::HttpRequestHead head;
    const auto error = remote::parseRequestHead(end ? input.substr(0, *end) : input, head);
    if (end) readFrames(input.substr(*end));
    if (error) {
        require(error->status >= 400 && error->status <= 505, "an error is an HTTP error status");
        return 0;
    }
    std::size_t hosts = 0;
    for (const auto& field : head.headers) hosts += field.first == "host";
    require(hosts <= 1, "Host comes once at most");
    if (!remote::checkWebSocketUpgrade(head)) {
        require(head.method == "GET" && head.minorVersion == 1,
                "an upgrade is a GET over HTTP/1.1");
        require(head.header("sec-websocket-key").value_or("").size() == 24,
                "an upgrade carries a 16-byte key");
    }
    require(!head.path.empty() && head.path.front() == '/', "the path starts with /");
    require(head.path.find('\0') == std::string::npos, "the path holds no NUL");
    require(head.headers.size() <= remote::kMaxHeaders, "the headers are bounded");
    for (const auto& [name, value] : head.headers) {
        require(!name.empty() && fuzz::printable(name), "header names are printable");
        for (char c : name) require(c < 'A' || c > 'Z', "header names are lower case");
    }
    (void)head.queryValue("token");
    (void)head.keepAlive();
    return 0;
}
