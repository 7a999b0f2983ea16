#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "station/IagaWriter.h"
#include "station/StationFolder.h"
#include "station/StationValue.h"

namespace station {

// The day files of one interval (seconds or minutes) in a station's folder, one per UTC day.
// Each line goes to the file whole, in one write: a kill at any moment leaves at most a torn
// last line, which the next start cuts off. A restart continues a day's file after its last
// whole line and never writes a time twice; a gap since the last line is written as missing
// values, also from midnight in the next day's file. A line that cannot be written (a full
// disk, a folder gone) is kept, up to kMaxPendingLines, and written once it can be; the file
// never keeps a part of it.
class DayFile {
  public:
    static constexpr std::size_t kMaxPendingLines = 86'400;

    DayFile(StationFolder& folder, IagaWriter writer, Say say);
    ~DayFile();
    DayFile(const DayFile&) = delete;
    DayFile& operator=(const DayFile&) = delete;

    // Adds value's line to the file of its day, if it is later than the last line there.
    void write(const StationValue& value);
    // Tries again to write what is kept.
    void flush();
    // The station stops: what is kept is written now, or dropped (and lostData() says so).
    void finish();

    // The time of the last whole line in the file of time's day, if there is one.
    std::optional<std::int64_t> lastTimeOn(std::int64_t time);

    // Lines were dropped that could not be written.
    bool lostData() const { return lost_; }
    std::size_t pendingLines() const { return pending_.size() / IagaWriter::kLineBytes; }

  private:
    bool open(std::int64_t day);
    void close();
    void queue(const StationValue& value);
    void recover();
    bool fileStillThere() const;
    void drop(std::size_t lines, const std::string& why);

    StationFolder& folder_;
    IagaWriter writer_;
    Say say_;
    int fd_ = -1;
    std::optional<std::int64_t> day_;  // the open file's day, days since the epoch
    std::string name_;
    unsigned generation_ = 0;
    bool headerPending_ = false;
    bool unusable_ = false;             // the day's file is not one of ours: it is left alone
    std::string pending_;               // whole lines not yet in the file
    off_t written_ = 0;                 // bytes of whole lines in the file
    off_t verified_ = 0;                // bytes in the file when the folder was last seen in place
    std::optional<std::int64_t> last_;  // the last time in the file or pending, this day
    std::optional<std::int64_t> runLast_;  // the same over every day so far
    bool failing_ = false;
    bool lost_ = false;
};

}  // namespace station
