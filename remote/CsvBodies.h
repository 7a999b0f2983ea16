#pragma once

#include <QByteArray>
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

// The first length bytes of an open file, read from a copy of its descriptor, so the download
// outlives neither the file's name nor the recorder's own descriptor.
class FileBody : public BodySource {
  public:
    FileBody(int fd, qint64 length);
    ~FileBody() override;
    FileBody(const FileBody&) = delete;
    FileBody& operator=(const FileBody&) = delete;
    bool isOpen() const { return fd_ >= 0; }
    QByteArray next(bool& failed) override;

  private:
    int fd_;
    qint64 offset_ = 0;
    qint64 length_;
};

}  // namespace remote
