#include "instrument/SpectrumAnalyser.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <unsupported/Eigen/FFT>

namespace instrument {

namespace {

// Timestamps of exactly the lowest rate may give an interval a rounding longer.
bool fastEnough(double rate) {
    return rate >= SpectrumAnalyser::kMinimumRate * (1.0 - 1e-9);
}

}  // namespace

struct SpectrumAnalyser::Fft {
    Fft() { fft.SetFlag(Eigen::FFT<double>::HalfSpectrum); }

    Eigen::FFT<double> fft;
    std::vector<double> input;
    std::vector<std::complex<double>> bins;
};

SpectrumAnalyser::SpectrumAnalyser() : fft_(std::make_unique<Fft>()) {}

SpectrumAnalyser::~SpectrumAnalyser() = default;

std::size_t SpectrumAnalyser::windowSizeFor(double rate) {
    std::size_t n = 2;
    while (static_cast<double>(n) < rate && n < SampleWindow::kCapacity) n *= 2;
    return n;
}

double SpectrumAnalyser::medianRate(const SampleWindow& samples, std::size_t n) {
    intervals_.resize(n - 1);
    for (std::size_t i = 1; i < n; ++i)
        intervals_[i - 1] = samples.last(n, i).t - samples.last(n, i - 1).t;
    const auto middle = intervals_.begin() + static_cast<std::ptrdiff_t>(intervals_.size() / 2);
    std::nth_element(intervals_.begin(), middle, intervals_.end());
    const double median = *middle;
    return median > 0.0 && std::isfinite(median) ? 1.0 / median : 0.0;
}

bool SpectrumAnalyser::regular(const SampleWindow& samples, std::size_t n, double rate) const {
    const double interval = 1.0 / rate;
    const double spread = kIntervalSpread * interval;
    for (std::size_t i = 1; i < n; ++i) {
        const double d = samples.last(n, i).t - samples.last(n, i - 1).t;
        if (!(std::abs(d - interval) <= spread)) return false;  // NaN too
    }
    return true;
}

const Spectrum& SpectrumAnalyser::analyse(const SampleWindow& samples) {
    Spectrum& r = result_;
    r.status = Spectrum::Status::Collecting;
    r.rate = 0.0;
    r.size = 0;
    r.hz.clear();
    for (auto& axis : r.axes) axis.clear();
    r.acRms = 0.0;
    r.dominantHz.reset();

    const std::size_t available = samples.size();
    if (available < 2) return r;
    // The latest few intervals choose the window; the window's own then give the rate.
    constexpr std::size_t kFirstGuess = 33;
    double rate = medianRate(samples, std::min(available, kFirstGuess));
    std::size_t n = windowSizeFor(rate);
    for (int pass = 0; pass < 2 && fastEnough(rate); ++pass) {
        if (available < n) {
            r.rate = rate;
            r.size = n;
            return r;
        }
        rate = medianRate(samples, n);
        const std::size_t fit = windowSizeFor(rate);
        if (fit == n || pass == 1) break;
        n = fit;
    }
    r.rate = rate;
    if (rate <= 0.0) {
        r.status = Spectrum::Status::Irregular;
        return r;
    }
    if (!fastEnough(rate)) {
        r.status = Spectrum::Status::TooSlow;
        return r;
    }
    r.size = n;
    if (!regular(samples, n, rate)) {
        r.status = Spectrum::Status::Irregular;
        return r;
    }
    transform(samples, n);
    r.status = Spectrum::Status::Ready;
    return r;
}

void SpectrumAnalyser::transform(const SampleWindow& samples, std::size_t n) {
    Spectrum& r = result_;
    const std::size_t half = n / 2;
    if (hann_.size() != n) {
        hann_.resize(n);
        hannPower_ = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            hann_[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                            static_cast<double>(n));
            hannPower_ += hann_[i] * hann_[i];
        }
        const double m = static_cast<double>(n);
        lineSpread_ = m * (m * m - 1.0) / 12.0;  // the sum of (i - centre)²
    }
    r.hz.resize(half + 1);
    for (std::size_t k = 0; k <= half; ++k)
        r.hz[k] = static_cast<double>(k) * r.rate / static_cast<double>(n);
    power_.assign(half + 1, 0.0);

    // Parseval: a band's mean square is the sum of its bins' |X|², over n and the window's
    // power; every bin but 0 and the Nyquist one stands for its negative twin as well.
    const double scale = 1.0 / (static_cast<double>(n) * hannPower_);
    Fft& f = *fft_;
    f.input.resize(n);
    f.bins.resize(half + 1);
    for (std::size_t a = 0; a < 3; ++a) {
        auto value = [&](std::size_t i) {
            const TimedSample& s = samples.last(n, i);
            return a == 0 ? s.x : a == 1 ? s.y : s.z;
        };
        // Less the mean and the straight line through the window: a probe carried along, or a
        // field drifting, would otherwise leak into the lowest bins of the band.
        const double centre = 0.5 * static_cast<double>(n - 1);
        double mean = 0.0, slope = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double v = value(i);
            mean += v;
            slope += (static_cast<double>(i) - centre) * v;
        }
        mean /= static_cast<double>(n);
        slope /= lineSpread_;
        for (std::size_t i = 0; i < n; ++i)
            f.input[i] = (value(i) - mean - slope * (static_cast<double>(i) - centre)) * hann_[i];
        f.fft.fwd(f.bins.data(), f.input.data(), static_cast<Eigen::Index>(n));
        std::vector<double>& axis = r.axes[a];
        axis.resize(half + 1);
        for (std::size_t k = 0; k <= half; ++k) {
            const double p = std::norm(f.bins[k]) * scale * (k == 0 || k == half ? 1.0 : 2.0);
            axis[k] = std::sqrt(p);
            power_[k] += p;
        }
    }

    const auto low =
        static_cast<std::size_t>(std::ceil(kLowEdgeHz * static_cast<double>(n) / r.rate));
    double band = 0.0;
    std::size_t strongest = low;
    for (std::size_t k = low; k <= half; ++k) {
        band += power_[k];
        if (power_[k] > power_[strongest]) strongest = k;
    }
    r.acRms = std::sqrt(band);
    if (r.acRms < 0.5 * resolution_) r.acRms = 0.0;  // no phantom below what the source resolves
    if (r.acRms < kLeastAcRms || strongest > half) return;

    // Between bins: the vertex of a parabola through the logarithms of the peak and its
    // neighbours, which for a Hann window lands within a few hundredths of a bin.
    double offset = 0.0;
    if (strongest + 1 <= half && power_[strongest - 1] > 0.0 && power_[strongest + 1] > 0.0) {
        const double before = std::log(power_[strongest - 1]);
        const double peak = std::log(power_[strongest]);
        const double after = std::log(power_[strongest + 1]);
        const double curve = before - 2.0 * peak + after;
        if (curve < 0.0) offset = std::clamp(0.5 * (before - after) / curve, -0.5, 0.5);
    }
    r.dominantHz = (static_cast<double>(strongest) + offset) * r.rate / static_cast<double>(n);
}

}  // namespace instrument
