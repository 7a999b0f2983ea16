#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "heading/SourceFacts.h"
#include "station/RateWatch.h"
#include "station/Station.h"
#include "station/StationFiles.h"
#include "station/StationFolder.h"

namespace station {

// What the command line says of a station.
struct StationOptions {
    std::string folder;  // --station=DIR
    std::string code;    // --station-info=CODE[,NAME]; the replayed file's own when empty
    std::string name;
    std::optional<double> alertLevel;  // --station-alert=NT_PER_MIN
    std::optional<double> latitude;    // --location=LAT,LON[,ALT_M]
    std::optional<double> longitude;
    std::optional<double> elevation;
};

// --station-info=CODE[,NAME]: the code is 3 or 4 letters (kept upper case). Throws
// StationError saying what is expected.
void parseStationInfo(std::string_view text, StationOptions& options);
// --station-alert=NT_PER_MIN: a number above 0.
double parseStationAlert(std::string_view text);

// A station as a run holds it: its folder, its day files, the filter and the dB/dt watch, put
// together from the options and what the source says of itself. Everything that can be
// checked is checked here, before any sample: the folder, the code, the station's place.
class StationRun {
  public:
    // Throws StationError.
    StationRun(const StationOptions& options, const heading::SourceFacts& facts, Say say);
    ~StationRun();
    StationRun(const StationRun&) = delete;
    StationRun& operator=(const StationRun&) = delete;

    // The station's place on the sample road.
    heading::SampleSink& sink() { return station_; }
    // Another listener of the station's values (a publisher).
    void addListener(StationListener& listener) { station_.addListener(listener); }

    // The samples have ended (the source ended, or SIGTERM): every minute that can still be
    // made is written.
    void finish();

    // Lines that could not be written were dropped: the exit status says so.
    bool lostData() const { return files_.lostData(); }
    const std::optional<RateOfChange>& latestRate() const { return rates_.latest(); }
    const StationInfo& info() const { return info_; }
    std::string describe() const;

  private:
    StationInfo info_;
    Say say_;
    StationFolder folder_;
    StationFiles files_;
    Station station_;
    RateWatch rates_;
};

}  // namespace station
