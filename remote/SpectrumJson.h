#pragma once

#include <string>

#include "instrument/Spectrum.h"

namespace remote {

// {"status":"ready","rate":…,"size":…,"hz":[…],"x":[…],"y":[…],"z":[…],"ac_rms":…,
// "dominant_hz":…}: the bins in µT rms. A spectrum that is not ready has empty lists, null
// figures and a "message" saying what it lacks.
std::string spectrumJson(const instrument::Spectrum& spectrum);

}  // namespace remote
