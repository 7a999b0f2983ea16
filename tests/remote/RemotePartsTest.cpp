#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "remote/HttpRequestHead.h"
#include "remote/SampleJson.h"
#include "remote/ServeOptions.h"
#include "remote/SessionRing.h"
#include "remote/WebSocketProtocol.h"

namespace remote {
namespace {

TEST(HttpRequestHead, ReadsWhatTheServerNeedsAndRefusesWhatItCannotTrust) {
    HttpRequestHead head;
    ASSERT_FALSE(
        parseRequestHead("GET /api/v1/latest?a=1&token=ab%2Fc HTTP/1.1\r\n"
                         "Host: 127.0.0.1:8090\r\nAuthorization:  Bearer xyz \r\n\r\n",
                         head));
    EXPECT_EQ(head.method, "GET");
    EXPECT_EQ(head.path, "/api/v1/latest");
    EXPECT_EQ(head.queryValue("token"), "ab/c");
    EXPECT_EQ(head.queryValue("tok"), std::nullopt);
    EXPECT_EQ(head.header("authorization"), "Bearer xyz");
    EXPECT_TRUE(head.keepAlive());

    const struct {
        const char* head;
        int status;
    } bad[] = {
        {"\r\n\r\n", 400},
        {"GET /\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 505},
        {"GET  / HTTP/1.1\r\n\r\n", 400},
        {"GET relative HTTP/1.1\r\n\r\n", 400},
        {"GET /%zz HTTP/1.1\r\n\r\n", 400},
        {"GET /%00 HTTP/1.1\r\n\r\n", 400},
        {"GET /% HTTP/1.1\r\n\r\n", 400},
        {"G(T / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nno colon\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n: empty name\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX: a\x01b\r\n\r\n", 400},
        {"GET /a\x01b HTTP/1.1\r\n\r\n", 400},
        {"GET /a\tb HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost: a\r\nhost: b\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nContent-Length: 0\r\nContent-Length: 5\r\n\r\n", 400},
    };
    for (const auto& c : bad) {
        const auto error = parseRequestHead(c.head, head);
        ASSERT_TRUE(error) << c.head;
        EXPECT_EQ(error->status, c.status) << c.head;
    }
    // The largest head allowed passes; one field or one byte more is refused.
    std::string many = "GET / HTTP/1.1\r\n";
    for (std::size_t i = 0; i < kMaxHeaders; ++i) many += "X-" + std::to_string(i) + ": 1\r\n";
    ASSERT_FALSE(parseRequestHead(many + "\r\n", head));
    EXPECT_EQ(head.headers.size(), kMaxHeaders);
    const auto tooMany = parseRequestHead(many + "X-last: 1\r\n\r\n", head);
    ASSERT_TRUE(tooMany);
    EXPECT_EQ(tooMany->status, 431);
    const std::string fits = "GET / HTTP/1.1\r\nX: ";
    const std::string big = fits + std::string(kMaxHeadBytes - fits.size() - 4, 'x') + "\r\n\r\n";
    EXPECT_FALSE(parseRequestHead(big, head));
    const auto tooBig = parseRequestHead(big.substr(0, 20) + 'x' + big.substr(20), head);
    ASSERT_TRUE(tooBig);
    EXPECT_EQ(tooBig->status, 431);

    // HTTP/1.0 keeps a connection only when asked to; HTTP/1.1 unless asked not to.
    const struct {
        const char* head;
        bool keepAlive;
    } persistence[] = {
        {"GET / HTTP/1.0\r\n\r\n", false},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", true},
        {"GET / HTTP/1.1\r\nConnection: close\r\n\r\n", false},
    };
    for (const auto& p : persistence) {
        ASSERT_FALSE(parseRequestHead(p.head, head)) << p.head;
        EXPECT_EQ(head.keepAlive(), p.keepAlive) << p.head;
    }

    EXPECT_EQ(findHeadEnd("GET / HTTP/1.1\r\nHost: a\r\n"), std::nullopt);
    EXPECT_EQ(findHeadEnd("GET / HTTP/1.1\r\n\r\nrest"), 18u);
    EXPECT_EQ(findHeadEnd("GET / HTTP/1.0\n\n"), 16u);
}

// A client's frame, masked with a zero key (so the payload reads as sent).
std::string clientFrame(unsigned char first, std::size_t length) {
    std::string frame(1, static_cast<char>(first));
    if (length < 126) {
        frame += static_cast<char>(0x80 | length);
    } else {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(length >> 8);
        frame += static_cast<char>(length & 0xff);
    }
    return frame + std::string(4, '\0') + std::string(length, 'a');
}

TEST(ClientFrameReader, KeepsAMessageWithinItsSizeAcrossFragmentsAndInOrder) {
    const struct {
        const char* what;
        std::string frames;
        std::size_t read;  // frames read before the close, if any
        int closeCode;
    } cases[] = {
        {"a message in three fragments with a ping between",
         clientFrame(0x01, 400) + clientFrame(0x00, 400) + clientFrame(0x89, 4) +
             clientFrame(0x80, 224),
         4, 0},
        {"fragments adding up to more than 1 KiB",
         clientFrame(0x01, 400) + clientFrame(0x00, 400) + clientFrame(0x80, 225), 2, 1009},
        {"a continuation with no message begun", clientFrame(0x80, 5), 0, 1002},
        {"a new message before the last one ended", clientFrame(0x01, 5) + clientFrame(0x81, 5), 1,
         1002},
        {"a fragmented ping", clientFrame(0x09, 5), 0, 1002},
    };
    for (const auto& c : cases) {
        ClientFrameReader reader(1024);
        std::string_view rest = c.frames;
        std::size_t read = 0;
        FrameRead r;
        while (!rest.empty() && (r = reader.read(rest)).consumed > 0) {
            rest.remove_prefix(r.consumed);
            ++read;
        }
        EXPECT_EQ(read, c.read) << c.what;
        EXPECT_EQ(r.closeCode, c.closeCode) << c.what;
    }
}

TEST(SessionRing, KeepsTheLastTenMinutesAndNeverMoreThanItsCapacity) {
    SessionRing byCount(5, 600.0);
    for (int i = 0; i < 12; ++i) byCount.append(heading::Heading::of(i, 0, 0));
    EXPECT_EQ(byCount.size(), 5u);
    EXPECT_EQ(byCount.firstSequence(), 7u);
    EXPECT_EQ(byCount.dropped(), 7u);
    EXPECT_EQ(byCount.at(6), nullptr);
    EXPECT_EQ(byCount.at(12), nullptr);
    for (std::uint64_t s = 7; s < 12; ++s) EXPECT_EQ(byCount.at(s)->x, static_cast<double>(s));

    SessionRing byTime(1000, 10.0);
    for (int i = 0; i <= 30; ++i) {
        heading::Heading h = heading::Heading::of(i, 0, 0);
        h.timestamp = i;
        byTime.append(h);
    }
    // t from 20 to 30: ten seconds back from the newest, both ends kept.
    EXPECT_EQ(byTime.size(), 11u);
    EXPECT_EQ(byTime.at(byTime.firstSequence())->timestamp, 20.0);
}

TEST(SampleJson, WritesNumbersThatReadBackExactlyAndNullForWhatJsonCannotHold) {
    RemoteSample s;
    s.heading = heading::Heading::of(0.1, -1e-300, 48.000000000000007, 359.99, -1);
    s.heading.timestamp = 1.0 / 3.0;
    s.total = totalField(s.heading);
    s.alarm = true;
    const std::string json = latestJson(s);
    EXPECT_NE(json.find("\"x\":0.1,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"alarm\":true}"), std::string::npos) << json;
    const auto after = [&json](const char* key) {
        return std::strtod(json.c_str() + json.find(key) + std::char_traits<char>::length(key),
                           nullptr);
    };
    EXPECT_EQ(after("\"t\":"), 1.0 / 3.0);
    EXPECT_EQ(after("\"y\":"), -1e-300);
    EXPECT_EQ(after("\"z\":"), 48.000000000000007);
    EXPECT_EQ(static_cast<float>(after("\"total\":")), s.total);

    RemoteSample odd;
    odd.heading = heading::Heading::of(std::nan(""), std::numeric_limits<double>::infinity(), 0);
    odd.total = totalField(odd.heading);
    std::string entry;
    appendBatchEntry(entry, odd);
    EXPECT_EQ(entry, "[0,null,null,0,0,-1,null,0]");

    // How the window shows the sample goes with it, so that a page shows the same.
    const struct {
        bool held, relative;
        const char* entry;
    } shown[] = {
        {false, false, "[0,1,2,3,0,-1,3.7416575,1]"},
        {true, false, "[0,1,2,3,0,-1,3.7416575,1,1]"},
        {false, true, "[0,1,2,3,0,-1,3.7416575,1,0,0.5,-2,30]"},
        {true, true, "[0,1,2,3,0,-1,3.7416575,1,1,0.5,-2,30]"},
    };
    for (const auto& c : shown) {
        RemoteSample r;
        r.heading = heading::Heading::of(1, 2, 3);
        r.heading.shown.held = c.held;
        r.heading.shown.relative = c.relative;
        if (c.relative) r.heading.shown = {c.held, true, 0.5, -2, 30};
        r.total = totalField(r.heading);
        r.alarm = true;
        std::string e;
        appendBatchEntry(e, r);
        EXPECT_EQ(e, c.entry);
    }
}

TEST(ServeOptions, ReadsAddressesAndAsksForATokenOffLoopback) {
    const auto loopback = parseServeOptions("", "");
    EXPECT_EQ(loopback.address.toString().toStdString(), "127.0.0.1");
    EXPECT_EQ(loopback.port, 8090);
    EXPECT_TRUE(loopback.token.isEmpty());

    EXPECT_EQ(parseServeOptions("[::1]:0", "").port, 0);
    EXPECT_TRUE(parseServeOptions("[::1]:0", "").token.isEmpty());
    EXPECT_EQ(parseServeOptions("localhost:9000", "").port, 9000);

    const auto open = parseServeOptions("0.0.0.0:8090", "");
    EXPECT_EQ(open.token.size(), 32);  // 128 bits in hex
    EXPECT_NE(open.token, parseServeOptions("0.0.0.0:8090", "").token);
    EXPECT_EQ(parseServeOptions("127.0.0.1", "a-given-token-0123").token, "a-given-token-0123");

    for (const char* bad : {"nowhere:80", "1.2.3.4:", "1.2.3.4:65536", "1.2.3.4:http", "[::1",
                            "[::1]80", "1.2.3.4:-1", "8090"})
        EXPECT_THROW(parseServeOptions(bad, ""), ServeError) << bad;
    for (const char* bad :
         {"short", "0123456789abcde", "has space in it here", "quote\"quote\"quote\"quote"})
        EXPECT_THROW(parseServeOptions("", bad), ServeError) << bad;
    EXPECT_EQ(parseServeOptions("", "0123456789abcdef").token, "0123456789abcdef");

    // Every address: said so, and a token. An IPv4 address written as IPv6: served as IPv4.
    const auto everywhere = parseServeOptions("0:8090", "");
    EXPECT_EQ(everywhere.address, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_NE(everywhere.notice.find("every address"), std::string::npos) << everywhere.notice;
    EXPECT_EQ(everywhere.token.size(), 32);
    EXPECT_TRUE(parseServeOptions("127.0.0.1:8090", "").notice.empty());
    const auto mapped = parseServeOptions("::ffff:127.0.0.1", "");
    EXPECT_EQ(mapped.address, QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(mapped.token.isEmpty());
    EXPECT_EQ(parseServeOptions("[::1]:0", "").address, QHostAddress(QHostAddress::LocalHostIPv6));
}

}  // namespace
}  // namespace remote
