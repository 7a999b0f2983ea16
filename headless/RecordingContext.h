#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/DrawingContext.h"

namespace platform::headless {

// One drawing operation with its arguments, exactly as the view passed them.
struct DrawOp {
    enum Kind {
        SaveGState,
        RestoreGState,
        SetLineWidth,
        SetGrayStrokeColor,
        SetRGBStrokeColor,
        BeginPath,
        MoveToPoint,
        AddLineToPoint,
        StrokePath,
        SetAllowsAntialiasing,
    };
    Kind kind;
    float args[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool flag = false;

    friend bool operator==(const DrawOp&, const DrawOp&) = default;
};

const char* drawOpName(DrawOp::Kind kind);
std::string describe(const DrawOp& op);

// Records every operation in order; draws nothing.
class RecordingContext : public DrawingContext {
  public:
    RecordingContext() { ops_.reserve(1024); }

    void saveGState() override { push({DrawOp::SaveGState}); }
    void restoreGState() override { push({DrawOp::RestoreGState}); }
    void setLineWidth(float width) override { push({DrawOp::SetLineWidth, {width}}); }
    void setGrayStrokeColor(float gray, float alpha) override {
        push({DrawOp::SetGrayStrokeColor, {gray, alpha}});
    }
    void setRGBStrokeColor(float r, float g, float b, float a) override {
        push({DrawOp::SetRGBStrokeColor, {r, g, b, a}});
    }
    void beginPath() override { push({DrawOp::BeginPath}); }
    void moveToPoint(float x, float y) override { push({DrawOp::MoveToPoint, {x, y}}); }
    void addLineToPoint(float x, float y) override { push({DrawOp::AddLineToPoint, {x, y}}); }
    void strokePath() override { push({DrawOp::StrokePath}); }
    void setAllowsAntialiasing(bool allows) override {
        DrawOp op{DrawOp::SetAllowsAntialiasing};
        op.flag = allows;
        push(op);
    }

    const std::vector<DrawOp>& ops() const { return ops_; }
    // Keeps the capacity, so that recording again allocates nothing.
    void clear() { ops_.clear(); }

  private:
    void push(const DrawOp& op) { ops_.push_back(op); }
    std::vector<DrawOp> ops_;
};

}  // namespace platform::headless
