#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "heading/Heading.h"
#include "heading/HeadingHub.h"
#include "heading/SampleSink.h"
#include "heading/SampleStage.h"
#include "heading/calibration/Calibration.h"
#include "heading/calibration/CalibrationTap.h"

namespace heading {

// The stations a sample passes before the attached sinks, none of them owned (each must outlive
// the road), in the order they are added; a null one is left out. It holds no meaning of its
// own: the app says which station comes where (app::RoadStations).
class Road {
  public:
    // While engaged it takes the sample as the source gave it, and the sample goes no further.
    Road& tap(calibration::CalibrationTap* tap) {
        if (tap) tap_ = tap;
        return *this;
    }
    // Completes the corrected sample before any sink sees it; every stage comes before the sinks.
    Road& stage(SampleStage* stage) {
        if (stage) stages_.push_back(stage);
        return *this;
    }
    // Gets the completed sample and every error, before the attached sinks.
    Road& sink(SampleSink* sink) {
        if (sink) sinks_.push_back(sink);
        return *this;
    }

    calibration::CalibrationTap* tap() const { return tap_; }
    const std::vector<SampleStage*>& stages() const { return stages_; }
    const std::vector<SampleSink*>& sinks() const { return sinks_; }

  private:
    calibration::CalibrationTap* tap_ = nullptr;
    std::vector<SampleStage*> stages_;
    std::vector<SampleSink*> sinks_;
};

// The process's one heading service: runs every sample, on the main thread and in order, down
// the road the app lays, and hands it and every error at the end to every sink attached (the
// location managers that have started updates). A sink attached during a delivery gets the next
// sample; one detached or gone during a delivery gets no more.
class HeadingService : public HeadingHub {
  public:
    HeadingService() = default;
    ~HeadingService() override;
    HeadingService(const HeadingService&) = delete;
    HeadingService& operator=(const HeadingService&) = delete;

    bool headingAvailable() const override { return available_; }
    void setHeadingAvailable(bool available) { available_ = available; }

    void attach(SampleSink& sink) override;
    void detach(SampleSink& sink) override;

    // Main thread only.
    void deliver(const Heading& heading);
    void fail(const LocationError& error);

    // Replaces the road; an empty one leaves only the correction and the attached sinks.
    void layRoad(Road road) { road_ = std::move(road); }

    // Every sample past the tap is corrected with this first.
    void setCorrection(std::optional<calibration::Calibration> correction) {
        correction_ = std::move(correction);
    }
    const std::optional<calibration::Calibration>& correction() const { return correction_; }

    bool calibrating() const { return road_.tap() && road_.tap()->engaged(); }

    // Samples a second the source's device is set to give, when it says.
    void setSourceRate(std::optional<double> hz) { sourceRate_ = hz; }
    std::optional<double> sourceRate() const { return sourceRate_; }

    std::uint64_t samplesDelivered() const { return samples_; }
    // Samples a source let go because the main thread fell behind; any thread.
    void countDropped(std::uint64_t n) { dropped_.fetch_add(n, std::memory_order_relaxed); }
    std::uint64_t samplesDropped() const { return dropped_.load(std::memory_order_relaxed); }
    std::uint64_t deliveries() const { return deliveries_; }
    std::size_t listenerCount() const;

  private:
    void compact();

    Road road_;
    std::vector<SampleSink*> attached_;
    std::optional<calibration::Calibration> correction_;
    std::optional<double> sourceRate_;
    std::uint64_t samples_ = 0;
    std::atomic<std::uint64_t> dropped_{0};
    std::uint64_t deliveries_ = 0;
    int delivering_ = 0;
    bool available_ = true;
};

}  // namespace heading
