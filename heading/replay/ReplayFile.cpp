#include "heading/replay/ReplayFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "heading/Numbers.h"
#include "heading/SourceError.h"
#include "heading/replay/LineSplit.h"
#include "heading/replay/ReplayFormat.h"

namespace heading {

namespace {

constexpr std::array<const char*, 9> kColumns = {"t",           "x",  "y",  "z", "magneticHeading",
                                                 "trueHeading", "gx", "gy", "gz"};
constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

std::string where(const std::string& name, std::size_t line) {
    return name + ":" + std::to_string(line) + ": ";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Checks lines one at a time, so that a file is refused at its first bad line without the rest
// being read.
class Parser {
  public:
    Parser(const std::string& name, std::size_t maxSamples, const ReplayFile::Sink& sink)
        : name_(name), maxSamples_(maxSamples), sink_(sink) {}

    void line(std::string_view line);
    void finish() const;
    [[noreturn]] void tooLong() const {
        throw SourceError(where(name_, lineNumber_ + 1) + "line longer than " +
                          std::to_string(ReplayFile::kMaxLineBytes) + " bytes");
    }

  private:
    [[noreturn]] void refuse(const std::string& what) const {
        throw SourceError(where(name_, lineNumber_) + what);
    }
    void check(const heading::Heading& h) const;

    const std::string& name_;
    std::size_t maxSamples_;
    const ReplayFile::Sink& sink_;
    std::size_t lineNumber_ = 0;
    std::size_t columns_ = 0;  // 6 or 9 once the header is read
    std::size_t count_ = 0;
    double firstT_ = 0.0, lastT_ = 0.0;
};

void Parser::line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > ReplayFile::kMaxLineBytes) tooLong();
    ++lineNumber_;
    // Spreadsheets start their CSV files with a byte order mark.
    if (lineNumber_ == 1 && line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    if (trimSpaces(line).empty()) return;

    if (columns_ == 0) {
        const std::string_view header = trimSpaces(line);
        if (header == kReplayHeader)
            columns_ = 6;
        else if (header == kReplayHeaderWithGravity)
            columns_ = 9;
        else
            refuse("expected the header " + std::string(kReplayHeader) + " or " +
                   kReplayHeaderWithGravity + ", found '" + printable(line) + "'");
        return;
    }

    std::array<double, kColumns.size()> values{};
    std::size_t count = 0;
    std::string_view rest = line;
    for (;;) {
        const auto comma = rest.find(',');
        const std::string_view field = rest.substr(0, comma);
        if (count < columns_) {
            const auto value = parseNumber(field);
            if (value && !std::isfinite(*value))
                refuse(std::string(kColumns[count]) +
                       " is not a finite number: " + printable(trimSpaces(field)));
            if (!value) {
                // A short line is better told by its count than by its first bad field.
                const auto fields =
                    static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
                if (fields != columns_)
                    refuse("expected " + std::to_string(columns_) +
                           " comma-separated numbers, found " + std::to_string(fields));
                refuse(std::string(kColumns[count]) + " is not a number: '" +
                       printable(trimSpaces(field)) + "'");
            }
            values[count] = *value;
        }
        ++count;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (count != columns_)
        refuse("expected " + std::to_string(columns_) + " comma-separated numbers, found " +
               std::to_string(count));

    heading::Heading h;
    h.timestamp = values[0];
    h.x = values[1];
    h.y = values[2];
    h.z = values[3];
    h.magneticHeading = values[4];
    h.trueHeading = values[5];
    h.gravityX = values[6];
    h.gravityY = values[7];
    h.gravityZ = values[8];
    check(h);
    if (count_ >= maxSamples_)
        refuse("more than " + std::to_string(maxSamples_) + " samples; a replay holds at most " +
               std::to_string(maxSamples_));
    if (count_++ == 0) firstT_ = h.timestamp;
    lastT_ = h.timestamp;
    sink_(h);
}

void Parser::check(const heading::Heading& h) const {
    if (count_ > 0 && h.timestamp < lastT_)
        refuse("t goes backwards: " + number(h.timestamp) + " after " + number(lastT_));
    // Beyond this a wait no longer fits the clock, and no session lasts that long.
    if (count_ > 0 && !(h.timestamp - firstT_ <= ReplayFile::kMaxSpan))
        refuse("t is more than " + number(ReplayFile::kMaxSpan) +
               " s after the first sample: " + number(h.timestamp));
    if (!(h.magneticHeading >= 0.0 && h.magneticHeading < 360.0))
        refuse("magneticHeading must lie in [0, 360) degrees, found " + number(h.magneticHeading));
    if (!(h.trueHeading >= 0.0 && h.trueHeading < 360.0) && h.trueHeading != -1.0)
        refuse("trueHeading must lie in [0, 360) degrees or be -1 (unknown), found " +
               number(h.trueHeading));
}

void Parser::finish() const {
    if (columns_ == 0)
        throw SourceError(name_ + ": the file is empty; expected the header " +
                          std::string(kReplayHeader) + " or " + kReplayHeaderWithGravity);
}

class File {
  public:
    explicit File(int fd) : fd_(fd) {}
    ~File() { ::close(fd_); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

const char* kindOf(mode_t mode) {
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

}  // namespace

bool ReplayFile::scan(const std::string& path, const Sink& each, const Stopped& stopped,
                      std::size_t maxSamples) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw SourceError("cannot open replay file " + path + ": " + std::strerror(errno));
    const File file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw SourceError("cannot read replay file " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw SourceError("cannot read replay file " + path + ": " + std::strerror(EISDIR));
    // A device such as /dev/zero never ends; a file or a pipe does.
    if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode))
        throw SourceError("replay file " + path + " is " + kindOf(info.st_mode) +
                          "; expected a file or a FIFO");

    Parser parser(path, maxSamples, each);
    std::string partial;
    char buffer[65536];
    for (;;) {
        if (stopped && stopped()) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            splitLines({buffer, static_cast<std::size_t>(n)}, partial, parser,
                       ReplayFile::kMaxLineBytes);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            throw SourceError("cannot read replay file " + path + ": " + std::strerror(errno));
        }
    }
    if (!partial.empty()) parser.line(partial);
    parser.finish();
    return true;
}

std::vector<heading::Heading> ReplayFile::read(const std::string& path, std::size_t maxSamples) {
    std::vector<heading::Heading> samples;
    scan(
        path, [&samples](const heading::Heading& h) { samples.push_back(h); }, {}, maxSamples);
    return samples;
}

std::vector<heading::Heading> ReplayFile::parse(std::string_view text, const std::string& name,
                                                std::size_t maxSamples) {
    std::vector<heading::Heading> samples;
    const Sink keep = [&samples](const heading::Heading& h) { samples.push_back(h); };
    Parser parser(name, maxSamples, keep);
    std::string partial;
    splitLines(text, partial, parser, ReplayFile::kMaxLineBytes);
    if (!partial.empty()) parser.line(partial);
    parser.finish();
    return samples;
}

}  // namespace heading
