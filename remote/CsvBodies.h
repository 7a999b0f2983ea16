#pragma once

#include <QFile>
#include <cstdint>

#include "remote/BodySource.h"
#include "remote/SessionRing.h"

namespace remote {

// The session held in memory, in the replay format, from the samples the ring holds when the
// download starts up to the last one delivered by then. Fails when the ring lets go of a sample
// before it was sent (a download slower than the ring's ten minutes).
class RingCsvBody : public BodySource {
  public:
    RingCsvBody(const SessionRing& ring);
    QByteArray next(bool& failed) override;

  private:
    static constexpr std::uint64_t kLinesPerPiece = 2048;

    const SessionRing& ring_;
    std::uint64_t next_;
    std::uint64_t end_;
    bool headerSent_ = false;
    bool gravity_ = false;
};

// The recording file as it stands when the download starts (its first size bytes).
class FileBody : public BodySource {
  public:
    FileBody(const QString& path, qint64 size);
    bool isOpen() const { return file_.isOpen(); }
    QByteArray next(bool& failed) override;

  private:
    QFile file_;
    qint64 remaining_;
};

}  // namespace remote
