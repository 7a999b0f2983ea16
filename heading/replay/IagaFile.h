#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace heading {

// What the header of an IAGA-2002 file says; empty where a header line is absent.
struct IagaHeader {
    std::string format;  // "IAGA-2002"
    std::string sourceOfData;
    std::string stationName;
    std::string code;  // IAGA code as written
    std::optional<double> latitude;
    std::optional<double> longitude;  // degrees east, 0-360 as the file writes it
    std::optional<double> elevation;  // metres
    std::string reported;             // "XYZF", "HDZF" or a longer form ("SVHSVESVZSSF")
    std::string orientation;
    std::string sampling;  // Digital Sampling
    std::string interval;  // Data Interval Type
    std::string dataType;
    std::string columns[4];  // the four value columns' names ("BOUH")
};

// One data line: its time and its four values in nT.
struct IagaRecord {
    std::int64_t ms = 0;  // since 1970-01-01T00:00:00Z
    double value[4] = {0, 0, 0, 0};
    unsigned missing = 0;      // bit i: value i is 99999 (no value this time), left 0 above
    unsigned notRecorded = 0;  // bit i: value i is 88888 (the component is not recorded)
};

// Reads an IAGA-2002 file: header lines (label from column 2, value from column 25, each
// ending in |), comment lines (" #"), the column header (DATE TIME DOY and four names), then
// one line per time in strictly increasing order. Liberal where nothing is lost: any of the
// header lines but Format may be absent, labels are read in any case, the closing | and
// trailing spaces may be missing, CRLF endings and a byte order mark are fine. Refuses, naming
// the file, the line and what was expected: no Format line, no column header, a data line that
// cannot be read, a time that repeats or goes back.
class IagaFile {
  public:
    static constexpr std::size_t kMaxLineBytes = 4096;

    using Header = std::function<void(const IagaHeader&)>;
    using Sink = std::function<void(const IagaRecord&)>;
    using Stopped = std::function<bool()>;

    // Whether the first line of a file is laid out as an IAGA-2002 header line (a label in
    // column 2) or its column header, rather than a CSV recording.
    static bool recognise(std::string_view firstLine);
    // The same for a file's first line; false when it cannot be read.
    static bool recogniseFile(const std::string& path);

    // Reads the file line by line, keeping nothing: header gets the header once the column
    // header is read, each every record. Asks stopped (when given) before every read; true
    // ends the reading and scan returns false. Throws SourceError.
    static bool scan(const std::string& path, const Header& header, const Sink& each,
                     const Stopped& stopped = {});

    // The same on text already read; name stands for the file in messages.
    static IagaHeader parse(std::string_view text, const std::string& name, const Sink& each);
};

}  // namespace heading
