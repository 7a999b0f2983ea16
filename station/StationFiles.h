#pragma once

#include <cstdint>

#include "station/DayFile.h"
#include "station/Station.h"
#include "station/StationFolder.h"
#include "station/StationValue.h"

namespace station {

// The station's day files: a vsec file of 1-second values and a vmin file of minutes per UTC
// day, and what they hold when the station starts again.
class StationFiles : public StationListener {
  public:
    StationFiles(StationFolder& folder, const StationInfo& info, Say say);

    void onSecond(const StationValue& second) override { seconds_.write(second); }
    void onMinute(const StationValue& minute) override { minutes_.write(minute); }

    // What the files hold for a station whose first second is firstSecond: the last second and
    // minute of that day (or the day before), and the seconds a filter needs after that minute.
    StationResume resume(std::int64_t firstSecond);

    void flush();
    // The station stops: what cannot be written now is lost.
    void finish();
    bool lostData() const { return seconds_.lostData() || minutes_.lostData(); }

  private:
    void readSeconds(std::int64_t day, std::int64_t from, StationResume& resume);

    StationFolder& folder_;
    StationInfo info_;
    Say say_;
    IagaWriter secondWriter_;
    DayFile seconds_;
    DayFile minutes_;
};

}  // namespace station
