#include "remote/ServeOptions.h"

#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

namespace remote {

namespace {

bool tokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

QString urlHost(const QHostAddress& address) {
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QLatin1Char('[') + address.toString() + QLatin1Char(']');
    return address.toString();
}

}  // namespace

QByteArray randomToken() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

ServeOptions parseServeOptions(const std::string& serve, const std::string& token) {
    const std::string spec = serve.empty() ? kDefaultServe : serve;
    const auto bad = [&spec](const std::string& why) {
        return ServeError("option --serve=" + spec + ": " + why +
                          "; expected ADDR:PORT, as in --serve=0.0.0.0:8090");
    };
    // A port alone would otherwise read as an IPv4 address in its shortest form (0.0.31.154).
    if (std::all_of(spec.begin(), spec.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw ServeError(
            "option --serve=" + spec + ": give the address too; expected ADDR:PORT, for example " +
            "127.0.0.1:" + (spec.size() <= 5 && std::stoi(spec) <= 65535 ? spec : "8090"));
    std::string host = spec;
    std::string port;
    if (spec.front() == '[') {
        const auto close = spec.find(']');
        if (close == std::string::npos) throw bad("no ']' after the IPv6 address");
        host = spec.substr(1, close - 1);
        if (close + 1 < spec.size()) {
            if (spec[close + 1] != ':') throw bad("expected ':' after ']'");
            port = spec.substr(close + 2);
        }
    } else if (const auto colon = spec.rfind(':');
               colon != std::string::npos && spec.find(':') == colon) {
        host = spec.substr(0, colon);
        port = spec.substr(colon + 1);
    }
    ServeOptions options;
    if (host == "localhost") host = "127.0.0.1";
    if (!options.address.setAddress(QString::fromStdString(host)))
        throw bad("'" + host + "' is not an IP address");
    // An IPv4 address written as IPv6 (::ffff:127.0.0.1) is served as the IPv4 address it is;
    // an IPv6 socket cannot be bound to it. Qt counts "::" among them, which stays as it is.
    bool isIpv4 = false;
    const quint32 ipv4 = options.address.toIPv4Address(&isIpv4);
    if (isIpv4 && options.address != QHostAddress::AnyIPv6) options.address.setAddress(ipv4);
    if (!port.empty() || spec.back() == ':') {
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(port) > 65535)
            throw bad("the port must be a number from 0 to 65535, got '" + port + "'");
        options.port = static_cast<quint16>(std::stoi(port));
    }
    if (!token.empty()) {
        if (token.size() < 16 || token.size() > 128 ||
            !std::all_of(token.begin(), token.end(), tokenChar))
            throw ServeError(
                "option --serve-token needs 16 to 128 letters, digits, '-', '.', '_' or '~'");
        options.token = QByteArray::fromStdString(token);
    } else if (!options.address.isLoopback()) {
        options.token = randomToken();
    }
    if (options.address == QHostAddress::AnyIPv4 || options.address == QHostAddress::AnyIPv6)
        options.notice = "--serve=" + spec + " listens on every address of this machine (" +
                         options.address.toString().toStdString() +
                         "): anyone who can reach it and has the token can follow the meter";
    return options;
}

QStringList pageUrls(const ServeOptions& options, quint16 port) {
    QList<QHostAddress> hosts;
    if (options.address == QHostAddress::AnyIPv4 || options.address == QHostAddress::AnyIPv6 ||
        options.address == QHostAddress::Any) {
        // Listening everywhere: name each address others can reach us at.
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && !a.isLinkLocal() &&
                (a.protocol() == QAbstractSocket::IPv4Protocol ||
                 options.address != QHostAddress::AnyIPv4))
                hosts.append(a);
        if (hosts.isEmpty()) hosts.append(options.address);
    } else {
        hosts.append(options.address);
    }
    QStringList urls;
    for (const QHostAddress& host : hosts) {
        QString url = QStringLiteral("http://") + urlHost(host) + QLatin1Char(':') +
                      QString::number(port) + QLatin1Char('/');
        if (!options.token.isEmpty()) url += QStringLiteral("?token=") + options.token;
        urls.append(url);
    }
    return urls;
}

}  // namespace remote
