#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/Button.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/Slider.h"
#include "platform/Switch.h"
#include "platform/View.h"

namespace platform {

class ViewController;

// What an interface object must be for an outlet to take it. Custom is a view of the system's
// own (a graph), hosted by a plain container in the interface file.
enum class OutletKind { View, Label, Slider, Switch, ImageView, Button, Custom };

const char* outletKindName(OutletKind kind);

// A field of a screen that the interface file fills by name.
struct Outlet {
    std::string name;
    OutletKind kind = OutletKind::View;
    std::function<std::shared_ptr<View>()> make;              // the object the peer attaches to
    std::function<void(const std::shared_ptr<View>&)> store;  // puts it into the field
    // An outlet added after the interface was first specified: an interface file without it
    // still loads, and the field stays empty.
    bool optional = false;
};

// An operation of a screen that a control of the interface file triggers by name.
struct Action {
    std::string name;
    std::function<void(ViewController&, View* sender)> perform;
};

template <class T>
constexpr OutletKind outletKindOf() {
    if constexpr (std::is_same_v<T, Label>)
        return OutletKind::Label;
    else if constexpr (std::is_same_v<T, Slider>)
        return OutletKind::Slider;
    else if constexpr (std::is_same_v<T, Switch>)
        return OutletKind::Switch;
    else if constexpr (std::is_same_v<T, ImageView>)
        return OutletKind::ImageView;
    else if constexpr (std::is_same_v<T, Button>)
        return OutletKind::Button;
    else if constexpr (std::is_same_v<T, View>)
        return OutletKind::View;
    else
        return OutletKind::Custom;
}

template <class T, class Store>
Outlet makeOutlet(std::string name, Store store) {
    static_assert(std::is_base_of_v<View, T>);
    return Outlet{std::move(name), outletKindOf<T>(), [] { return std::make_shared<T>(); },
                  [store = std::move(store)](const std::shared_ptr<View>& v) {
                      store(std::static_pointer_cast<T>(v));
                  }};
}

// An outlet an interface file may leave out (see Outlet::optional).
template <class T, class Store>
Outlet makeOptionalOutlet(std::string name, Store store) {
    Outlet outlet = makeOutlet<T>(std::move(name), std::move(store));
    outlet.optional = true;
    return outlet;
}

template <class Controller, class Member>
Action makeAction(std::string name, Member member) {
    return Action{std::move(name), [member](ViewController& vc, View* sender) {
                      (static_cast<Controller&>(vc).*member)(sender);
                  }};
}

}  // namespace platform
