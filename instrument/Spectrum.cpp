#include "instrument/Spectrum.h"

#include <cmath>

#include "platform/Format.h"

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
    std::string rms = "none";
    std::string hz = "none";
    if (spectrum.ready()) {
        rms = platform::format("%.3f", spectrum.acRms);
        if (spectrum.dominantHz) hz = platform::format("%.1f", *spectrum.dominantHz);
    }
    return "ac_rms=" + rms + " dominant_hz=" + hz;
}

}  // namespace instrument
