#include "remote/CsvBodies.h"

#include <algorithm>

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

FileBody::FileBody(const QString& path, qint64 size) : file_(path), remaining_(size) {
    if (!file_.open(QIODevice::ReadOnly)) remaining_ = 0;
}

QByteArray FileBody::next(bool& failed) {
    if (remaining_ <= 0) return {};
    const QByteArray piece = file_.read(std::min<qint64>(remaining_, 64 * 1024));
    if (piece.isEmpty()) {
        failed = true;  // the file shrank or could not be read
        return {};
    }
    remaining_ -= piece.size();
    return piece;
}

}  // namespace remote
