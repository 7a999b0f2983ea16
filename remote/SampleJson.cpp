#include "remote/SampleJson.h"

#include <charconv>
#include <cmath>
#include <utility>

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

void appendNumber(std::string& out, double value) {
    appendShortest(out, value);
}

void appendNumber(std::string& out, float value) {
    appendShortest(out, value);
}

std::string latestJson(const RemoteSample& s) {
    const heading::Heading& h = s.heading;
    const std::pair<const char*, double> fields[] = {
        {"{\"t\":", h.timestamp},
        {",\"x\":", h.x},
        {",\"y\":", h.y},
        {",\"z\":", h.z},
        {",\"magneticHeading\":", h.magneticHeading},
        {",\"trueHeading\":", h.trueHeading},
    };
    std::string out;
    out.reserve(200);
    for (const auto& [key, value] : fields) {
        out += key;
        appendNumber(out, value);
    }
    out += ",\"total\":";
    appendNumber(out, s.total);
    out += s.alarm ? ",\"alarm\":true}" : ",\"alarm\":false}";
    return out;
}

void appendBatchEntry(std::string& out, const RemoteSample& s) {
    const heading::Heading& h = s.heading;
    out += '[';
    for (double v : {h.timestamp, h.x, h.y, h.z, h.magneticHeading, h.trueHeading}) {
        appendNumber(out, v);
        out += ',';
    }
    appendNumber(out, s.total);
    out += s.alarm ? ",1" : ",0";
    // How the window shows it: held (its readouts keep what they showed), or beside a zero.
    const heading::Presentation& shown = h.shown;
    if (shown.relative) {
        out += shown.held ? ",1" : ",0";
        for (double v : {shown.x0, shown.y0, shown.z0}) {
            out += ',';
            appendNumber(out, v);
        }
    } else if (shown.held) {
        out += ",1";
    }
    out += ']';
}

}  // namespace remote
