#include "remote/WebSocketProtocol.h"

#include <algorithm>
#include <cctype>

#include "heading/Numbers.h"

namespace remote {

namespace {

bool hasToken(std::string_view list, std::string_view token) {
    // A comma-separated list of tokens, compared without regard to case.
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = heading::trimSpaces(list.substr(0, comma));
        if (item.size() == token.size() &&
            std::equal(item.begin(), item.end(), token.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

bool isBase64Key(std::string_view key) {
    // 16 random bytes in base64: 22 characters and "==".
    if (key.size() != 24 || key.substr(22) != "==") return false;
    return std::all_of(key.begin(), key.begin() + 22, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/';
    });
}

}  // namespace

std::optional<HttpHeadError> checkWebSocketUpgrade(const HttpRequestHead& request) {
    const auto upgrade = request.header("upgrade");
    if (!upgrade || !hasToken(*upgrade, "websocket"))
        return HttpHeadError{426, "this is a WebSocket"};
    if (request.method != "GET") return HttpHeadError{400, "a WebSocket opens with GET"};
    if (request.minorVersion < 1) return HttpHeadError{400, "a WebSocket needs HTTP/1.1"};
    if (!hasToken(request.header("connection").value_or(""), "upgrade"))
        return HttpHeadError{400, "a WebSocket upgrade needs Connection: Upgrade"};
    if (request.header("sec-websocket-version") != "13")
        return HttpHeadError{426, "only WebSocket version 13 is spoken here"};
    if (!isBase64Key(request.header("sec-websocket-key").value_or("")))
        return HttpHeadError{400, "a WebSocket upgrade needs a Sec-WebSocket-Key of 16 bytes"};
    return std::nullopt;
}

FrameRead ClientFrameReader::read(std::string_view in) {
    FrameRead result;
    if (in.size() < 2) return result;
    const auto byte = [&in](std::size_t i) { return static_cast<std::uint8_t>(in[i]); };
    const bool fin = byte(0) & 0x80;
    const std::uint8_t opcode = byte(0) & 0x0f;
    const bool control = opcode & 0x8;
    if ((byte(0) & 0x70) != 0 || (opcode > kOpBinary && opcode < kOpClose) || opcode > kOpPong ||
        !(byte(1) & 0x80)) {
        // Reserved bits or opcodes, or a frame a client sent unmasked.
        result.closeCode = kCloseProtocolError;
        return result;
    }
    std::uint64_t length = byte(1) & 0x7f;
    std::size_t header = 2;
    if (length == 126) {
        if (in.size() < 4) return result;
        length = (std::uint64_t{byte(2)} << 8) | byte(3);
        header = 4;
    } else if (length == 127) {
        if (in.size() < 10) return result;
        length = 0;
        for (std::size_t i = 2; i < 10; ++i) length = (length << 8) | byte(i);
        header = 10;
    }
    if (control && (!fin || length > 125)) {
        result.closeCode = kCloseProtocolError;
        return result;
    }
    if (!control) {
        // A continuation needs a message begun; a new message needs the last one finished.
        if ((opcode == kOpContinuation) != inMessage_) {
            result.closeCode = kCloseProtocolError;
            return result;
        }
        if (length > maxMessageBytes_ - (opcode == kOpContinuation ? messageBytes_ : 0)) {
            result.closeCode = kCloseTooBig;
            return result;
        }
    }
    header += 4;  // the masking key
    if (in.size() < header || in.size() - header < length) return result;
    ClientFrame frame;
    frame.opcode = opcode;
    frame.fin = fin;
    frame.payload.assign(in.substr(header, static_cast<std::size_t>(length)));
    for (std::size_t i = 0; i < frame.payload.size(); ++i)
        frame.payload[i] = static_cast<char>(frame.payload[i] ^ in[header - 4 + i % 4]);
    if (!control) {
        messageBytes_ = (opcode == kOpContinuation ? messageBytes_ : 0) + frame.payload.size();
        inMessage_ = !fin;
    }
    result.consumed = header + static_cast<std::size_t>(length);
    result.frame = std::move(frame);
    return result;
}

std::string serverFrame(std::uint8_t opcode, std::string_view payload) {
    std::string frame;
    frame.reserve(payload.size() + 10);
    frame += static_cast<char>(0x80 | opcode);
    const std::uint64_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(n);
    } else if (n <= 0xffff) {
        frame += static_cast<char>(126);
        frame += static_cast<char>(n >> 8);
        frame += static_cast<char>(n & 0xff);
    } else {
        frame += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>((n >> shift) & 0xff);
    }
    frame += payload;
    return frame;
}

std::string closePayload(std::uint16_t code, std::string_view reason) {
    std::string payload;
    payload += static_cast<char>(code >> 8);
    payload += static_cast<char>(code & 0xff);
    payload += reason.substr(0, 123);
    return payload;
}

}  // namespace remote
