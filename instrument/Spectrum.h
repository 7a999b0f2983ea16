#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace instrument {

// What one analysis of the latest window of samples found.
struct Spectrum {
    enum class Status {
        Ready,       // figures and bins hold the analysis
        Collecting,  // fewer samples than one window yet
        TooSlow,     // under the lowest rate the analysis takes
        Irregular,   // the window's sample intervals vary too much to be treated as uniform
    };

    Status status = Status::Collecting;
    // Samples a second, from the median interval of the window's own timestamps; 0 when unknown.
    double rate = 0.0;
    // Samples in the window (a power of two) once the rate is known.
    std::size_t size = 0;
    // Bin k lies at hz[k] = k * rate / size, from 0 Hz to the Nyquist frequency.
    std::vector<double> hz;
    // Per axis (x, y, z), the field's RMS in each bin in µT, corrected for the window: the squares
    // of a band's bins add up to that band's mean square.
    std::array<std::vector<double>, 3> axes;
    // The RMS of the field's vector from the low edge to the Nyquist frequency, in µT.
    double acRms = 0.0;
    // The strongest frequency above the low edge, between bins; none when there is no AC.
    std::optional<double> dominantHz;

    bool ready() const { return status == Status::Ready; }
    // The vector's RMS in bin k, in µT.
    double total(std::size_t k) const;
};

// What a spectrum that is not ready lacks, in words for the user.
std::string_view describe(Spectrum::Status status);

// "ac_rms=1.480 dominant_hz=50.0" (µT, 3 decimals; Hz, 1 decimal), each "none" when unknown.
std::string summaryFields(const Spectrum& spectrum);

}  // namespace instrument
