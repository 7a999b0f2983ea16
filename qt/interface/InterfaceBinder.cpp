#include "qt/interface/InterfaceBinder.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "platform/InterfaceError.h"
#include "qt/EndLoopOnException.h"
#include "qt/interface/UserAction.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/TurningPicture.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

constexpr const char* kActionProperty = "action";

std::string fileError(const std::string& nib, const std::string& what) {
    return "interface file '" + nib + "': " + what;
}

QWidget* findNamed(QWidget* root, const std::string& name) {
    const QString n = QString::fromStdString(name);
    if (root->objectName() == n) return root;
    return WindowParts::of(root).named<QWidget>(n);
}

std::string actionOf(const QWidget* w) {
    return w->property(kActionProperty).toString().toStdString();
}

std::vector<QWidget*> actionControls(QWidget* root) {
    std::vector<QWidget*> controls;
    if (!actionOf(root).empty()) controls.push_back(root);
    for (QWidget* w : WindowParts::of(root).widgets<QWidget>())
        if (!actionOf(w).empty()) controls.push_back(w);
    return controls;
}

// Hidden by the interface file: a child is hidden before its window is shown only when told to
// be. (A window never shown yet is hidden either way; a screen's root is not hidden by a file.)
bool explicitlyHidden(const QWidget* w) {
    return !w->isWindow() && w->isHidden();
}

// A view for a control the screen has no outlet for, so that its actions have a sender.
std::shared_ptr<View> plainViewFor(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->isCheckable()) return std::make_shared<Switch>();
        return std::make_shared<Button>();
    }
    return std::make_shared<View>();
}

void copyState(View& view, QWidget* w, QWidget* root) {
    if (auto* label = dynamic_cast<Label*>(&view)) label->setText(labelText(w).toStdString());
    if (auto* button = dynamic_cast<Button*>(&view))
        if (auto* q = qobject_cast<QAbstractButton*>(w)) button->setTitle(q->text().toStdString());
    if (auto* slider = dynamic_cast<Slider*>(&view)) {
        if (auto* q = qobject_cast<QSlider*>(w)) {
            slider->setRange(static_cast<float>(q->minimum()), static_cast<float>(q->maximum()));
            slider->setValue(static_cast<float>(q->value()));
        }
    }
    if (auto* sw = dynamic_cast<Switch*>(&view))
        if (auto* q = qobject_cast<QAbstractButton*>(w)) sw->setOn(q->isChecked());
    if (auto* image = dynamic_cast<ImageView*>(&view))
        image->setImageName(w->property("image").toString().toStdString());
    if (explicitlyHidden(w)) view.setHidden(true);
    const QPointF origin = w == root ? QPointF() : QPointF(w->mapTo(root, QPoint(0, 0)));
    const Size size{static_cast<float>(w->width()), static_cast<float>(w->height())};
    view.platformSetGeometry(Point{static_cast<float>(origin.x()) + size.width / 2.0f,
                                   static_cast<float>(origin.y()) + size.height / 2.0f},
                             size);
}

// A laid-out view that the logic hides keeps its place, so its neighbours do not jump.
void keepPlaceWhenHidden(QWidget* w) {
    if (!isInLayout(w)) return;
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

// The plot of a view the logic draws: the widget itself when it is one, else one inside it,
// held among root's parts.
QWidget* plotFor(QWidget* root, QWidget* container, const std::shared_ptr<View>& view) {
    if (auto* plot = qobject_cast<PlotWidget*>(container)) {
        plot->setView(view);
        return plot;
    }
    auto* host = new PlotWidget(container);  // owned by the container
    host->setObjectName(container->objectName() + QStringLiteral("Host"));
    host->setView(view);
    host->setAccessibleName(container->accessibleName());
    host->setAccessibleDescription(container->accessibleDescription());
    QLayout* layout = container->layout();
    if (!layout) {
        layout = new QVBoxLayout(container);  // owned by the container
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(host);
    WindowParts::of(root).add(host);
    return host;
}

void wireControl(QWidget* control, const std::shared_ptr<View>& view,
                 std::weak_ptr<ViewController> owner, const std::string& action) {
    std::weak_ptr<View> sender = view;
    if (auto* slider = qobject_cast<QSlider*>(control)) {
        QObject::connect(slider, &QSlider::valueChanged, slider, [sender](int value) {
            if (auto s = std::dynamic_pointer_cast<Slider>(sender.lock()))
                s->setValue(static_cast<float>(value));
        });
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) return;
    if (button->isCheckable()) {
        // The switch's state is up to date before its action runs: toggled comes before clicked.
        QObject::connect(button, &QAbstractButton::toggled, button, [sender](bool on) {
            if (auto s = std::dynamic_pointer_cast<Switch>(sender.lock())) s->setOn(on);
        });
    }
    if (action.empty()) return;
    QObject::connect(button, &QAbstractButton::clicked, button, [owner, sender, action] {
        // A screen that has gone is never called.
        if (auto screen = owner.lock())
            endLoopOnException([&] {
                const UserAction byTheUser;
                screen->performAction(action, sender.lock().get());
            });
    });
}

}  // namespace

bool widgetFitsOutlet(const QWidget* w, OutletKind kind) {
    switch (kind) {
        case OutletKind::View:
            return true;
        case OutletKind::Label:
            return qobject_cast<const QLabel*>(w) || qobject_cast<const ReadoutLabel*>(w);
        case OutletKind::Slider:
            return qobject_cast<const QSlider*>(w) != nullptr;
        case OutletKind::Switch: {
            auto* b = qobject_cast<const QAbstractButton*>(w);
            return b && b->isCheckable();
        }
        case OutletKind::Button:
            return qobject_cast<const QAbstractButton*>(w) != nullptr;
        case OutletKind::ImageView: {
            if (auto* p = qobject_cast<const TurningPicture*>(w)) return p->hasPicture();
            if (auto* l = qobject_cast<const QLabel*>(w)) return !l->pixmap().isNull();
            return w->inherits("QSvgWidget");
        }
        case OutletKind::Custom:
            return qobject_cast<const PlotWidget*>(w) ||
                   qstrcmp(w->metaObject()->className(), "QWidget") == 0;
    }
    return false;
}

std::shared_ptr<View> bindInterface(QWidget* root, const std::string& nib, ViewController& owner) {
    const std::string screen = owner.className();
    const std::vector<Outlet> outlets = owner.outlets();
    const std::vector<Action> actions = owner.actions();

    // Check everything before filling anything, so a broken file leaves the screen untouched.
    std::vector<QWidget*> outletWidgets;
    for (const Outlet& outlet : outlets) {
        QWidget* w = findNamed(root, outlet.name);
        if (!w && outlet.optional) {
            outletWidgets.push_back(nullptr);
            continue;
        }
        if (!w)
            throw InterfaceError(
                fileError(nib, "outlet '" + outlet.name + "' of " + screen + " is missing"));
        if (!widgetFitsOutlet(w, outlet.kind))
            throw InterfaceError(fileError(
                nib, "outlet '" + outlet.name + "' of " + screen + " must be a " +
                         outletKindName(outlet.kind) + ", found a " + w->metaObject()->className() +
                         (outlet.kind == OutletKind::ImageView ? " without a picture" : "")));
        outletWidgets.push_back(w);
    }
    const std::vector<QWidget*> controls = actionControls(root);
    for (QWidget* c : controls) {
        const std::string name = c->objectName().toStdString();
        if (!qobject_cast<QAbstractButton*>(c))
            throw InterfaceError(fileError(nib, "control '" + name + "' is a " +
                                                    c->metaObject()->className() +
                                                    ", which cannot trigger an action"));
        const std::string action = actionOf(c);
        if (std::none_of(actions.begin(), actions.end(),
                         [&](const Action& a) { return a.name == action; }))
            throw InterfaceError(fileError(nib, "control '" + name + "' triggers '" + action +
                                                    "', which " + screen + " does not have"));
    }
    for (const Action& action : actions) {
        if (std::none_of(controls.begin(), controls.end(),
                         [&](QWidget* c) { return actionOf(c) == action.name; }))
            throw InterfaceError(
                fileError(nib, "no control triggers action '" + action.name + "' of " + screen));
    }

    auto rootView = std::make_shared<View>();
    rootView->setName(screen);
    copyState(*rootView, root, root);
    if (auto* screenWidget = qobject_cast<ScreenWidget*>(root))
        screenWidget->setOwner(owner.weak_from_this());

    std::vector<std::pair<const Outlet*, std::shared_ptr<View>>> filled;
    std::vector<std::pair<QWidget*, std::shared_ptr<View>>> made;
    for (std::size_t i = 0; i < outlets.size(); ++i) {
        QWidget* w = outletWidgets[i];
        if (!w) continue;  // an optional outlet the file leaves out
        std::shared_ptr<View> view = outlets[i].make();
        view->setName(outlets[i].name);
        copyState(*view, w, root);
        QWidget* peerWidget = outlets[i].kind == OutletKind::Custom ? plotFor(root, w, view) : w;
        keepPlaceWhenHidden(w);
        // A free view (the dial) is moved over the others by the logic: keep it on top.
        if (w != root && !isInLayout(w)) w->raise();
        WidgetPeer::attach(view, peerWidget);
        if (w != root) rootView->addSubview(view);
        filled.emplace_back(&outlets[i], view);
        made.emplace_back(w, view);
    }
    for (QWidget* c : controls) {
        auto it = std::find_if(made.begin(), made.end(), [c](auto& m) { return m.first == c; });
        std::shared_ptr<View> view;
        if (it != made.end()) {
            view = it->second;
        } else {
            view = plainViewFor(c);
            view->setName(c->objectName().toStdString());
            copyState(*view, c, root);
            WidgetPeer::attach(view, c);
            rootView->addSubview(view);
            made.emplace_back(c, view);
        }
        wireControl(c, view, owner.weak_from_this(), actionOf(c));
    }
    // Sliders and switches that trigger nothing still keep their logic state current.
    for (auto& [w, view] : made)
        if (actionOf(w).empty()) wireControl(w, view, owner.weak_from_this(), {});

    WidgetPeer::attach(rootView, root, /*owning=*/true);
    for (auto& [outlet, view] : filled) outlet->store(view);
    return rootView;
}

}  // namespace platform::qt
