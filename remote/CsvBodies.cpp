#include "remote/CsvBodies.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "heading/replay/ReplayFormat.h"
#include "heading/replay/ReplayLine.h"

namespace remote {

RingCsvBody::RingCsvBody(const SessionRing& ring)
    : ring_(ring), next_(ring.firstSequence()), end_(ring.nextSequence()) {}

QByteArray RingCsvBody::next(bool& failed) {
    QByteArray out;
    if (!headerSent_) {
        headerSent_ = true;
        // The samples themselves tell whether the source has an accelerometer.
        for (std::uint64_t s = next_; s < end_ && !gravity_; ++s)
            if (const auto* h = ring_.at(s)) gravity_ = heading::carriesGravity(*h);
        out = QByteArray(heading::replayHeader(gravity_)) + '\n';
    }
    const std::uint64_t stop = std::min(end_, next_ + kLinesPerPiece);
    out.reserve(out.size() + static_cast<qsizetype>((stop - next_) * 120));
    char line[heading::kReplayLineBytes];
    for (; next_ < stop; ++next_) {
        const heading::Heading* h = ring_.at(next_);
        if (!h) {
            failed = true;
            return {};
        }
        out.append(line, static_cast<qsizetype>(
                             heading::formatReplayLine(line, h->timestamp, *h, gravity_)));
    }
    return out;
}

FileBody::FileBody(int fd, qint64 length)
    : fd_(fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0)), length_(length) {}

FileBody::~FileBody() {
    if (fd_ >= 0) ::close(fd_);
}

QByteArray FileBody::next(bool& failed) {
    if (offset_ >= length_) return {};
    QByteArray piece(static_cast<qsizetype>(std::min<qint64>(length_ - offset_, 64 * 1024)),
                     Qt::Uninitialized);
    ssize_t n;
    do {
        n = ::pread(fd_, piece.data(), static_cast<std::size_t>(piece.size()), offset_);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        failed = true;  // the file shrank or could not be read
        return {};
    }
    piece.truncate(static_cast<qsizetype>(n));
    offset_ += n;
    return piece;
}

}  // namespace remote
