#include "app/TrueNorthChoice.h"

#include "heading/SourceChoice.h"

namespace app {

bool fillsTrueNorth(const heading::SourceOptions& source) {
    return !source.declination;
}

bool asksLocationService(const heading::SourceOptions& source,
                         const std::optional<heading::Location>& location, bool headingAvailable) {
    return fillsTrueNorth(source) && !location && headingAvailable &&
           heading::parseSourceChoice(source.spec).kind != heading::SourceChoice::Kind::Replay;
}

}  // namespace app
