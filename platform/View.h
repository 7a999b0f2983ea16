#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

namespace platform {

class View;
class DrawingContext;

// What about a view changed, so that its peer can follow.
enum class ViewChange {
    Geometry,
    Transform,
    Hidden,
    BackgroundColor,
    Display,
    Subviews,
    Text,
    Font,
    Value
};

// The platform's side of a view: a widget, or a headless record. A view tells its peer what
// changed; the peer reads the new state from the view.
class ViewPeer {
  public:
    virtual ~ViewPeer() = default;
    virtual void viewChanged(View& view, ViewChange change) = 0;
};

// A rectangle on screen with a place, a turn about its centre and a visibility. The view holds
// its own state so that the logic's arithmetic never depends on the platform's rounding.
class View : public std::enable_shared_from_this<View> {
  public:
    View();
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Bounding box, in the superview's coordinates, of the bounds turned about the centre.
    Rect frame() const;
    // Places the view so that its untransformed bounds fill r.
    void setFrame(const Rect& r);

    Point center() const { return center_; }
    void setCenter(Point center);

    AffineTransform transform() const { return transform_; }
    void setTransform(const AffineTransform& transform);

    // Origin (0, 0) and the view's own size.
    Rect bounds() const { return Rect{{0.0f, 0.0f}, size_}; }

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);

    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color);

    // Marks the view for redrawing; the platform merges requests and serves them later with one
    // drawRect.
    void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }

    // Draws the view into the current context. Views of the system's own override it.
    virtual void drawRect(const Rect& dirty);

    // Serves a pending redraw request into context: makes it current and calls drawRect once.
    void display(DrawingContext& context);

    // Where, in the bounds, the pixels that change from one redraw to the next lie now, over a
    // picture that stays put. A platform may then repaint only these areas and those they
    // covered when last drawn. Empty: anywhere, so a redraw repaints the whole view.
    virtual std::vector<Rect> changingAreas() const { return {}; }

    void addSubview(const std::shared_ptr<View>& view);
    void removeFromSuperview();
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    View* superview() const { return superview_; }

    // Converts a point given in the coordinates of the topmost ancestor into this view's.
    Point convertFromRoot(Point p) const;
    // The other way: a point in this view's coordinates into the topmost ancestor's.
    Point convertToRoot(Point p) const;

    // The name the interface file gave this view.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    void setPeer(std::shared_ptr<ViewPeer> peer);
    ViewPeer* peer() const { return peer_.get(); }

    // For the platform: the layout gave the view a new place or size. Tells the peer nothing.
    void platformSetGeometry(Point center, Size size);

  protected:
    void notify(ViewChange change);

  private:
    Point center_;
    Size size_;
    AffineTransform transform_;
    bool hidden_ = false;
    bool needsDisplay_ = false;
    Color backgroundColor_ = Color::clear();
    std::string name_;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::shared_ptr<ViewPeer> peer_;
};

}  // namespace platform
