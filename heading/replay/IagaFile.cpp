#include "heading/replay/IagaFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "heading/Numbers.h"
#include "heading/SourceError.h"
#include "heading/UtcTime.h"
#include "heading/replay/LineSplit.h"

namespace heading {

namespace {

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
constexpr double kMissingValue = 99999.0;
constexpr double kNotRecordedValue = 88888.0;
constexpr const char* kColumnHeader = "DATE TIME DOY and four column names";

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool startsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

// The words of a line, split at spaces and tabs; count says how many there were, of which at
// most kMaxWords are kept.
constexpr std::size_t kMaxWords = 8;
struct Words {
    std::array<std::string_view, kMaxWords> word;
    std::size_t count = 0;
    std::size_t size() const { return count; }
    std::string_view operator[](std::size_t i) const { return word[i]; }
};

Words words(std::string_view text) {
    Words out;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        std::size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
        if (end > at) {
            if (out.count < kMaxWords) out.word[out.count] = text.substr(at, end - at);
            ++out.count;
        }
        at = end;
    }
    return out;
}

std::string_view withoutBar(std::string_view text) {
    text = trimSpaces(text);
    if (!text.empty() && text.back() == '|') text.remove_suffix(1);
    return trimSpaces(text);
}

bool isColumnHeader(std::string_view line) {
    const auto w = words(withoutBar(line));
    return w.size() >= 3 && equalNoCase(w[0], "DATE") && equalNoCase(w[1], "TIME") &&
           equalNoCase(w[2], "DOY");
}

struct Label {
    const char* text;
    std::string IagaHeader::*field;
};
constexpr std::array<Label, 9> kTextLabels = {{
    {"Format", &IagaHeader::format},
    {"Source of Data", &IagaHeader::sourceOfData},
    {"Station Name", &IagaHeader::stationName},
    {"IAGA Code", &IagaHeader::code},
    {"Reported", &IagaHeader::reported},
    {"Sensor Orientation", &IagaHeader::orientation},
    {"Digital Sampling", &IagaHeader::sampling},
    {"Data Interval Type", &IagaHeader::interval},
    {"Data Type", &IagaHeader::dataType},
}};
struct NumberLabel {
    const char* text;
    std::optional<double> IagaHeader::*field;
};
constexpr std::array<NumberLabel, 3> kNumberLabels = {{
    {"Geodetic Latitude", &IagaHeader::latitude},
    {"Geodetic Longitude", &IagaHeader::longitude},
    {"Elevation", &IagaHeader::elevation},
}};

class Parser {
  public:
    Parser(const std::string& name, const IagaFile::Header& header, const IagaFile::Sink& sink)
        : name_(name), header_(header), sink_(sink) {}

    void line(std::string_view line);
    void finish() const;
    [[noreturn]] void tooLong() const {
        throw SourceError(name_ + ":" + std::to_string(number_ + 1) + ": line longer than " +
                          std::to_string(IagaFile::kMaxLineBytes) + " bytes");
    }
    const IagaHeader& header() const { return header_value_; }

  private:
    [[noreturn]] void refuse(const std::string& what) const {
        throw SourceError(name_ + ":" + std::to_string(number_) + ": " + what);
    }
    void headerLine(std::string_view line);
    void dataLine(std::string_view line);
    double value(std::string_view text, int column, IagaRecord& record) const;

    const std::string& name_;
    const IagaFile::Header& header_;
    const IagaFile::Sink& sink_;
    IagaHeader header_value_;
    std::size_t number_ = 0;
    bool inData_ = false;
    bool hasLast_ = false;
    std::int64_t last_ = 0;
};

void Parser::line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > IagaFile::kMaxLineBytes) tooLong();
    ++number_;
    if (number_ == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (trimSpaces(line).empty()) return;
    if (inData_)
        dataLine(line);
    else
        headerLine(line);
}

void Parser::headerLine(std::string_view line) {
    const std::string_view text = trimSpaces(line);
    if (text.starts_with("#")) return;  // a comment
    if (isColumnHeader(line)) {
        if (header_value_.format.empty())
            refuse(
                "expected the Format line (' Format                 IAGA-2002') before the "
                "column header");
        const auto w = words(withoutBar(line));
        if (w.size() != 7)
            refuse("expected the column header " + std::string(kColumnHeader) + ", found " +
                   std::to_string(w.size()) + " names");
        for (int i = 0; i < 4; ++i) header_value_.columns[i] = std::string(w[3 + i]);
        inData_ = true;
        if (header_) header_(header_value_);
        return;
    }
    for (const Label& label : kTextLabels) {
        if (!startsNoCase(text, label.text)) continue;
        const std::string_view value = withoutBar(text.substr(std::strlen(label.text)));
        if (label.field == &IagaHeader::format) {
            if (!startsNoCase(value, "IAGA-2002"))
                refuse("expected the format IAGA-2002, found '" + printable(value) + "'");
        }
        header_value_.*label.field = std::string(value);
        return;
    }
    for (const NumberLabel& label : kNumberLabels) {
        if (!startsNoCase(text, label.text)) continue;
        const std::string_view value = withoutBar(text.substr(std::strlen(label.text)));
        const auto number = parseNumber(value);
        if (number && std::isfinite(*number)) header_value_.*label.field = *number;
        return;
    }
    if (line.starts_with(" ")) return;  // a header line of another kind: nothing it says is used
    if (header_value_.format.empty())
        refuse("expected the Format line (' Format                 IAGA-2002'), found '" +
               printable(line) + "'");
    refuse("expected the column header " + std::string(kColumnHeader) +
           " before the data, found '" + printable(line) + "'");
}

double Parser::value(std::string_view text, int column, IagaRecord& record) const {
    const auto v = parseNumber(text);
    if (!v || !std::isfinite(*v))
        refuse("value " + std::to_string(column + 1) + " (" +
               printable(header_value_.columns[column]) + ") is not a number: '" + printable(text) +
               "'");
    if (*v == kMissingValue) {
        record.missing |= 1u << column;
        return 0.0;
    }
    if (*v == kNotRecordedValue) {
        record.notRecorded |= 1u << column;
        return 0.0;
    }
    return *v;
}

void Parser::dataLine(std::string_view line) {
    const auto w = words(line);
    if (w.size() != 7)
        refuse("expected a data line: date, time, day of year and four values, found " +
               std::to_string(w.size()) + " fields in '" + printable(line) + "'");
    char both[48];
    std::optional<std::int64_t> ms;
    if (w[0].size() + w[1].size() + 2 < sizeof both) {
        std::memcpy(both, w[0].data(), w[0].size());
        both[w[0].size()] = 'T';
        std::memcpy(both + w[0].size() + 1, w[1].data(), w[1].size());
        both[w[0].size() + w[1].size() + 1] = 'Z';
        ms = parseUtcMilliseconds({both, w[0].size() + w[1].size() + 2});
    }
    if (!ms)
        refuse("expected a date and time as 2018-09-01 23:00:00.000, found '" +
               printable(std::string(w[0]) + " " + std::string(w[1])) + "'");
    const auto doy = parseInteger(w[2]);
    if (!doy || *doy < 1 || *doy > 366)
        refuse("expected the day of year (1-366), found '" + printable(w[2]) + "'");
    if (hasLast_ && *ms <= last_)
        refuse(std::string(*ms == last_ ? "time repeats" : "time goes back") + ": " +
               printable(std::string(w[0]) + " " + std::string(w[1])) +
               "; expected each line later than the one before");
    IagaRecord record;
    record.ms = *ms;
    for (int i = 0; i < 4; ++i) record.value[i] = value(w[3 + i], i, record);
    hasLast_ = true;
    last_ = *ms;
    sink_(record);
}

void Parser::finish() const {
    if (inData_) return;
    if (header_value_.format.empty())
        throw SourceError(name_ + ": expected an IAGA-2002 file: no Format line");
    throw SourceError(name_ + ": expected the column header " + std::string(kColumnHeader) +
                      " after the header lines; the file has none");
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

bool IagaFile::recognise(std::string_view firstLine) {
    if (firstLine.starts_with(kByteOrderMark)) firstLine.remove_prefix(kByteOrderMark.size());
    if (isColumnHeader(firstLine)) return true;
    // Header lines start with a space and a label; a CSV recording starts with its columns.
    if (!firstLine.starts_with(" ")) return false;
    const std::string_view text = trimSpaces(firstLine);
    for (const Label& label : kTextLabels)
        if (startsNoCase(text, label.text)) return true;
    for (const NumberLabel& label : kNumberLabels)
        if (startsNoCase(text, label.text)) return true;
    return text.starts_with("#");
}

bool IagaFile::recogniseFile(const std::string& path) {
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    char buffer[512];
    const ssize_t n = ::pread(fd.get(), buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    std::string_view text(buffer, static_cast<std::size_t>(n));
    return recognise(text.substr(0, text.find('\n')));
}

bool IagaFile::scan(const std::string& path, const Header& header, const Sink& each,
                    const Stopped& stopped) {
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw SourceError("cannot open IAGA-2002 file " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw SourceError("IAGA-2002 file " + path + " is not a plain file");
    Parser parser(path, header, each);
    std::string partial;
    std::vector<char> buffer(65536);
    for (;;) {
        if (stopped && stopped()) return false;
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n > 0)
            splitLines({buffer.data(), static_cast<std::size_t>(n)}, partial, parser,
                       IagaFile::kMaxLineBytes);
        else if (n == 0)
            break;
        else if (errno != EINTR)
            throw SourceError("cannot read IAGA-2002 file " + path + ": " + std::strerror(errno));
    }
    if (!partial.empty()) parser.line(partial);
    parser.finish();
    return true;
}

IagaHeader IagaFile::parse(std::string_view text, const std::string& name, const Sink& each) {
    const Header none;
    Parser parser(name, none, each);
    std::string partial;
    splitLines(text, partial, parser, IagaFile::kMaxLineBytes);
    if (!partial.empty()) parser.line(partial);
    parser.finish();
    return parser.header();
}

}  // namespace heading
