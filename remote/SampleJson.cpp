#include "remote/SampleJson.h"

#include <charconv>
#include <cmath>

namespace remote {

namespace {

template <typename T>
void appendShortest(std::string& out, T value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

}  // namespace

float totalField(const platform::Heading& h) {
    return static_cast<float>(std::sqrt((h.x * h.x + h.y * h.y) + h.z * h.z));
}

void appendNumber(std::string& out, double value) {
    appendShortest(out, value);
}

void appendNumber(std::string& out, float value) {
    appendShortest(out, value);
}

std::string latestJson(const RemoteSample& s) {
    const platform::Heading& h = s.heading;
    std::string out;
    out.reserve(200);
    out += "{\"t\":";
    appendNumber(out, h.timestamp);
    out += ",\"x\":";
    appendNumber(out, h.x);
    out += ",\"y\":";
    appendNumber(out, h.y);
    out += ",\"z\":";
    appendNumber(out, h.z);
    out += ",\"magneticHeading\":";
    appendNumber(out, h.magneticHeading);
    out += ",\"trueHeading\":";
    appendNumber(out, h.trueHeading);
    out += ",\"total\":";
    appendNumber(out, s.total);
    out += s.alarm ? ",\"alarm\":true}" : ",\"alarm\":false}";
    return out;
}

void appendBatchEntry(std::string& out, const RemoteSample& s) {
    const platform::Heading& h = s.heading;
    out += '[';
    for (double v : {h.timestamp, h.x, h.y, h.z, h.magneticHeading, h.trueHeading}) {
        appendNumber(out, v);
        out += ',';
    }
    appendNumber(out, s.total);
    out += s.alarm ? ",1]" : ",0]";
}

}  // namespace remote
