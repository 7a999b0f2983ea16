#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/DrawingContext.h"
#include "platform/View.h"

namespace graph {

// The last 150 three-axis samples in a fixed ring inside the object, plotted as three traces
// (x red, y green, z blue) over a fixed grid: +128 µT at the top edge, -128 µT at the bottom.
// Appending is constant-time and allocates nothing; drawing allocates nothing either.
class GraphView : public platform::View {
  public:
    static constexpr std::uint32_t kRows = 150;

    // Stores the sample in the oldest row and asks for a redraw.
    void updateHistoryWithX(double x, double y, double z);

    void drawRect(const platform::Rect& dirty) override;
    // A band the full width of the view for each trace, from its highest to its lowest point
    // and a stroke's width beyond; the grid stays put.
    std::vector<platform::Rect> changingAreas() const override;

    // The grid lines and the centre line.
    void drawGraphInContext(platform::DrawingContext& context, platform::Rect bounds);
    // One trace of axis (0 x, 1 y, 2 z), oldest row first from fromIndex (taken modulo 150).
    void drawHistory(std::uint32_t axis, std::uint32_t fromIndex, platform::DrawingContext& context,
                     platform::Rect bounds);

    std::uint32_t nextIndex() const { return nextIndex_; }
    double history(std::uint32_t row, std::uint32_t axis) const { return history_[row][axis]; }

  private:
    // Where drawHistory puts row i of a trace from fromIndex, in bounds.
    static float rowX(std::uint32_t i, platform::Rect bounds);
    static float valueY(double v, platform::Rect bounds);

    std::uint32_t nextIndex_ = 0;
    std::array<std::array<double, 3>, kRows> history_{};
};

}  // namespace graph
