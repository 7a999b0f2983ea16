#include "instrument/Spectrum.h"

#include <cmath>
#include <cstdio>

namespace instrument {

double Spectrum::total(std::size_t k) const {
    const double x = axes[0][k], y = axes[1][k], z = axes[2][k];
    return std::sqrt(x * x + y * y + z * z);
}

std::string_view describe(Spectrum::Status status) {
    switch (status) {
        case Spectrum::Status::Ready:
            return "";
        case Spectrum::Status::Collecting:
            return "AC needs a second of samples first";
        case Spectrum::Status::TooSlow:
            return "AC needs at least 20 samples a second";
        case Spectrum::Status::Irregular:
            return "AC needs evenly spaced samples; these vary by more than 10%";
    }
    return "";
}

std::string summaryFields(const Spectrum& spectrum) {
    char rms[32] = "none";
    char hz[32] = "none";
    if (spectrum.ready()) {
        std::snprintf(rms, sizeof rms, "%.3f", spectrum.acRms);
        if (spectrum.dominantHz) std::snprintf(hz, sizeof hz, "%.1f", *spectrum.dominantHz);
    }
    return std::string("ac_rms=") + rms + " dominant_hz=" + hz;
}

}  // namespace instrument
