#include "headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstdio>

#include "platform/InterfaceError.h"
#include "platform/Launcher.h"
#include "platform/LocationManager.h"

namespace platform::headless {

InterfaceDefinition& InterfaceDefinition::remove(const std::string& name) {
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [&](const InterfaceObject& o) { return o.name == name; }),
                  objects.end());
    return *this;
}

struct TimerRecord {
    double interval = 0.0;
    double due = 0.0;
    bool repeats = false;
    bool valid = true;
    std::function<void()> tick;
};

namespace {

// Tells the platform what its view showed, for as long as the platform exists.
class RecordingPeer : public ViewPeer {
  public:
    explicit RecordingPeer(std::shared_ptr<HeadlessPlatform*> platform)
        : platform_(std::move(platform)) {}
    void viewChanged(View& view, ViewChange change) override {
        if (*platform_) (*platform_)->record(view, change);
    }

  private:
    std::shared_ptr<HeadlessPlatform*> platform_;
};

class HeadlessTimer : public Timer {
  public:
    explicit HeadlessTimer(std::shared_ptr<TimerRecord> record) : record_(std::move(record)) {}
    void invalidate() override {
        record_->valid = false;
        record_->tick = nullptr;
    }
    bool isValid() const override { return record_->valid; }
    double timeInterval() const override { return record_->interval; }

  private:
    std::shared_ptr<TimerRecord> record_;
};

class HeadlessSound : public Sound {
  public:
    HeadlessSound(std::shared_ptr<int> played, std::shared_ptr<int> alive)
        : played_(std::move(played)), alive_(std::move(alive)) {
        ++*alive_;
    }
    ~HeadlessSound() override { --*alive_; }
    void play() override { ++*played_; }

  private:
    std::shared_ptr<int> played_;
    std::shared_ptr<int> alive_;
};

std::string describeFont(const Font& font) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %.1f", static_cast<double>(font.size));
    return font.name + buf;
}

std::string describeColor(const Color& c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g %g %g %g", static_cast<double>(c.red),
                  static_cast<double>(c.green), static_cast<double>(c.blue),
                  static_cast<double>(c.alpha));
    return buf;
}

}  // namespace

HeadlessPlatform::HeadlessPlatform() {
    resources_["beep.wav"] = true;
}

HeadlessPlatform::~HeadlessPlatform() {
    for (auto& weak : views_)
        if (auto v = weak.lock()) v->setPeer(nullptr);
}

void HeadlessPlatform::defineInterface(const std::string& name, InterfaceDefinition definition) {
    interfaces_[name] = std::move(definition);
}

void HeadlessPlatform::setMainInterface(std::string delegateClass, std::string controllerClass,
                                        std::string controllerNib, Size windowSize) {
    main_ = MainInterface{nullptr, std::move(delegateClass), std::move(controllerClass),
                          std::move(controllerNib)};
    windowSize_ = windowSize;
}

void HeadlessPlatform::setResource(const std::string& name, const std::string& type, bool present) {
    resources_[name + "." + type] = present;
}

std::shared_ptr<ApplicationDelegate> HeadlessPlatform::launch(const ClassRegistry& classes) {
    return launchApplication(*this, classes);
}

void HeadlessPlatform::deliverHeading(double x, double y, double z, double magnetic,
                                      double trueHeading) {
    service_.deliver(heading::Heading::of(x, y, z, magnetic, trueHeading));
}

void HeadlessPlatform::failWithError(int code) {
    service_.fail(heading::LocationError{
        code, code == heading::LocationError::kDenied ? "access denied" : "reading failed"});
}

MainInterface HeadlessPlatform::loadMainInterface() {
    if (!main_) throw InterfaceError("main interface file: not defined");
    MainInterface main = *main_;
    auto window = std::make_shared<Window>();
    window->setName("window");
    window->platformSetGeometry({windowSize_.width / 2.0f, windowSize_.height / 2.0f}, windowSize_);
    window->setHidden(true);
    auto self = std::make_shared<HeadlessPlatform*>(this);
    window->setPeer(std::make_shared<RecordingPeer>(self));
    views_.push_back(window);
    main.window = window;
    return main;
}

std::shared_ptr<View> HeadlessPlatform::loadInterface(const std::string& nibName,
                                                      ViewController& owner) {
    auto it = interfaces_.find(nibName);
    if (it == interfaces_.end())
        throw InterfaceError("interface file '" + nibName + "': not found");
    const InterfaceDefinition& def = it->second;
    // Forget the views of screens that have gone: a weak reference keeps a view's memory.
    views_.erase(std::remove_if(views_.begin(), views_.end(), [](auto& v) { return v.expired(); }),
                 views_.end());
    auto self = std::make_shared<HeadlessPlatform*>(this);
    auto peer = std::make_shared<RecordingPeer>(self);

    auto root = std::make_shared<View>();
    root->setName(owner.className());
    root->platformSetGeometry({def.size.width / 2.0f, def.size.height / 2.0f}, def.size);
    root->setPeer(peer);
    views_.push_back(root);

    auto find = [&](const std::string& name) -> const InterfaceObject* {
        for (const auto& o : def.objects)
            if (o.name == name) return &o;
        return nullptr;
    };

    // Check everything before filling anything, so a broken file leaves the screen untouched.
    const std::vector<Outlet> outlets = owner.outlets();
    for (const Outlet& outlet : outlets) {
        const InterfaceObject* object = find(outlet.name);
        if (!object && outlet.optional) continue;
        if (!object)
            throw InterfaceError("interface file '" + nibName + "': outlet '" + outlet.name +
                                 "' of " + owner.className() + " is missing");
        if (object->kind != outlet.kind && outlet.kind != OutletKind::View)
            throw InterfaceError("interface file '" + nibName + "': outlet '" + outlet.name +
                                 "' must be a " + outletKindName(outlet.kind) + ", found a " +
                                 outletKindName(object->kind));
    }
    const std::vector<Action> actions = owner.actions();
    for (const Action& action : actions) {
        bool wired = std::any_of(def.objects.begin(), def.objects.end(),
                                 [&](const InterfaceObject& o) { return o.action == action.name; });
        if (!wired)
            throw InterfaceError("interface file '" + nibName + "': no control triggers action '" +
                                 action.name + "' of " + owner.className());
    }
    for (const InterfaceObject& object : def.objects) {
        if (!object.action.empty() &&
            std::none_of(actions.begin(), actions.end(),
                         [&](const Action& a) { return a.name == object.action; }))
            throw InterfaceError("interface file '" + nibName + "': control '" + object.name +
                                 "' triggers '" + object.action + "', which " + owner.className() +
                                 " does not have");
    }

    for (const InterfaceObject& object : def.objects) {
        std::shared_ptr<View> view;
        const Outlet* outlet = nullptr;
        for (const Outlet& o : outlets)
            if (o.name == object.name) outlet = &o;
        if (outlet) {
            view = outlet->make();
        } else {
            switch (object.kind) {
                case OutletKind::Label:
                    view = std::make_shared<Label>();
                    break;
                case OutletKind::Slider:
                    view = std::make_shared<Slider>();
                    break;
                case OutletKind::Switch:
                    view = std::make_shared<Switch>();
                    break;
                case OutletKind::ImageView:
                    view = std::make_shared<ImageView>();
                    break;
                case OutletKind::Button:
                    view = std::make_shared<Button>();
                    break;
                default:
                    view = std::make_shared<View>();
                    break;
            }
        }
        view->setName(object.name);
        view->platformSetGeometry({object.frame.origin.x + object.frame.size.width / 2.0f,
                                   object.frame.origin.y + object.frame.size.height / 2.0f},
                                  object.frame.size);
        if (auto* label = dynamic_cast<Label*>(view.get())) label->setText(object.text);
        if (auto* button = dynamic_cast<Button*>(view.get())) button->setTitle(object.text);
        if (auto* slider = dynamic_cast<Slider*>(view.get())) {
            slider->setRange(object.minimum, object.maximum);
            slider->setValue(object.value);
        }
        view->setPeer(peer);
        root->addSubview(view);
        views_.push_back(view);
        if (!object.action.empty())
            wiring_[object.name] = Wiring{owner.weak_from_this(), object.action};
        if (outlet) outlet->store(view);
    }
    return root;
}

std::optional<std::string> HeadlessPlatform::pathForResource(const std::string& name,
                                                             const std::string& type) {
    auto it = resources_.find(name + "." + type);
    if (it == resources_.end() || !it->second) return std::nullopt;
    return "/headless/resources/" + name + "." + type;
}

std::shared_ptr<Sound> HeadlessPlatform::makeSound(const std::string&) {
    if (!soundsCanBeMade_) return nullptr;
    ++soundsMade_;
    return std::make_shared<HeadlessSound>(soundsPlayed_, soundsAlive_);
}

void HeadlessPlatform::presentModal(ViewController&, ViewController& presented, bool) {
    ++presentations_;
    presented.view();
}

void HeadlessPlatform::dismissModal(ViewController& presenter, ViewController& presented, bool) {
    ++dismissals_;
    if (presented.isViewLoaded()) presented.view()->removeFromSuperview();
    presenter.modalDismissalFinished();
}

std::shared_ptr<Timer> HeadlessPlatform::scheduleTimer(double interval, std::function<void()> tick,
                                                       bool repeats) {
    auto record = std::make_shared<TimerRecord>();
    record->interval = interval;
    record->due = now_ + interval;
    record->repeats = repeats;
    record->tick = std::move(tick);
    timers_.push_back(record);
    return std::make_shared<HeadlessTimer>(record);
}

void HeadlessPlatform::advanceTime(double seconds) {
    const double end = now_ + seconds;
    for (;;) {
        std::shared_ptr<TimerRecord> next;
        for (auto& t : timers_)
            if (t->valid && t->due <= end && (!next || t->due < next->due)) next = t;
        if (!next) break;
        now_ = next->due;
        if (next->repeats && next->interval > 0.0)
            next->due += next->interval;
        else
            next->valid = false;
        auto tick = next->tick;  // the tick may invalidate its own timer
        if (tick) tick();
    }
    now_ = end;
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [](auto& t) { return !t->valid; }),
                  timers_.end());
}

std::size_t HeadlessPlatform::liveTimers() const {
    return static_cast<std::size_t>(
        std::count_if(timers_.begin(), timers_.end(), [](auto& t) { return t->valid; }));
}

void HeadlessPlatform::setIdleTimerDisabled(bool disabled) {
    idleTimerDisabled_ = disabled;
    idleTimerChanges_.push_back(disabled);
}

void HeadlessPlatform::tap(const std::string& controlName) {
    auto it = wiring_.find(controlName);
    if (it == wiring_.end()) throw std::invalid_argument("no control named " + controlName);
    auto owner = it->second.owner.lock();
    if (!owner) return;
    owner->performAction(it->second.action, viewNamed(controlName));
}

void HeadlessPlatform::touchesBegan(ViewController& screen, const std::vector<Point>& locations) {
    std::vector<Touch> touches;
    for (Point p : locations) touches.emplace_back(p);
    screen.touchesBegan(TouchSet(std::move(touches)), Event{now_});
}

void HeadlessPlatform::touchesMoved(ViewController& screen, const std::vector<Point>& locations) {
    std::vector<Touch> touches;
    for (Point p : locations) touches.emplace_back(p);
    screen.touchesMoved(TouchSet(std::move(touches)), Event{now_});
}

int HeadlessPlatform::runRedraws() {
    int drew = 0;
    std::vector<std::weak_ptr<View>> pending;
    pending.swap(pendingRedraws_);
    for (auto& weak : pending) {
        auto view = weak.lock();
        if (!view || !view->needsDisplay()) continue;
        context_.clear();
        view->display(context_);
        ++drew;
    }
    return drew;
}

const std::vector<DrawOp>& HeadlessPlatform::redraw(View& view) {
    context_.clear();
    view.display(context_);
    return context_.ops();
}

std::vector<std::string> HeadlessPlatform::textsOf(const std::string& viewName) const {
    std::vector<std::string> texts;
    for (const auto& e : shown_)
        if (e.view == viewName && e.change == ViewChange::Text) texts.push_back(e.value);
    return texts;
}

View* HeadlessPlatform::viewNamed(const std::string& name) const {
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if (auto v = it->lock(); v && v->name() == name) return v.get();
    return nullptr;
}

void HeadlessPlatform::clearRecords() {
    shown_.clear();
    alerts_.clear();
    log_.clear();
    warnings_.clear();
    idleTimerChanges_.clear();
    redrawRequests_ = 0;
}

void HeadlessPlatform::record(View& view, ViewChange change) {
    if (!recording_ && change != ViewChange::Display) return;
    ShownEvent event{view.name(), change, {}};
    switch (change) {
        case ViewChange::Text:
            if (auto* label = dynamic_cast<Label*>(&view)) event.value = label->text();
            break;
        case ViewChange::Font:
            if (auto* label = dynamic_cast<Label*>(&view))
                event.value = describeFont(label->font());
            break;
        case ViewChange::Hidden:
            event.value = view.isHidden() ? "hidden" : "shown";
            break;
        case ViewChange::BackgroundColor:
            event.value = describeColor(view.backgroundColor());
            break;
        case ViewChange::Display:
            ++redrawRequests_;
            pendingRedraws_.push_back(view.weak_from_this());
            return;  // requests are counted, not listed
        default:
            break;
    }
    shown_.push_back(std::move(event));
}

}  // namespace platform::headless
