#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "remote/HttpRequestHead.h"

namespace remote {
// Free of Qt, like the request head, so that the fuzzers build these parsers on their own.

// The few close codes the stream uses.
enum CloseCode : std::uint16_t {
    kCloseNormal = 1000,
    kCloseProtocolError = 1002,
    kClosePolicyViolated = 1008,
    kCloseTooBig = 1009,
};

enum Opcode : std::uint8_t {
    kOpContinuation = 0x0,
    kOpText = 0x1,
    kOpBinary = 0x2,
    kOpClose = 0x8,
    kOpPing = 0x9,
    kOpPong = 0xA,
};

// Why an upgrade request cannot become a WebSocket, or nothing when it can. 426 when it does
// not ask for a WebSocket (or for another version of it), 400 when it asks wrongly.
std::optional<HttpHeadError> checkWebSocketUpgrade(const HttpRequestHead& request);

// One frame from a client, unmasked.
struct ClientFrame {
    std::uint8_t opcode = 0;
    bool fin = true;
    std::string payload;
};

// What the front of the received bytes holds.
struct FrameRead {
    std::size_t consumed = 0;  // 0: not a whole frame yet
    std::optional<ClientFrame> frame;
    std::uint16_t closeCode = 0;  // not 0: the client broke the rules; close with this code
};

// Reads a client's frames one at a time, checking what RFC 6455 asks of a client: every frame
// masked, no reserved bits or opcodes, control frames whole and short, fragments in order.
// A message (all its fragments) may carry maxMessageBytes; the size is known from a frame's
// header, so an oversized one is refused before its payload is read.
class ClientFrameReader {
  public:
    explicit ClientFrameReader(std::size_t maxMessageBytes) : maxMessageBytes_(maxMessageBytes) {}
    FrameRead read(std::string_view received);
    // The most bytes one acceptable frame can take: what to look at before read.
    std::size_t maxFrameBytes() const { return maxMessageBytes_ + 14; }

  private:
    std::size_t maxMessageBytes_;
    bool inMessage_ = false;
    std::size_t messageBytes_ = 0;
};

// A whole, unmasked frame from the server.
std::string serverFrame(std::uint8_t opcode, std::string_view payload);
// A close frame's payload: the code, then the reason (cut to fit a control frame).
std::string closePayload(std::uint16_t code, std::string_view reason);

}  // namespace remote
