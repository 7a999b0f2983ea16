#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <stdexcept>
#include <string>

namespace remote {

// A --serve choice that cannot be used, or an address that cannot be bound; the message says
// which and why.
class ServeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ServeOptions {
    QHostAddress address;
    quint16 port = 8090;
    QByteArray token;    // empty: none needed
    std::string notice;  // what the user should know about the choice, for stderr; often empty
};

inline constexpr const char* kDefaultServe = "127.0.0.1:8090";

// Reads --serve's value ("ADDR:PORT", "[IPv6]:PORT", or "ADDR" for port 8090; empty for the
// default) and --serve-token's. Off loopback a token is always needed: the given one, else a
// random 128-bit one. Throws ServeError.
ServeOptions parseServeOptions(const std::string& serve, const std::string& token);

// A new random 128-bit token, as 32 hex digits.
QByteArray randomToken();

// The URLs that open the page, the token included.
QStringList pageUrls(const ServeOptions& options, quint16 port);

}  // namespace remote
