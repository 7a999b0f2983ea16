#pragma once

#include <QByteArray>

namespace remote {

// A response body made piece by piece as the client takes it, so that a large download neither
// sits whole in memory nor holds up the main loop.
class BodySource {
  public:
    virtual ~BodySource() = default;
    // The next piece, empty at the end. Sets failed when the body cannot be finished (the
    // connection is then cut, so the client sees a short download rather than a false whole).
    virtual QByteArray next(bool& failed) = 0;
};

}  // namespace remote
