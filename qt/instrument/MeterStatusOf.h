#pragma once

#include <string>

#include "remote/MeterStatus.h"

namespace heading {
class HeadingService;
}
namespace instrument {
class Instrument;
}

namespace platform::qt {

class SignalStatus;

// The meter's state as the remote view reports it. signal is null when there is no heading
// source; replayFile is the replayed file as given, empty for a live source.
remote::MeterStatus meterStatusOf(const heading::HeadingService& service,
                                  const SignalStatus* signal,
                                  const instrument::Instrument& instrument, bool recording,
                                  const std::string& replayFile = {});

}  // namespace platform::qt
