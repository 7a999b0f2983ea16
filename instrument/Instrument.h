#pragma once

#include "heading/Heading.h"
#include "heading/SampleStage.h"
#include "instrument/Reference.h"
#include "instrument/Statistics.h"
#include "instrument/Units.h"

namespace instrument {

// The meter as an instrument: hold, zero, the extremes since a reset and the unit. A stage on the
// samples' way to the screens: it sees every sample, keeps its figures, and says how the screens
// are to show the sample. It never changes the sample's field, so the alarm, and anything that
// took the sample before it (the recorder, the remote view), get the field as measured.
class Instrument : public heading::SampleStage {
  public:
    // Every sample, in order, before the sinks and the screens get it.
    void present(heading::Heading& heading);
    void complete(heading::Heading& sample) override { present(sample); }

    void setHeld(bool held) { held_ = held; }
    bool held() const { return held_; }

    // Zero on the last samples; false when none has come.
    bool zero();
    void clearZero() { reference_.clear(); }
    bool relative() const { return reference_.reference().has_value(); }
    const Reference& reference() const { return reference_; }

    void setUnit(Unit unit) { unit_ = unit; }
    Unit unit() const { return unit_; }

    // Since the last resetStatistics (the strip).
    const Statistics& statistics() const { return statistics_; }
    void resetStatistics() { statistics_.reset(); }
    // Over the whole run (the summary at exit).
    const Statistics& run() const { return run_; }

  private:
    Reference reference_;
    Statistics statistics_;
    Statistics run_;
    Unit unit_ = Unit::Microtesla;
    bool held_ = false;
};

}  // namespace instrument
