// The parts of publishing that need no broker: the URL, the options, the messages, the spool's
// records and file, and the metrics text.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "Processes.h"
#include "Support.h"
#include "publish/Discovery.h"
#include "publish/Messages.h"
#include "publish/MetricsText.h"
#include "publish/PublishOptions.h"
#include "publish/PublishUrl.h"
#include "publish/Spool.h"
#include "publish/SpoolRecords.h"

using namespace publishtest;

namespace {

TEST(PublishUrl, ReadsWhatItMayAndSaysWhatIsWrong) {
    struct Case {
        const char* text;
        publish::PublishUrl url;
        const char* error;  // null: accepted
    } cases[] = {
        {"mqtt://broker.lan/fluxprobe", {false, "", "broker.lan", 1883, "fluxprobe"}, nullptr},
        {"mqtts://meter@broker.lan:8884/lab/meters/",
         {true, "meter", "broker.lan", 8884, "lab/meters"},
         nullptr},
        {"mqtts://h/p", {true, "", "h", 8883, "p"}, nullptr},
        {"mqtt://[::1]:1884/p", {false, "", "::1", 1884, "p"}, nullptr},
        {"mqtt://127.0.0.1:65535/p", {false, "", "127.0.0.1", 65535, "p"}, nullptr},
        {"http://broker/p", {}, "unknown scheme \"http\""},
        {"broker/p", {}, "not a URL"},
        {"mqtt://broker", {}, "no topic prefix"},
        {"mqtt://broker/", {}, "no topic prefix"},
        {"mqtt:///p", {}, "no host"},
        {"mqtt://meter:pw@broker/p", {}, "no password in the URL"},
        {"mqtt://@broker/p", {}, "empty user name"},
        {"mqtt://broker:0/p", {}, "the port is not a number from 1 to 65535"},
        {"mqtt://broker:65536/p", {}, "the port is not a number from 1 to 65535"},
        {"mqtt://broker:/p", {}, "the port is not a number"},
        {"mqtt://broker:18x3/p", {}, "the port is not a number"},
        {"mqtt://[::1/p", {}, "without its ]"},
        {"mqtt://[::1]x/p", {}, "unexpected text after the host"},
        {"mqtt://bro ker/p", {}, "is not a host name or address"},
        {"mqtt://broker/a/+/b", {}, "may not hold ?, # or +"},
        {"mqtt://broker/a#", {}, "may not hold ?, # or +"},
        {"mqtt://broker/a?x=1", {}, "may not hold ?, # or +"},
        {"mqtt://broker/a//b", {}, "empty topic level"},
        {"mqtt://broker/a//", {}, "empty topic level"},
        {"mqtt://broker/$SYS", {}, "the broker's own"},
        {"mqtt://broker/a\x01", {}, "control character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = publish::parsePublishUrl(c.text);
        if (!c.error) {
            ASSERT_TRUE(std::holds_alternative<publish::PublishUrl>(result))
                << std::get<std::string>(result);
            EXPECT_EQ(std::get<publish::PublishUrl>(result), c.url);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::string>(result));
        const std::string& error = std::get<std::string>(result);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.find('\x01'), std::string::npos)
            << "no control character reaches a terminal";
    }
}

TEST(PublishOptions, ThePasswordIsTheOwnersAloneAndNeedsAUser) {
    TempDir dir;
    const std::string file = dir.path() + "/password";
    struct Case {
        const char* what;
        std::string url;
        const char* fileText;  // null: no password file
        int mode;
        const char* environment;
        std::string ca;
        const char* error;
        const char* password;  // expected when accepted; null: none
    } cases[] = {
        {"a private file", "mqtt://u@h/p", "pw\n", 0600, "env", "", nullptr, "pw"},
        {"a file without its newline", "mqtt://u@h/p", "p w", 0400, nullptr, "", nullptr, "p w"},
        {"a CRLF file", "mqtt://u@h/p", "pw\r\n", 0600, nullptr, "", nullptr, "pw"},
        {"the environment", "mqtt://u@h/p", nullptr, 0, "env", "", nullptr, "env"},
        {"no password", "mqtt://u@h/p", nullptr, 0, nullptr, "", nullptr, nullptr},
        {"the group can read it", "mqtt://u@h/p", "pw", 0640, nullptr, "",
         "others than its owner can read it (mode 0640); chmod 600", nullptr},
        {"anyone can read it", "mqtt://u@h/p", "pw", 0604, nullptr, "", "(mode 0604)", nullptr},
        {"an empty file", "mqtt://u@h/p", "", 0600, nullptr, "", "empty", nullptr},
        {"two lines", "mqtt://u@h/p", "a\nb\n", 0600, nullptr, "", "more than one line", nullptr},
        {"a password without a user", "mqtt://h/p", nullptr, 0, "env", "",
         "a password needs a user name", nullptr},
        {"a CA for plain MQTT", "mqtt://h/p", nullptr, 0, nullptr, "/etc/hostname",
         "goes with mqtts:// only", nullptr},
        {"a CA that is not there", "mqtts://h/p", nullptr, 0, nullptr, "/nonexistent/ca.pem",
         "--publish-ca=/nonexistent/ca.pem: No such file", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        publish::PublishRequest request;
        request.url = c.url;
        request.caFile = c.ca;
        if (c.fileText) {
            ::unlink(file.c_str());
            writeFile(file, c.fileText, c.mode);
            request.passwordFile = file;
        }
        const auto result = publish::readPublishOptions(request, c.environment);
        if (c.error) {
            ASSERT_TRUE(std::holds_alternative<std::string>(result));
            EXPECT_NE(std::get<std::string>(result).find(c.error), std::string::npos)
                << std::get<std::string>(result);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<publish::PublishConfig>(result))
            << std::get<std::string>(result);
        const auto& password = std::get<publish::PublishConfig>(result).password;
        EXPECT_EQ(password.has_value(), c.password != nullptr);
        if (c.password && password) {
            EXPECT_EQ(*password, c.password);
        }
    }
    publish::PublishRequest missing;
    missing.url = "mqtt://u@h/p";
    missing.passwordFile = dir.path() + "/nothing";
    const auto result = publish::readPublishOptions(missing, nullptr);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result),
              "--publish-password-file=" + dir.path() + "/nothing: No such file or directory");
}

TEST(Messages, AValueReadsAsTheStationsFileWritesIt) {
    station::StationInfo info;
    info.code = "BOU";
    info.orientation = "HDZF";
    station::StationValue v;
    v.time = 1535842800;
    v.x = 20828.92;
    v.y = -52.88;
    v.z = 47043.06;
    v.f = 51965.67;
    EXPECT_EQ(publish::valueJson(v, info),
              "{\"startDate\":\"2018-09-01T23:00:00Z\",\"x\":20828.92,\"y\":-52.88,\"z\":47043.06,"
              "\"f\":51965.67,\"units\":\"nT\",\"orientation\":\"HDZF\",\"code\":\"BOU\"}");
    struct Case {
        double x;
        bool recorded;
        const char* text;
    } cases[] = {
        {0.125, true, "\"x\":0.12"},  // rounded as printf rounds the binary value
        {0.135, true, "\"x\":0.14"},
        {-0.001, true, "\"x\":-0.00"},
        {99999.994, true, "\"x\":99999.99"},
        {NAN, true, "\"x\":null"},
        {INFINITY, true, "\"x\":null"},
        {12.0, false, "\"x\":null"},  // not recorded by the source
    };
    for (const Case& c : cases) {
        v.x = c.x;
        info.recorded[0] = c.recorded;
        char printed[64];
        std::snprintf(printed, sizeof printed, "%9.2f", c.x);
        SCOPED_TRACE(printed);
        EXPECT_NE(publish::valueJson(v, info).find(c.text), std::string::npos)
            << publish::valueJson(v, info);
    }
}

TEST(Messages, AlertAndDiscoverySayWhatTheyAreFor) {
    publish::AlertState alert;
    EXPECT_EQ(publish::alertJson(alert),
              "{\"alarm\":false,\"dBdt\":null,\"dBdtAlert\":false,\"minute\":null,"
              "\"units\":\"nT/min\"}");
    alert.alarm = true;
    alert.rate = station::RateOfChange{1535842860, 12.345, true};
    EXPECT_EQ(publish::alertJson(alert),
              "{\"alarm\":true,\"dBdt\":12.35,\"dBdtAlert\":true,"
              "\"minute\":\"2018-09-01T23:01:00Z\",\"units\":\"nT/min\"}");
    const auto configs = publish::discoveryConfigs("lab", "BOU");
    ASSERT_EQ(configs.size(), 5u);
    EXPECT_EQ(configs[0].first, "homeassistant/sensor/fluxprobe_bou_total/config");
    EXPECT_EQ(configs[4].first, "homeassistant/sensor/fluxprobe_bou_heading/config");
    EXPECT_NE(configs[0].second.find("\"state_topic\":\"lab/BOU/live\""), std::string::npos);
    EXPECT_NE(configs[0].second.find("{{ value_json.total }}"), std::string::npos);
    EXPECT_NE(configs[4].second.find("{{ value_json.heading }}"), std::string::npos);
    EXPECT_NE(configs[2].second.find("\"availability_topic\":\"lab/BOU/status\""),
              std::string::npos);
}

TEST(SpoolRecords, DamageIsCountedAndTheRestRead) {
    const auto m = [](int i) {
        return publish::minuteRecord({1000 + i, "{\"n\":" + std::to_string(i) + "}"});
    };
    std::string flipped = m(1);
    flipped[3] ^= 1;
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::int64_t> minutes;
        std::size_t damaged;
        std::size_t firstLine;
        const char* why;
    } cases[] = {
        {"zero length", "", {}, 0, 0, ""},
        {"whole", m(0) + m(1) + m(2), {1000, 1001, 1002}, 0, 0, ""},
        {"done with one", m(0) + m(1) + publish::doneRecord(1000), {1001}, 0, 0, ""},
        {"done with a time not waiting", m(0) + publish::doneRecord(5), {1000}, 0, 0, ""},
        {"truncated", m(0) + m(1).substr(0, 10), {1000}, 1, 2, "cut off"},
        {"cut at the checksum",
         m(0) + m(1).substr(0, m(1).size() - 3) + "\n",
         {1000},
         1,
         2,
         "no checksum"},
        {"garbage appended",
         m(0) + "\x7f\x45LF\x02\x01\n\n" + m(2),
         {1000, 1002},
         2,
         2,
         "no checksum"},
        {"a changed byte", m(0) + flipped + m(2), {1000, 1002}, 1, 2, "checksum does not match"},
        {"a record of no kind",
         m(0) + publish::minuteRecord({7, "x"}).replace(0, 1, "q"),
         {1000},
         1,
         2,
         "checksum does not match"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const publish::SpoolContents read = publish::readSpool(c.text, 100);
        std::vector<std::int64_t> times;
        for (const auto& minute : read.minutes) times.push_back(minute.time);
        EXPECT_EQ(times, c.minutes);
        EXPECT_EQ(read.damaged, c.damaged);
        EXPECT_EQ(read.firstDamagedLine, c.firstLine);
        EXPECT_NE(read.firstDamage.find(c.why), std::string::npos) << read.firstDamage;
    }
    // A record sealed anew after its kind was changed is still refused for what it says.
    std::string body = "q 7 x";
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", static_cast<unsigned>(publish::crc32(body)));
    EXPECT_EQ(publish::readSpool(body + crc, 10).firstDamage, "not a record of the spool");
    EXPECT_EQ(publish::crc32("123456789"), 0xCBF43926u);
    // Past the bound, the oldest go.
    const auto over = publish::readSpool(m(0) + m(1) + m(2), 2);
    EXPECT_EQ(over.overflow, 1u);
    EXPECT_EQ(over.minutes.front().time, 1001);
}

TEST(Spool, KeepsItsMinutesAcrossOpeningsAndIsOneProcesssAtATime) {
    TempDir dir;
    const std::string path = dir.path() + "/publish-BOU.spool";
    Told told;
    {
        publish::Spool spool;
        ASSERT_EQ(publish::Spool::open(path, told.warn(), 3, spool), std::nullopt);
        for (int i = 0; i < 5; ++i) spool.add(100 + i, "m" + std::to_string(i));
        spool.remove(1);  // 103 acknowledged
        EXPECT_EQ(spool.dropped(), 2u);
        EXPECT_EQ(told.count("the oldest are dropped from now on (first 1970-01-01T00:01:40Z)"), 1u)
            << told.all();

        publish::Spool second;
        const auto error = publish::Spool::open(path, told.warn(), 3, second);
        ASSERT_TRUE(error);
        EXPECT_NE(error->find("in use by another fluxprobe"), std::string::npos) << *error;
    }
    publish::Spool again;
    ASSERT_EQ(publish::Spool::open(path, told.warn(), 3, again), std::nullopt);
    ASSERT_EQ(again.depth(), 2u);
    EXPECT_EQ(again.entries()[0].payload, "m2");
    EXPECT_EQ(again.entries()[1].payload, "m4");
    // Opening rewrote it with what waits only.
    EXPECT_EQ(lines(readFile(path)).size(), 2u);
}

TEST(Spool, IsRewrittenSmallWithTheLinesWrittenMeanwhileKept) {
    TempDir dir;
    const std::string path = dir.path() + "/publish-BOU.spool";
    Told told;
    publish::Spool spool;
    ASSERT_EQ(publish::Spool::open(path, told.warn(), 5000, spool), std::nullopt);
    for (int i = 0; i < 1100; ++i) spool.add(i, "m" + std::to_string(i));
    while (spool.depth() > 10) spool.remove(0);
    ASSERT_TRUE(spool.compactDue());
    const std::string text = spool.beginRewrite();
    spool.add(2000, "meanwhile");  // while the new file is written
    spool.remove(0);
    std::string temporary;
    const int fd = publish::Spool::writeRewrite(path, text, temporary);
    ASSERT_GE(fd, 0);
    spool.finishRewrite(fd, temporary);
    EXPECT_FALSE(spool.compactDue());
    EXPECT_EQ(lines(readFile(path)).size(), 12u);  // 10 minutes, then the added one and a done
    EXPECT_FALSE(std::filesystem::exists(temporary));
    spool.add(2001, "after");
    std::vector<std::string> expected;
    for (int i = 1091; i < 1100; ++i) expected.push_back("m" + std::to_string(i));
    expected.push_back("meanwhile");
    expected.push_back("after");
    // The lock is this process's: read the file as a restart would.
    const publish::SpoolContents read = publish::readSpool(readFile(path), 5000);
    std::vector<std::string> payloads;
    for (const auto& m : read.minutes) payloads.push_back(m.payload);
    EXPECT_EQ(payloads, expected);
    EXPECT_EQ(read.damaged, 0u);
}

TEST(Spool, ItsFolderIsTheStationsOrTheUsersStateFolder) {
    EXPECT_EQ(publish::spoolFolder("/data/station"), "/data/station");
    setenv("XDG_STATE_HOME", "/state", 1);
    EXPECT_EQ(publish::spoolFolder(""), "/state/fluxprobe");
    setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(publish::spoolFolder(""), "/home/u/.local/state/fluxprobe");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(publish::spoolFolder(""), "/home/u/.local/state/fluxprobe");
}

TEST(MetricsText, EveryFamilyIsDescribedAndTyped) {
    publish::MetricsSnapshot s;
    s.field = publish::MetricsSnapshot::Field{30, -40, 0, 50, 12.5, -1};
    s.alarm = true;
    s.samplesDelivered = 1234;
    s.samplesDropped = 5;
    station::StationValue minute;
    minute.time = 1535842800;
    minute.x = 20828.92;
    s.minute = minute;
    s.mqtt = publish::MetricsSnapshot::Mqtt{true, 7, 2, 9};
    const std::string text = publish::metricsText(s);
    for (const char* line : {
             "fluxprobe_field_microtesla{axis=\"y\"} -40\n",
             "fluxprobe_field_microtesla{axis=\"total\"} 50\n",
             "fluxprobe_heading_degrees{north=\"magnetic\"} 12.5\n",
             "fluxprobe_alarm 1\n",
             "fluxprobe_samples_delivered_total 1234\n",
             "fluxprobe_samples_dropped_total 5\n",
             "fluxprobe_station_minute_nanotesla{component=\"x\"} 20828.92\n",
             "fluxprobe_station_minute_nanotesla{component=\"z\"} NaN\n",
             "fluxprobe_station_minute_timestamp_seconds 1535842800\n",
             "fluxprobe_mqtt_connected 1\n",
             "fluxprobe_mqtt_spool_depth 7\n",
             "fluxprobe_mqtt_spool_dropped_total 2\n",
             "fluxprobe_mqtt_messages_dropped_total 9\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    EXPECT_EQ(text.find("north=\"true\""), std::string::npos) << "no true heading is known";
    EXPECT_EQ(text.find("\nfluxprobe_station_dbdt_nanotesla_per_minute "), std::string::npos);
    // Each family once, its HELP before its TYPE before its samples.
    std::vector<std::string> families;
    for (const std::string& line : lines(text)) {
        if (line.starts_with("# HELP ")) {
            families.push_back(line.substr(7, line.find(' ', 7) - 7));
            continue;
        }
        ASSERT_FALSE(families.empty());
        if (line.starts_with("# TYPE ")) {
            EXPECT_TRUE(line.starts_with("# TYPE " + families.back() + " ")) << line;
            continue;
        }
        EXPECT_TRUE(line.starts_with(families.back())) << line;
    }
    EXPECT_EQ(families.size(), 13u);
}

}  // namespace
