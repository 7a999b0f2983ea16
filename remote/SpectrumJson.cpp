#include "remote/SpectrumJson.h"

#include <limits>

#include "remote/SampleJson.h"

namespace remote {

namespace {

const char* statusName(instrument::Spectrum::Status status) {
    switch (status) {
        case instrument::Spectrum::Status::Ready:
            return "ready";
        case instrument::Spectrum::Status::Collecting:
            return "collecting";
        case instrument::Spectrum::Status::TooSlow:
            return "too_slow";
        case instrument::Spectrum::Status::Irregular:
            return "irregular";
    }
    return "";
}

void appendList(std::string& out, const char* key, const std::vector<double>& values) {
    out += ",\"";
    out += key;
    out += "\":[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        appendNumber(out, values[i]);
    }
    out += ']';
}

}  // namespace

std::string spectrumJson(const instrument::Spectrum& s) {
    constexpr double kNull = std::numeric_limits<double>::quiet_NaN();  // written as null
    std::string out;
    out.reserve(64 + 4 * 20 * s.hz.size());
    out += "{\"status\":\"";
    out += statusName(s.status);
    out += "\",\"rate\":";
    appendNumber(out, s.rate > 0.0 ? s.rate : kNull);
    out += ",\"size\":";
    out += std::to_string(s.size);
    appendList(out, "hz", s.hz);
    appendList(out, "x", s.axes[0]);
    appendList(out, "y", s.axes[1]);
    appendList(out, "z", s.axes[2]);
    out += ",\"ac_rms\":";
    appendNumber(out, s.ready() ? s.acRms : kNull);
    out += ",\"dominant_hz\":";
    appendNumber(out, s.dominantHz.value_or(kNull));
    if (!s.ready()) {
        out += ",\"message\":\"";
        out += instrument::describe(s.status);  // plain words: nothing to escape
        out += '"';
    }
    out += '}';
    return out;
}

}  // namespace remote
