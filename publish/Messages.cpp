#include "publish/Messages.h"

#include <cmath>
#include <cstdio>

#include "heading/UtcTime.h"

namespace publish {

namespace {

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[400];  // %.2f of the largest double is 309 digits and the decimals
    std::snprintf(text, sizeof text, "%.2f", value);
    out += text;
}

void appendField(std::string& out, const char* name, double value, bool recorded) {
    out += ",\"";
    out += name;
    out += "\":";
    appendNumber(out, recorded ? value : NAN);
}

}  // namespace

std::string isoTime(std::int64_t time) {
    const heading::UtcTime t = heading::UtcTime::fromSeconds(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string valueJson(const station::StationValue& value, const station::StationInfo& info) {
    std::string out = "{\"startDate\":\"" + isoTime(value.time) + "\"";
    appendField(out, "x", value.x, info.recorded[0]);
    appendField(out, "y", value.y, info.recorded[1]);
    appendField(out, "z", value.z, info.recorded[2]);
    appendField(out, "f", value.f, info.recorded[3]);
    out += ",\"units\":\"nT\",\"orientation\":" + jsonString(info.orientation) +
           ",\"code\":" + jsonString(info.code) + "}";
    return out;
}

std::string liveJson(const LiveValue& live) {
    std::string out = "{\"x\":";
    appendNumber(out, live.x);
    out += ",\"y\":";
    appendNumber(out, live.y);
    out += ",\"z\":";
    appendNumber(out, live.z);
    out += ",\"total\":";
    appendNumber(out, live.total);
    out += ",\"heading\":";
    appendNumber(out, live.magneticHeading);
    out += ",\"trueHeading\":";
    appendNumber(out, live.trueHeading < 0 ? NAN : live.trueHeading);
    out += live.alarm ? ",\"alarm\":true" : ",\"alarm\":false";
    return out + ",\"units\":\"uT\"}";
}

std::string alertJson(const AlertState& alert) {
    std::string out = alert.alarm ? "{\"alarm\":true" : "{\"alarm\":false";
    if (alert.rate) {
        out += ",\"dBdt\":";
        appendNumber(out, alert.rate->nanoteslaPerMinute);
        out += alert.rate->alert ? ",\"dBdtAlert\":true" : ",\"dBdtAlert\":false";
        out += ",\"minute\":\"" + isoTime(alert.rate->minute) + "\"";
    } else {
        out += ",\"dBdt\":null,\"dBdtAlert\":false,\"minute\":null";
    }
    return out + ",\"units\":\"nT/min\"}";
}

}  // namespace publish
