#pragma once

#include <array>
#include <cstdint>

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

    // The grid lines and the centre line.
    void drawGraphInContext(platform::DrawingContext& context, platform::Rect bounds);
    // One trace of axis (0 x, 1 y, 2 z), oldest row first from fromIndex (taken modulo 150).
    void drawHistory(std::uint32_t axis, std::uint32_t fromIndex, platform::DrawingContext& context,
                     platform::Rect bounds);

    std::uint32_t nextIndex() const { return nextIndex_; }
    double history(std::uint32_t row, std::uint32_t axis) const { return history_[row][axis]; }

  private:
    std::uint32_t nextIndex_ = 0;
    std::array<std::array<double, 3>, kRows> history_{};
};

}  // namespace graph
