#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "heading/Heading.h"
#include "heading/replay/IagaFile.h"
#include "station/StationValue.h"

namespace station_test {

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<heading::IagaRecord> records(const std::string& path) {
    std::vector<heading::IagaRecord> out;
    heading::IagaFile::parse(readText(path), path,
                             [&](const heading::IagaRecord& r) { out.push_back(r); });
    return out;
}

// A second's value with every component v.
inline station::StationValue second(std::int64_t t, double v) {
    return {t, v, v + 1, v + 2, v + 3};
}

// A sample at utc in µT, as a source hands it on.
inline std::shared_ptr<const heading::Heading> sample(double utc, double x, double y, double z) {
    auto h = std::make_shared<heading::Heading>(heading::Heading::of(x, y, z));
    h->utc = utc;
    return h;
}

// 2018-09-01T00:00:00Z
inline constexpr std::int64_t kDay = 1535760000;

struct Collected : station::StationListener {
    std::vector<station::StationValue> seconds, minutes;
    void onSecond(const station::StationValue& v) override { seconds.push_back(v); }
    void onMinute(const station::StationValue& v) override { minutes.push_back(v); }
};

}  // namespace station_test
