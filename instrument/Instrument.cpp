#include "instrument/Instrument.h"

namespace instrument {

void Instrument::present(heading::Heading& heading) {
    const heading::Vector3 field{heading.x, heading.y, heading.z};
    reference_.add(field);
    statistics_.add(field, heading.timestamp);
    run_.add(field, heading.timestamp);

    heading::Presentation& shown = heading.shown;
    shown.held = held_;
    if (const auto& r = reference_.reference()) {
        shown.relative = true;
        shown.x0 = r->x;
        shown.y0 = r->y;
        shown.z0 = r->z;
    }
    // Microtesla is what the screens write of their own.
    if (unit_ != Unit::Microtesla) shown.unit = &fieldUnit(unit_);
}

bool Instrument::zero() {
    return reference_.capture();
}

}  // namespace instrument
