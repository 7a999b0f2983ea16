#include "app/run/SourcePart.h"

#include <utility>

#include "app/run/Run.h"
#include "heading/SourceError.h"

namespace app {

SourcePart::SourcePart(const heading::SourceOptions& options, heading::HeadingService& service,
                       heading::Post post) try
    : signal_(service), session_(options, service, std::move(post)) {
} catch (const heading::SourceError& e) {
    throw StartError(e.what());
}

SourcePart::~SourcePart() {
    discardUnlessStarted();
}

void SourcePart::start() {
    try {
        session_.start();
    } catch (const heading::SourceError& e) {
        throw StartError(e.what());
    }
    started_ = true;
}

void SourcePart::discardUnlessStarted() {
    if (!started_) session_.discardRecording();
}

}  // namespace app
