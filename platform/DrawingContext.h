#pragma once

// The drawing operations a view uses inside drawRect. Coordinates, widths and colour
// components are single precision. The current path is not part of the saved state.

namespace platform {

class DrawingContext {
  public:
    virtual ~DrawingContext() = default;

    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;
    virtual void setLineWidth(float width) = 0;
    virtual void setGrayStrokeColor(float gray, float alpha) = 0;
    virtual void setRGBStrokeColor(float red, float green, float blue, float alpha) = 0;
    virtual void beginPath() = 0;
    virtual void moveToPoint(float x, float y) = 0;
    virtual void addLineToPoint(float x, float y) = 0;
    virtual void strokePath() = 0;
    virtual void setAllowsAntialiasing(bool allows) = 0;
};

// The context that the platform made current for the drawRect being served, or null outside one.
DrawingContext* graphicsGetCurrentContext();

// Makes a context current for the lifetime of the scope; scopes nest.
class CurrentContextScope {
  public:
    explicit CurrentContextScope(DrawingContext& context);
    ~CurrentContextScope();
    CurrentContextScope(const CurrentContextScope&) = delete;
    CurrentContextScope& operator=(const CurrentContextScope&) = delete;

  private:
    DrawingContext* previous_;
};

}  // namespace platform
